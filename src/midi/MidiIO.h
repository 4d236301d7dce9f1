#ifndef MIDI_MIDIIO_H
#define MIDI_MIDIIO_H

#include "midi/PriorityInheritanceMutex.h"

#include <QBitArray>
#include <QString>

#include <memory>
#include <mutex>

class RtMidiIn;
class RtMidiOut;
template <class RtPort>
class SharedMidiPort;

// One user of a MIDI port of a direction (RtMidiIn or RtMidiOut), opened by
// name. Any number of users may have the same name open; they share one
// device port, opened by the first and closed by the last. Names are the
// display names of MidiPortNames.h: a stored name that still carries ALSA's
// client:port numbers finds its port, and portName() gives it without them.
//
// Failures of the MIDI library are caught below this class: operations
// report false and never throw.
template <class RtPort>
class MidiIO
{
public:
    MidiIO();
    virtual ~MidiIO();
    MidiIO(const MidiIO &) = delete;
    MidiIO &operator=(const MidiIO &) = delete;

    // True when this object now holds the port; false when it is already
    // open, the name is not a present port, or the driver fails.
    virtual bool open(const QString &portName);
    // True when a held port was released without a driver error (a JACK
    // output's port closes a moment later, reporting to the debug output
    // only). The port name is empty afterwards in every case.
    virtual bool close();
    // Bit c stands for MIDI channel c + 1 (the status byte's low nibble).
    virtual void setChannels(const QBitArray &channels);

    QBitArray channels() const;
    // The open port's display name; a null string while closed.
    QString portName() const;
    bool isOpen() const;

protected:
    using Port = SharedMidiPort<RtPort>;

    // Open and close of one object never overlap. The object's data mutex
    // is separate, and is never held while waiting for another thread.
    PriorityInheritanceMutex m_lifecycleMutex;

    // Caller holds m_lifecycleMutex.
    bool attach(const QString &portName);
    // Takes the port out under the data mutex; the object then reads as
    // closed. Caller holds m_lifecycleMutex.
    std::shared_ptr<Port> detach();
    // Lets go of a detached port; the last user closes the device. False on
    // a driver error.
    static bool release(std::shared_ptr<Port> port);
    // A copy of the port and channel mask, taken under the data mutex.
    std::shared_ptr<Port> heldPort(quint16 *channelMask = nullptr) const;

private:
    mutable PriorityInheritanceMutex m_mutex;
    std::shared_ptr<Port> m_port;
    QString m_portName;
    QBitArray m_channels;
    quint16 m_channelMask = 0;
};

extern template class MidiIO<RtMidiIn>;
extern template class MidiIO<RtMidiOut>;

#endif
