#include "midi/SharedMidiPort.h"

#include "midi/MidiPortNames.h"

std::shared_ptr<SharedMidiPort<RtMidiOut>> SharedMidiPort<RtMidiOut>::open(MidiBackend &backend,
                                                                           const QString &rawName)
{
    auto device = backend.openOutput(rawName, ownMidiClientName(Direction));
    if (!device)
        return nullptr;
    auto port = std::make_shared<SharedMidiPort>();
    port->device = std::move(device);
    return port;
}

SharedMidiPort<RtMidiOut>::~SharedMidiPort()
{
    shutdown();
}

bool SharedMidiPort<RtMidiOut>::shutdown()
{
    std::lock_guard<PriorityInheritanceMutex> lock(mutex);
    if (!device)
        return true;
    const bool ok = device->close();
    device.reset();
    return ok;
}

SharedMidiPort<RtMidiIn>::SharedMidiPort(std::shared_ptr<MidiInputRelay> relay_)
    : relay(std::move(relay_))
{
}

std::shared_ptr<SharedMidiPort<RtMidiIn>> SharedMidiPort<RtMidiIn>::open(MidiBackend &backend,
                                                                         const QString &rawName)
{
    // The relay exists before the device, so everything the driver's thread
    // touches is built before that thread starts.
    std::shared_ptr<SharedMidiPort> port(new SharedMidiPort(MidiInputRelay::start()));
    port->device = backend.openInput(rawName, ownMidiClientName(Direction), MidiIgnoreDefault,
                                     port->relay.get());
    if (!port->device)
        return nullptr; // the destructor stops the relay
    return port;
}

SharedMidiPort<RtMidiIn>::~SharedMidiPort()
{
    shutdown();
}

bool SharedMidiPort<RtMidiIn>::shutdown()
{
    bool ok = true;
    {
        std::lock_guard<PriorityInheritanceMutex> lock(mutex);
        if (m_stopped)
            return true;
        m_stopped = true;
        if (device)
            ok = device->close();
        device.reset();
    }
    // The device is closed: nothing feeds the relay any more.
    relay->stop();
    return ok;
}

void SharedMidiPort<RtMidiIn>::subscribe(MidiInputSubscriber *subscriber)
{
    relay->subscribe(subscriber);
    applyIgnoreFlags();
}

void SharedMidiPort<RtMidiIn>::unsubscribe(MidiInputSubscriber *subscriber)
{
    relay->unsubscribe(subscriber);
    if (relay->subscriberCount() > 0)
        applyIgnoreFlags();
}

void SharedMidiPort<RtMidiIn>::applyIgnoreFlags()
{
    std::lock_guard<PriorityInheritanceMutex> lock(mutex);
    if (device)
        device->setIgnoreFlags(relay->combinedIgnoreFlags());
}
