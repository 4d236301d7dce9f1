#pragma once

#include <QString>

// Event payload: a settings key.
class KeyContainer
{
public:
    explicit KeyContainer(const QString &key)
        : m_key(key)
    {
    }

    const QString &key() const { return m_key; }

protected:
    ~KeyContainer() = default;

private:
    QString m_key;
};
