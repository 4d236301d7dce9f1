#include "midi/RtMidiBackend.h"

#include "midi/ClosedClientReaper.h"
#include "midi/Platform.h"

#include <QDebug>

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VORMA_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORMA_LEAK_CHECKS 1
#endif
#endif
#ifdef VORMA_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace {

const char *const InputClientName = "RtMidi Input Client";
const char *const OutputClientName = "RtMidi Output Client";
constexpr unsigned InputQueueLimit = 100;
constexpr quint64 ProbeIntervalNs = 1000000000ull;

// With an error callback installed the library reports instead of throwing,
// so each operation clears the flag and looks at it afterwards.
struct ErrorFlag
{
    std::atomic<bool> raised{false};

    static void callback(RtMidiError::Type type, const std::string &text, void *user)
    {
        if (type == RtMidiError::DEBUG_WARNING)
            return;
        qDebug("MIDI: %s", text.c_str());
        static_cast<ErrorFlag *>(user)->raised.store(true);
    }

    // For a client that outlives the flag it reported to.
    static void toDebugOutput(RtMidiError::Type type, const std::string &text, void *)
    {
        if (type != RtMidiError::DEBUG_WARNING)
            qDebug("MIDI: %s", text.c_str());
    }
};

// The names of the ports our clients open.
constexpr const char *OwnOutputPort = "RtMidi Output";
constexpr const char *OwnInputPort = "RtMidi Input";

