#ifndef MIDI_RTMIDIBACKEND_H
#define MIDI_RTMIDIBACKEND_H

#include "midi/MidiBackend.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class JackServerWatch;
class RtMidiIn;
class RtMidiOut;

// The MIDI library's API that serves the ports.
enum class MidiDriverApi { None, Alsa, Jack };
// What VORMA_MIDI_API asks for: Auto chooses, Off means no MIDI at all.
enum class MidiApiSetting { Auto, Alsa, Jack, Off };

// The ports of the MIDI library on Linux. Which of its APIs serves them is
// chosen on first use: ALSA when the sequencer can be opened, else JACK when
// a server runs, else none (no ports, nothing fails). VORMA_MIDI_API=alsa or
// jack forces one, none turns MIDI off (the tests run so, unless they ask for
// a MIDI system themselves). While none works the choice is tried again, at
// most once a second, so a JACK server started later is found by the next
// port poll.
//
// A JACK output's port closes on a thread of its own, so the thread that
// closes it goes on at once; opening the port it was linked to again waits
// until it has closed.
//
// Enumeration goes through one kept client per direction: under JACK a new
// client costs tens of milliseconds, and the application polls every second.
// Clients are opened and closed one at a time in the whole process (see
// clientMutex()). When the JACK server goes away its ports vanish, sends fail, and the
// choice starts again; clients of the lost server are never closed, since
// libjack crashes on that.
// Every RtMidiError is caught here; errors reach the debug output only.
class RtMidiBackend : public MidiBackend
{
public:
    explicit RtMidiBackend(MidiApiSetting setting = MidiApiSetting::Auto);
    ~RtMidiBackend() override;

    // The backend with the API named by VORMA_MIDI_API, else chosen.
    static std::shared_ptr<RtMidiBackend> createDefault();

    // "alsa", "jack" or "none" in any case; anything else is Auto.
    static MidiApiSetting parseApiSetting(const QString &name);
    static QString apiName(MidiDriverApi api);
    static MidiDriverApi chooseApi(MidiApiSetting setting, const std::function<bool()> &alsaOpens,
                                   const std::function<bool()> &jackRuns);
    static bool alsaSequencerOpens();
    static bool jackServerRuns();

    // Held around every creation, port open, port close and destruction of
    // a client of the MIDI library or of libjack in this process: libjack
    // crashes when two threads of a process open or close clients at once.
    // Nothing else is done under it, and no other lock is taken inside it.
    static std::mutex &clientMutex();
    // Returns once every client closed so far is closed and destroyed:
    // JACK outputs close on a thread of their own.
    static void finishClosing();

    // The API in use now, choosing one when none is.
    MidiDriverApi api();

    QString apiName() const override;
    QStringList portNames(MidiDirection direction) override;
    std::unique_ptr<MidiOutputDevice> openOutput(const QString &rawName,
                                                 const QString &clientName) override;
    std::unique_ptr<MidiInputDevice> openInput(const QString &rawName, const QString &clientName,
                                               int ignoreFlags, MidiInputSink *sink) override;

private:
    // The caller holds m_mutex for these.
    MidiDriverApi ensureApi();
    void dropEnumerationClients();
    std::shared_ptr<const std::atomic<bool>> serverLostFlag() const;

    mutable std::mutex m_mutex;
    const MidiApiSetting m_setting;
    MidiDriverApi m_api = MidiDriverApi::None;
    bool m_probed = false;
    quint64 m_lastProbeNs = 0;
    std::shared_ptr<JackServerWatch> m_jackWatch; // while JACK serves
    std::unique_ptr<RtMidiIn> m_enumerateInputs;
    std::unique_ptr<RtMidiOut> m_enumerateOutputs;
};

#endif
