#ifndef CANVAS_NOTIFYINGVALUE_H
#define CANVAS_NOTIFYINGVALUE_H

#include <functional>
#include <utility>

// A value with an action run after every store, also one that changes
// nothing: the scene's style colours redraw on each write of their binding.
template <typename T>
class NotifyingValue
{
public:
    NotifyingValue() = default;
    NotifyingValue(T value, std::function<void()> action) : m_value(std::move(value)), m_action(std::move(action)) {}

    const T &value() const { return m_value; }

    void setValue(const T &value)
    {
        m_value = value;
        if (m_action)
            m_action();
    }

private:
    T m_value{};
    std::function<void()> m_action;
};

#endif