RtMidi::Api libraryApi(MidiDriverApi api)
{
    return api == MidiDriverApi::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

// The index of the port with that raw name in the client's own list, or -1.
// A port that goes while the list is read shifts the ports after it, so a
// name missed in a list that changed meanwhile is looked for again.
int findPort(RtMidi &client, const QString &rawName)
{
    constexpr int Passes = 8;
    for (int pass = 0; pass < Passes; ++pass) {
        const unsigned count = client.getPortCount();
        bool changed = false;
        for (unsigned i = 0; i < count; ++i) {
            const std::string name = client.getPortName(i);
            if (name.empty()) {
                changed = true;
                break;
            }
            if (QString::fromStdString(name) == rawName)
                return int(i);
        }
        if (!changed && client.getPortCount() == count)
            return -1;
    }
    return -1;
}

void report(const RtMidiError &e)
{
    qDebug("MIDI: %s", e.getMessage().c_str());
}

using LostFlag = std::shared_ptr<const std::atomic<bool>>;

// Leaves a client of a lost JACK server alone, for good: libjack crashes
// when it is closed.
template <class Client>
void abandon(std::unique_ptr<Client> &client)
{
    Client *lost = client.release();
#ifdef VORMA_LEAK_CHECKS
    if (lost)
        __lsan_ignore_object(lost);
#endif
    (void)lost;
}

using ClientLock = std::lock_guard<std::mutex>;

// Destroys a client under the process-wide client mutex.
template <class Client>
void destroyClient(std::unique_ptr<Client> &client)
{
    ClientLock lock(RtMidiBackend::clientMutex());
    client.reset();
}

// The library frees a JACK output's ring buffer before it closes the
// client, while the client's JACK thread may still be reading it (a
// use-after-free that crashed tests now and then). So a JACK output whose
// port has closed is destroyed only once that thread has long seen the port
// gone: after 50 ms, many JACK cycles.
//
// The port itself is closed there too: that takes a server round trip or
// two per port, and closing a document with many ports must not hold up
// the window. What was sent before reaches the port first: the library
// waits for a cycle of the client's thread, which sends what is queued,
// before it closes the port.
ClosedClientReaper &closedJackOutputs()
{
    static ClosedClientReaper reaper(50000000ull);
    return reaper;
}

// Hands a JACK output to the reaper, which closes its port and destroys it
// after the grace. False for any other client: the caller closes it.
bool closeLater(std::unique_ptr<RtMidiIn> &, const LostFlag &, const QString &)
{
    return false;
}

bool closeLater(std::unique_ptr<RtMidiOut> &client, const LostFlag &serverLost, const QString &rawName)
{
    if (!serverLost) // ALSA closes at once
        return false;
    client->setErrorCallback(ErrorFlag::toDebugOutput, nullptr);
    RtMidiOut *closing = client.release();
    closedJackOutputs().add(
        rawName,
        [closing, serverLost] {
            if (serverLost->load())
                return;
            try {
                ClientLock lock(RtMidiBackend::clientMutex());
                closing->closePort();
            } catch (const RtMidiError &e) {
                report(e);
            }
        },
        [closing, serverLost] {
            std::unique_ptr<RtMidiOut> c(closing);
            if (serverLost->load())
                abandon(c);
            destroyClient(c);
        });
    return true;
}

// A client of the MIDI library; one of a lost JACK server is abandoned.
template <class Client>
struct LibraryClient
{
    ErrorFlag error;
    LostFlag serverLost; // null under ALSA
    QString rawName;     // of the port opened
    std::unique_ptr<Client> port;

    ~LibraryClient() { close(); }

    bool serverGone() const { return serverLost && serverLost->load(); }

    // Closes the port and retires the client. Destroying an input's client
    // stops the driver's thread, after which its sink is never called again.
    // A JACK output closes later, on the reaper's thread; what it reports
    // then reaches the debug output only.
    bool close()
    {
        if (!port)
            return true;
        if (serverGone()) {
            abandon(port);
            return true;
        }
        if (closeLater(port, serverLost, rawName))
            return true;
        error.raised.store(false);
        bool ok = true;
        try {
            ClientLock lock(RtMidiBackend::clientMutex());
            port->closePort();
        } catch (const RtMidiError &e) {
            report(e);
            ok = false;
        }
        destroyClient(port);
        return ok && !error.raised.load();
    }
};

class RtMidiOutputDevice : public MidiOutputDevice
{
public:
    LibraryClient<RtMidiOut> client;
    // Under JACK whether the link stands; under ALSA, where none is kept,
    // whether the port is still listed (its numbers change when a device
    // comes back).
    std::function<bool()> reaches;

    bool send(const unsigned char *bytes, std::size_t size) override
    {
        // Without its server a JACK port would swallow the bytes silently.
        if (!client.port || client.serverGone())
            return false;
        client.error.raised.store(false);
        try {
            client.port->sendMessage(bytes, size);
        } catch (const RtMidiError &e) {
            report(e);
            return false;
        }
        return !client.error.raised.load();
    }

    bool close() override { return client.close(); }

    bool reachesPort() override
    {
        if (!client.port || client.serverGone())
            return false;
        try {
            return reaches();
        } catch (const RtMidiError &e) {
            report(e);
            return false;
        }
    }
};

class RtMidiInputDevice : public MidiInputDevice
{
public:
    LibraryClient<RtMidiIn> client;
    MidiInputSink *sink = nullptr;

    // The library counts a message's delta from the one before it, also
    // from one that it then drops (under JACK): the timing and sensing
    // bytes, frequent while a clock plays, are dropped here instead, and
    // their deltas carried into the next message, so the deltas add up to
    // the driver's own time.
    static void onMessage(double deltaTime, std::vector<unsigned char> *message, void *self)
    {
        auto *device = static_cast<RtMidiInputDevice *>(self);
        if (!message || message->empty())
            return;
        const unsigned char status = message->front();
        const int flags = device->m_ignoreFlags.load();
        if (((status == 0xF8 || status == 0xF1) && (flags & MidiIgnoreTiming))
            || (status == 0xFE && (flags & MidiIgnoreActiveSensing))) {
            device->m_carriedDelta += deltaTime;
            return;
        }
        device->sink->driverMessage(deltaTime + device->m_carriedDelta, message->data(), message->size());
        device->m_carriedDelta = 0;
    }

    void setIgnoreFlags(int flags) override
    {
        m_ignoreFlags.store(flags);
        if (!client.port || client.serverGone())
            return;
        try {
            client.port->ignoreTypes(flags & MidiIgnoreSysex, false, false);
        } catch (const RtMidiError &e) {
            report(e);
        }
    }

    bool close() override { return client.close(); }

private:
    std::atomic<int> m_ignoreFlags{0};
    double m_carriedDelta = 0; // the driver's thread only
};

// Makes the device's client, lets prepare() set it up, and opens the port
// with that raw name; null when any step fails.
//
// The library opens a port by its index, and other programs add and remove
// ports at any time, so the index found may point at another port (or at
// none) by the time the port opens. The open counts only when the port is
// still at that index afterwards and linked() confirms the link; otherwise
// it is closed and tried again.
template <class Device, class Create, class Prepare, class Linked>
std::unique_ptr<Device> openDevice(Create create, const LostFlag &serverLost, const QString &rawName,
                                   const char *portName, Prepare prepare, Linked linked)
{
    constexpr int Attempts = 8;
    auto device = std::make_unique<Device>();
    LibraryClient<typename decltype(device->client.port)::element_type> &client = device->client;
    client.serverLost = serverLost;
    client.rawName = rawName;
    try {
        {
            ClientLock lock(RtMidiBackend::clientMutex());
            client.port.reset(create());
        }
        client.port->setErrorCallback(ErrorFlag::callback, &client.error);
        prepare(*device);
        for (int attempt = 0; attempt < Attempts; ++attempt) {
            const int index = findPort(*client.port, rawName);
            if (index < 0)
                return nullptr;
            client.error.raised.store(false);
            {
                ClientLock lock(RtMidiBackend::clientMutex());
                client.port->openPort(unsigned(index), portName);
            }
            if (!client.error.raised.load() && findPort(*client.port, rawName) == index && linked())
                return device;
            ClientLock lock(RtMidiBackend::clientMutex());
            client.port->closePort();
        }
    } catch (const RtMidiError &e) {
        report(e);
    }
    return nullptr;
}

void quietJackMessage(const char *) {}

void quietenJack()
{
    // libjack prints every failed connection to stderr, and the probe
    // repeats while no server runs.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        jack_set_error_function(quietJackMessage);
        jack_set_info_function(quietJackMessage);
    });
}

} // namespace

