#ifndef MIDI_FAKEMIDIBACKEND_H
#define MIDI_FAKEMIDIBACKEND_H

#include "midi/MidiBackend.h"

#include <QVector>

class ClosedClientReaper;

#include <memory>
#include <thread>
#include <vector>

// An in-process MIDI system for tests: named ports that record every message
// sent to them with its currentTimeNs() stamp, input delivered from a driver
// thread of its own, sends that fail on demand, and ports that vanish.
//
// Input ports are sources the program reads (MidiInput), output ports are
// destinations it writes (MidiOutput). Names are raw driver names, so a name
// with ALSA's " client:port" numbers shows how the port layer treats them.
class FakeMidiBackend : public MidiBackend
{
public:
    struct SentMessage
    {
        std::vector<quint8> bytes;
        quint64 sentNs = 0;
    };

    explicit FakeMidiBackend(quint64 clientGraceNs = 0);
    ~FakeMidiBackend() override;

    // Makes a new fake the current backend and returns it.
    static std::shared_ptr<FakeMidiBackend> install(quint64 clientGraceNs = 0);

    void addPort(MidiDirection direction, const QString &rawName);
    // The port leaves the lists; devices open on it fail every send and
    // receive nothing more. Adding the name again makes a new port.
    void removePort(MidiDirection direction, const QString &rawName);

    // While set, sends to the output port fail.
    void setSendFailure(const QString &rawName, bool fail);
    QVector<SentMessage> sentMessages(const QString &rawName) const;
    void clearSentMessages(const QString &rawName);
    // Waits until at least count messages were sent to the port; false on
    // time-out.
    bool waitForSentMessages(const QString &rawName, int count, int timeoutMs = 5000) const;

    // Queues a message on the input port, delivered from the fake driver
    // thread to every device open on it that does not ignore its type.
    void inject(const QString &rawName, const std::vector<quint8> &bytes, double deltaTime = 0.0);
    // Returns once every message injected so far has been handed to the
    // open devices.
    void waitUntilDelivered();
    // The thread that plays the driver's callback thread.
    std::thread::id driverThreadId() const;

    // Devices open on the port now, and opened since the port was added.
    int openDeviceCount(MidiDirection direction, const QString &rawName) const;
    int totalOpenCount(MidiDirection direction, const QString &rawName) const;
    // Clients of any port not yet destroyed: open devices, and closed ones
    // whose grace has not passed.
    int liveClientCount() const;
    // The ignore flags of the first device open on the input port, or -1.
    int deviceIgnoreFlags(const QString &rawName) const;

    QString apiName() const override;
    QStringList portNames(MidiDirection direction) override;
    std::unique_ptr<MidiOutputDevice> openOutput(const QString &rawName,
                                                 const QString &clientName) override;
    std::unique_ptr<MidiInputDevice> openInput(const QString &rawName, const QString &clientName,
                                               int ignoreFlags, MidiInputSink *sink) override;

    struct State;

private:
    // Devices keep the state alive, so they may outlive the backend.
    std::shared_ptr<State> m_state;
    // Shared with the devices, which may close after the backend has gone.
    std::shared_ptr<ClosedClientReaper> m_reaper;
};

#endif
