#ifndef MIDI_MIDIOUTPUT_H
#define MIDI_MIDIOUTPUT_H

#include "midi/MidiIO.h"
#include "midi/MidiOutputMessage.h"
#include "midi/PriorityInheritanceMutex.h"

#include <bitset>
#include <mutex>
#include <vector>

// A user of a MIDI output port that turns MidiOutputMessage records into
// bytes: every kind but Raw once on each enabled channel, in ascending
// channel order. It remembers the notes it has left sounding, so closing or
// allNotesOff() can silence them.
//
// Data bytes go out clamped to 0..127: a value above would be read by the
// receiver as a status byte and garble everything after it.
class MidiOutput : public MidiIO<RtMidiOut>
{
public:
    MidiOutput();
    // Silences the held notes before the port is let go.
    ~MidiOutput() override;

    // Sends note-offs for the held notes, then releases the port.
    bool close() override;

    // Sends the messages in order, each message's bytes as one group per
    // channel, with no other user's bytes between. An empty vector is true;
    // no port held is false. On a driver error the rest is not sent and the
    // result is false; held-note changes of the messages before it stay.
    bool sendMessages(const std::vector<MidiOutputMessage> &messages);

    // A note-off (velocity 0) for every held note, sent as above.
    bool allNotesOff();

    // True when the port open now is the one of that name and still reaches
    // its device, so opening the name again would gain nothing.
    bool holdsPort(const QString &portName) const;

    // The notes sounding after what was sent, in ascending order.
    std::vector<quint8> heldNotes() const;

private:
    mutable PriorityInheritanceMutex m_heldMutex;
    std::bitset<128> m_held;
};

#endif