// A client of our own that libjack tells when the server goes away.
class JackServerWatch
{
public:
    static std::shared_ptr<JackServerWatch> open()
    {
        quietenJack();
        jack_status_t status;
        ClientLock lock(RtMidiBackend::clientMutex());
        jack_client_t *client = jack_client_open("vorma-watch", JackNoStartServer, &status);
        if (!client)
            return nullptr;
        std::shared_ptr<JackServerWatch> watch(new JackServerWatch(client));
        jack_on_info_shutdown(client, &JackServerWatch::onShutdown, watch->m_lost.get());
        return watch;
    }

    ~JackServerWatch()
    {
        if (m_lost->load())
            return;
        ClientLock lock(RtMidiBackend::clientMutex());
        jack_client_close(m_client);
    }

    LostFlag lostFlag() const { return m_lost; }
    bool lost() const { return m_lost->load(); }

    // Whether the port with that raw name is linked to a port of ours named
    // portName, of a client whose name begins with clientName (the server
    // adds a number to a name in use). A new link shows once the server has
    // begun another cycle, so this watches for it for a while.
    bool linked(const QString &rawName, const QString &clientName, const char *portName) const
    {
        constexpr int Looks = 50;
        for (int look = 0; look < Looks; ++look) {
            if (linkedNow(rawName, clientName, portName))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    bool linkedNow(const QString &rawName, const QString &clientName, const char *portName) const
    {
        if (lost())
            return false;
        jack_port_t *port = jack_port_by_name(m_client, rawName.toUtf8().constData());
        if (!port)
            return false;
        const char **links = jack_port_get_all_connections(m_client, port);
        if (!links)
            return false;
        const QString suffix = QLatin1Char(':') + QString::fromUtf8(portName);
        bool found = false;
        for (const char **link = links; *link && !found; ++link) {
            const QString name = QString::fromUtf8(*link);
            found = name.startsWith(clientName) && name.endsWith(suffix);
        }
        jack_free(links);
        return found;
    }

private:
    explicit JackServerWatch(jack_client_t *client) : m_client(client) {}

    // On libjack's thread.
    static void onShutdown(jack_status_t, const char *, void *lost)
    {
        static_cast<std::atomic<bool> *>(lost)->store(true);
    }

    jack_client_t *const m_client;
    const std::shared_ptr<std::atomic<bool>> m_lost = std::make_shared<std::atomic<bool>>(false);
};

RtMidiBackend::RtMidiBackend(MidiApiSetting setting)
    : m_setting(setting)
{
}

RtMidiBackend::~RtMidiBackend()
{
    dropEnumerationClients();
}

std::shared_ptr<RtMidiBackend> RtMidiBackend::createDefault()
{
    const QString name = qEnvironmentVariable("VORMA_MIDI_API").trimmed();
    const MidiApiSetting setting = parseApiSetting(name);
    if (setting == MidiApiSetting::Auto && !name.isEmpty())
        qDebug() << "VORMA_MIDI_API: unknown API" << name << "- choosing one";
    return std::make_shared<RtMidiBackend>(setting);
}

MidiApiSetting RtMidiBackend::parseApiSetting(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("alsa"))
        return MidiApiSetting::Alsa;
    if (n == QLatin1String("jack"))
        return MidiApiSetting::Jack;
    if (n == QLatin1String("none"))
        return MidiApiSetting::Off;
    return MidiApiSetting::Auto;
}

QString RtMidiBackend::apiName(MidiDriverApi api)
{
    switch (api) {
    case MidiDriverApi::Alsa:
        return QStringLiteral("alsa");
    case MidiDriverApi::Jack:
        return QStringLiteral("jack");
    case MidiDriverApi::None:
        break;
    }
    return QStringLiteral("none");
}

MidiDriverApi RtMidiBackend::chooseApi(MidiApiSetting setting, const std::function<bool()> &alsaOpens,
                                       const std::function<bool()> &jackRuns)
{
    switch (setting) {
    case MidiApiSetting::Off:
        return MidiDriverApi::None;
    case MidiApiSetting::Alsa:
        return alsaOpens() ? MidiDriverApi::Alsa : MidiDriverApi::None;
    case MidiApiSetting::Jack:
        return jackRuns() ? MidiDriverApi::Jack : MidiDriverApi::None;
    case MidiApiSetting::Auto:
        break;
    }
    if (alsaOpens())
        return MidiDriverApi::Alsa;
    if (jackRuns())
        return MidiDriverApi::Jack;
    return MidiDriverApi::None;
}

bool RtMidiBackend::alsaSequencerOpens()
{
    // Without the device the library would print ALSA's complaint first.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0)
        return false;
    try {
        ClientLock lock(clientMutex());
        RtMidiOut probe(RtMidi::LINUX_ALSA, OutputClientName);
        return true;
    } catch (const RtMidiError &e) {
        report(e);
        return false;
    }
}

bool RtMidiBackend::jackServerRuns()
{
    quietenJack();
    ClientLock lock(clientMutex());
    jack_status_t status;
    jack_client_t *client = jack_client_open("vorma-probe", JackNoStartServer, &status);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}

void RtMidiBackend::finishClosing()
{
    closedJackOutputs().finish();
}

std::mutex &RtMidiBackend::clientMutex()
{
    // Never destroyed: clients are still closed while the program exits.
    static std::mutex *const mutex = new std::mutex;
    return *mutex;
}

MidiDriverApi RtMidiBackend::api()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return ensureApi();
}

