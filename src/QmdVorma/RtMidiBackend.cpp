#include "QmdVorma/RtMidiBackend.h"

#include "QmdVorma/Platform.h"

#include <QDebug>

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

#include <atomic>

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
};

RtMidi::Api libraryApi(MidiDriverApi api)
{
    return api == MidiDriverApi::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

// The index of the port with that raw name in the client's own list, or -1.
int findPort(RtMidi &client, const QString &rawName)
{
    for (unsigned i = 0; i < client.getPortCount(); ++i) {
        if (QString::fromStdString(client.getPortName(i)) == rawName)
            return int(i);
    }
    return -1;
}

void report(const RtMidiError &e)
{
    qDebug("MIDI: %s", e.getMessage().c_str());
}

// Closes the port and destroys the client. Destroying it stops the
// driver's thread, after which an input's sink is never called again.
template <class Client>
bool closeClient(std::unique_ptr<Client> &port, ErrorFlag &error)
{
    if (!port)
        return true;
    error.raised.store(false);
    bool ok = true;
    try {
        port->closePort();
    } catch (const RtMidiError &e) {
        report(e);
        ok = false;
    }
    port.reset();
    return ok && !error.raised.load();
}

class RtMidiOutputDevice : public MidiOutputDevice
{
public:
    ErrorFlag error;
    std::unique_ptr<RtMidiOut> port;

    bool send(const unsigned char *bytes, std::size_t size) override
    {
        if (!port)
            return false;
        error.raised.store(false);
        try {
            port->sendMessage(bytes, size);
        } catch (const RtMidiError &e) {
            report(e);
            return false;
        }
        return !error.raised.load();
    }

    bool close() override { return closeClient(port, error); }
};

class RtMidiInputDevice : public MidiInputDevice
{
public:
    ErrorFlag error;
    std::unique_ptr<RtMidiIn> port;

    static void onMessage(double deltaTime, std::vector<unsigned char> *message, void *sink)
    {
        if (message && !message->empty())
            static_cast<MidiInputSink *>(sink)->driverMessage(deltaTime, message->data(),
                                                              message->size());
    }

    void setIgnoreFlags(int flags) override
    {
        if (!port)
            return;
        try {
            port->ignoreTypes(flags & MidiIgnoreSysex, flags & MidiIgnoreTiming,
                              flags & MidiIgnoreActiveSensing);
        } catch (const RtMidiError &e) {
            report(e);
        }
    }

    bool close() override { return closeClient(port, error); }
};

// Makes the device's client, finds the port by its raw name in the client's
// own list (the list may have changed since it was enumerated), lets
// prepare() set the client up and opens the port; null when any step fails.
template <class Device, class Create, class Prepare>
std::unique_ptr<Device> openDevice(Create create, const QString &rawName, const char *portName,
                                   Prepare prepare)
{
    auto device = std::make_unique<Device>();
    try {
        device->port.reset(create());
        device->port->setErrorCallback(ErrorFlag::callback, &device->error);
        const int index = findPort(*device->port, rawName);
        if (index < 0)
            return nullptr;
        prepare(*device);
        device->port->openPort(unsigned(index), portName);
    } catch (const RtMidiError &e) {
        report(e);
        return nullptr;
    }
    if (device->error.raised.load())
        return nullptr;
    return device;
}

void quietJackMessage(const char *) {}

} // namespace

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
        RtMidiOut probe(RtMidi::LINUX_ALSA, OutputClientName);
        return true;
    } catch (const RtMidiError &e) {
        report(e);
        return false;
    }
}

bool RtMidiBackend::jackServerRuns()
{
    // libjack prints every failed connection to stderr; the probe repeats
    // while no server runs.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        jack_set_error_function(quietJackMessage);
        jack_set_info_function(quietJackMessage);
    });
    jack_status_t status;
    jack_client_t *client = jack_client_open("vorma-probe", JackNoStartServer, &status);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
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
    if (m_api != MidiDriverApi::None || m_setting == MidiApiSetting::Off)
        return m_api;
    const quint64 now = currentTimeNs();
    if (m_probed && now - m_lastProbeNs < ProbeIntervalNs)
        return MidiDriverApi::None;
    m_probed = true;
    m_lastProbeNs = now;
    m_api = chooseApi(m_setting, alsaSequencerOpens, jackServerRuns);
    return m_api;
}

void RtMidiBackend::dropEnumerationClients()
{
    m_enumerateInputs.reset();
    m_enumerateOutputs.reset();
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
                m_enumerateInputs.reset(new RtMidiIn(libraryApi(api), InputClientName, InputQueueLimit));
                m_enumerateInputs->setErrorCallback(ErrorFlag::callback, &enumerationErrors);
            }
            client = m_enumerateInputs.get();
        } else {
            if (!m_enumerateOutputs) {
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
    }
    return names;
}

std::unique_ptr<MidiOutputDevice> RtMidiBackend::openOutput(const QString &rawName,
                                                            const QString &clientName)
{
    const MidiDriverApi api = this->api();
    if (api == MidiDriverApi::None)
        return nullptr;
    return openDevice<RtMidiOutputDevice>(
        [&] { return new RtMidiOut(libraryApi(api), clientName.toStdString()); }, rawName,
        "RtMidi Output", [](RtMidiOutputDevice &) {});
}

std::unique_ptr<MidiInputDevice> RtMidiBackend::openInput(const QString &rawName,
                                                          const QString &clientName,
                                                          int ignoreFlags, MidiInputSink *sink)
{
    const MidiDriverApi api = this->api();
    if (api == MidiDriverApi::None || !sink)
        return nullptr;
    return openDevice<RtMidiInputDevice>(
        [&] { return new RtMidiIn(libraryApi(api), clientName.toStdString(), InputQueueLimit); },
        rawName, "RtMidi Input", [&](RtMidiInputDevice &device) {
            device.port->setCallback(RtMidiInputDevice::onMessage, sink);
            device.setIgnoreFlags(ignoreFlags);
        });
}
