#ifndef MIDI_SHAREDMIDIPORT_H
#define MIDI_SHAREDMIDIPORT_H

#include "midi/MidiBackend.h"
#include "midi/MidiInputRelay.h"
#include "midi/PriorityInheritanceMutex.h"

#include <memory>
#include <mutex>

class RtMidiIn;
class RtMidiOut;

// One open device port of a direction, shared by every MidiIO object open on
// its name and closed when the last of them lets go.
template <class RtPort>
class SharedMidiPort;

template <>
class SharedMidiPort<RtMidiOut>
{
public:
    static constexpr MidiDirection Direction = MidiDirection::Output;

    // Null when the port cannot be opened.
    static std::shared_ptr<SharedMidiPort> open(MidiBackend &backend, const QString &rawName);
    ~SharedMidiPort();

    // Closes the device; false on a driver error. Later calls do nothing.
    bool shutdown();

    // Serialises all use of the device, so the bytes of one user's message
    // group never interleave with another's.
    PriorityInheritanceMutex mutex;
    std::unique_ptr<MidiOutputDevice> device; // null once shut down
};

template <>
class SharedMidiPort<RtMidiIn>
{
public:
    static constexpr MidiDirection Direction = MidiDirection::Input;

    static std::shared_ptr<SharedMidiPort> open(MidiBackend &backend, const QString &rawName);
    ~SharedMidiPort();

    bool shutdown();

    void subscribe(MidiInputSubscriber *subscriber);
    // Returns once no delivery to the subscriber is in progress (unless
    // called from inside one).
    void unsubscribe(MidiInputSubscriber *subscriber);
    // Sets the device's ignore flags to the types every subscriber ignores.
    void applyIgnoreFlags();

    PriorityInheritanceMutex mutex; // serialises all use of the device
    std::unique_ptr<MidiInputDevice> device;
    const std::shared_ptr<MidiInputRelay> relay;

private:
    explicit SharedMidiPort(std::shared_ptr<MidiInputRelay> relay);
    bool m_stopped = false;
};

#endif