QString RtMidiBackend::apiName() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return apiName(m_api);
}

MidiDriverApi RtMidiBackend::ensureApi()
{
    if (m_api == MidiDriverApi::Jack && m_jackWatch && m_jackWatch->lost()) {
        qDebug("MIDI: the JACK server has gone");
        dropEnumerationClients();
        m_jackWatch.reset();
        m_api = MidiDriverApi::None;
    }
    if (m_api != MidiDriverApi::None || m_setting == MidiApiSetting::Off)
        return m_api;
    const quint64 now = currentTimeNs();
    if (m_probed && now - m_lastProbeNs < ProbeIntervalNs)
        return MidiDriverApi::None;
    m_probed = true;
    m_lastProbeNs = now;
    // The client that tells us when the server goes is also the probe.
    m_api = chooseApi(m_setting, alsaSequencerOpens, [this] {
        m_jackWatch = JackServerWatch::open();
        return bool(m_jackWatch);
    });
    if (m_api != MidiDriverApi::Jack)
        m_jackWatch.reset();
    return m_api;
}

void RtMidiBackend::dropEnumerationClients()
{
    if (m_jackWatch && m_jackWatch->lost()) {
        abandon(m_enumerateInputs);
        abandon(m_enumerateOutputs);
    }
    destroyClient(m_enumerateInputs);
    destroyClient(m_enumerateOutputs);
}

