#include "midi/MidiIO.h"

#include "midi/MidiPortNames.h"
#include "midi/SharedMidiPort.h"

#include <QHash>

#include <memory>

namespace {

// One registry per direction: the open ports by display name. It holds weak
// pointers only, so a name whose last user closed is looked up afresh.
template <class RtPort>
struct Registry
{
    std::mutex mutex;
    QHash<QString, std::weak_ptr<SharedMidiPort<RtPort>>> ports;

    static Registry &instance()
    {
        static Registry registry;
        return registry;
    }
};

} // namespace

template <class RtPort>
MidiIO<RtPort>::MidiIO() = default;

template <class RtPort>
MidiIO<RtPort>::~MidiIO()
{
    std::lock_guard<PriorityInheritanceMutex> lifecycle(m_lifecycleMutex);
    release(detach());
}

template <class RtPort>
bool MidiIO<RtPort>::open(const QString &portName)
{
    std::lock_guard<PriorityInheritanceMutex> lifecycle(m_lifecycleMutex);
    return attach(portName);
}

template <class RtPort>
bool MidiIO<RtPort>::close()
{
    std::lock_guard<PriorityInheritanceMutex> lifecycle(m_lifecycleMutex);
    std::shared_ptr<Port> port = detach();
    if (!port)
        return false;
    return release(std::move(port));
}

template <class RtPort>
void MidiIO<RtPort>::setChannels(const QBitArray &channels)
{
    quint16 mask = 0;
    for (int c = 0; c < 16 && c < channels.size(); ++c) {
        if (channels.testBit(c))
            mask |= quint16(1u << c);
    }
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    m_channels = channels;
    m_channelMask = mask;
}

template <class RtPort>
QBitArray MidiIO<RtPort>::channels() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    return m_channels;
}

template <class RtPort>
QString MidiIO<RtPort>::portName() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    return m_portName;
}

template <class RtPort>
bool MidiIO<RtPort>::isOpen() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    return bool(m_port);
}

template <class RtPort>
bool MidiIO<RtPort>::attach(const QString &portName)
{
    if (isOpen())
        return false;
    const QString name = midiPortDisplayName(portName);
    if (name.isEmpty())
        return false;

    std::shared_ptr<Port> port;
    {
        Registry<RtPort> &registry = Registry<RtPort>::instance();
        std::lock_guard<std::mutex> lock(registry.mutex);
        port = registry.ports.value(name).lock();
        if (!port) {
            const std::shared_ptr<MidiBackend> backend = MidiBackend::current();
            const MidiPortList ports = listMidiPorts(*backend, Port::Direction);
            const int index = ports.displayNames.indexOf(name);
            if (index >= 0)
                port = Port::open(*backend, ports.rawNames.at(index));
            if (!port)
                return false;
            registry.ports.insert(name, port);
        }
    }

    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    m_port = std::move(port);
    m_portName = name;
    return true;
}

template <class RtPort>
std::shared_ptr<typename MidiIO<RtPort>::Port> MidiIO<RtPort>::detach()
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    m_portName = QString();
    return std::move(m_port);
}

template <class RtPort>
bool MidiIO<RtPort>::release(std::shared_ptr<Port> port)
{
    if (!port)
        return true;
    bool last = false;
    {
        Registry<RtPort> &registry = Registry<RtPort>::instance();
        std::lock_guard<std::mutex> lock(registry.mutex);
        // Under the registry mutex nobody can take a new pointer from the
        // registry, so a count of one means this user is the last.
        if (port.use_count() == 1) {
            last = true;
            for (auto it = registry.ports.begin(); it != registry.ports.end(); ++it) {
                if (it->lock() == port) {
                    registry.ports.erase(it);
                    break;
                }
            }
        }
    }
    // Closing the device can take a while (a JACK client) and must not hold
    // up other users opening ports.
    return last ? port->shutdown() : true;
}

template <class RtPort>
std::shared_ptr<typename MidiIO<RtPort>::Port> MidiIO<RtPort>::heldPort(quint16 *channelMask) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_mutex);
    if (channelMask)
        *channelMask = m_channelMask;
    return m_port;
}

template class MidiIO<RtMidiIn>;
template class MidiIO<RtMidiOut>;