LostFlag RtMidiBackend::serverLostFlag() const
{
    return m_jackWatch ? m_jackWatch->lostFlag() : LostFlag();
}

QStringList RtMidiBackend::portNames(MidiDirection direction)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const MidiDriverApi api = ensureApi();
    if (api == MidiDriverApi::None)
        return {};
    static ErrorFlag enumerationErrors;
    QStringList names;
    try {
        RtMidi *client = nullptr;
        if (direction == MidiDirection::Input) {
            if (!m_enumerateInputs) {
                ClientLock lock(clientMutex());
                m_enumerateInputs.reset(new RtMidiIn(libraryApi(api), InputClientName, InputQueueLimit));
                m_enumerateInputs->setErrorCallback(ErrorFlag::callback, &enumerationErrors);
            }
            client = m_enumerateInputs.get();
        } else {
            if (!m_enumerateOutputs) {
                ClientLock lock(clientMutex());
                m_enumerateOutputs.reset(new RtMidiOut(libraryApi(api), OutputClientName));
                m_enumerateOutputs->setErrorCallback(ErrorFlag::callback, &enumerationErrors);
            }
            client = m_enumerateOutputs.get();
        }
        // The count is read again before every step: ports come and go.
        for (unsigned i = 0; i < client->getPortCount(); ++i) {
            const QString name = QString::fromStdString(client->getPortName(i));
            if (!name.isEmpty())
                names << name;
        }
    } catch (const RtMidiError &e) {
        report(e);
        // A list the driver could not finish is not offered: no ports.
        names.clear();
    }
    return names;
}

std::unique_ptr<MidiOutputDevice> RtMidiBackend::openOutput(const QString &rawName,
                                                            const QString &clientName)
{
    MidiDriverApi api;
    LostFlag serverLost;
    std::shared_ptr<const JackServerWatch> watch; // under ALSA none: the index check has to do
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        api = ensureApi();
        serverLost = serverLostFlag();
        watch = m_jackWatch;
    }
    if (api == MidiDriverApi::None)
        return nullptr;
    // A client of ours that still closes may be linked to the port: until
    // its port has closed, that link would pass for the new one's.
    if (watch)
        closedJackOutputs().waitUntilClosed(rawName);
    return openDevice<RtMidiOutputDevice>(
        [&] { return new RtMidiOut(libraryApi(api), clientName.toStdString()); }, serverLost,
        rawName, OwnOutputPort,
        [&](RtMidiOutputDevice &device) {
            RtMidiOut *port = device.client.port.get();
            device.reaches = [=] {
                return watch ? watch->linkedNow(rawName, clientName, OwnOutputPort)
                             : findPort(*port, rawName) >= 0;
            };
        },
        [&] { return !watch || watch->linked(rawName, clientName, OwnOutputPort); });
}

std::unique_ptr<MidiInputDevice> RtMidiBackend::openInput(const QString &rawName,
                                                          const QString &clientName,
                                                          int ignoreFlags, MidiInputSink *sink)
{
    MidiDriverApi api;
    LostFlag serverLost;
    std::shared_ptr<const JackServerWatch> watch; // under ALSA none: the index check has to do
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        api = ensureApi();
        serverLost = serverLostFlag();
        watch = m_jackWatch;
    }
    if (api == MidiDriverApi::None || !sink)
        return nullptr;
    return openDevice<RtMidiInputDevice>(
        [&] { return new RtMidiIn(libraryApi(api), clientName.toStdString(), InputQueueLimit); },
        serverLost, rawName, OwnInputPort,
        [&](RtMidiInputDevice &device) {
            device.sink = sink;
            device.client.port->setCallback(RtMidiInputDevice::onMessage, &device);
            device.setIgnoreFlags(ignoreFlags);
        },
        [&] { return !watch || watch->linked(rawName, clientName, OwnInputPort); });
}
