#include "midi/FakeMidiBackend.h"

#include "midi/ClosedClientReaper.h"
#include "midi/Platform.h"
#include "midi/PriorityInheritanceMutex.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

class FakeInputDevice;

struct FakePort
{
    MidiDirection direction;
    QString name;
    bool present = true;
    bool failSends = false;
    QVector<FakeMidiBackend::SentMessage> sent;
    int openDevices = 0;
    int totalOpens = 0;
    std::vector<FakeInputDevice *> inputs;
};

} // namespace

struct FakeMidiBackend::State
{
    mutable PriorityInheritanceMutex mutex;
    mutable std::condition_variable_any changed;
    std::vector<std::shared_ptr<FakePort>> ports; // every port ever added, newest last

    struct Pending
    {
        std::shared_ptr<FakePort> port;
        std::vector<quint8> bytes;
        double deltaTime;
    };
    std::condition_variable_any wake;
    std::deque<Pending> pending;
    int liveClients = 0;
    quint64 injected = 0;
    quint64 delivered = 0;
    bool stop = false;
    std::thread driver;

    // Caller holds the mutex.
    std::shared_ptr<FakePort> find(MidiDirection direction, const QString &name, bool presentOnly) const
    {
        for (auto it = ports.rbegin(); it != ports.rend(); ++it) {
            if ((*it)->direction == direction && (*it)->name == name
                && (!presentOnly || (*it)->present))
                return *it;
        }
        return nullptr;
    }

    void runDriver();

    // Caller holds the mutex.
    void closeClient(ClosedClientReaper &reaper, const std::shared_ptr<State> &self)
    {
        reaper.add([self] {
            std::lock_guard<PriorityInheritanceMutex> lock(self->mutex);
            --self->liveClients;
            self->changed.notify_all();
        });
    }
};

namespace {

using Reaper = std::shared_ptr<ClosedClientReaper>;

class FakeOutputDevice : public MidiOutputDevice
{
public:
    FakeOutputDevice(std::shared_ptr<FakeMidiBackend::State> state, std::shared_ptr<FakePort> port,
                     Reaper reaper)
        : m_state(std::move(state))
        , m_port(std::move(port))
        , m_reaper(std::move(reaper))
    {
    }
    ~FakeOutputDevice() override { close(); }

    bool send(const unsigned char *bytes, std::size_t size) override
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
        if (m_closed || !m_port->present || m_port->failSends)
            return false;
        m_port->sent.append({std::vector<quint8>(bytes, bytes + size), currentTimeNs()});
        m_state->changed.notify_all();
        return true;
    }

    bool close() override
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
        if (!m_closed) {
            m_closed = true;
            --m_port->openDevices;
            m_state->closeClient(*m_reaper, m_state);
        }
        return true;
    }

    bool reachesPort() override
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
        return !m_closed && m_port->present;
    }

private:
    std::shared_ptr<FakeMidiBackend::State> m_state;
    std::shared_ptr<FakePort> m_port;
    Reaper m_reaper;
    bool m_closed = false;
};

class FakeInputDevice : public MidiInputDevice
{
public:
    FakeInputDevice(std::shared_ptr<FakeMidiBackend::State> state, std::shared_ptr<FakePort> port,
                    Reaper reaper, int ignoreFlags, MidiInputSink *sink)
        : m_state(std::move(state))
        , m_port(std::move(port))
        , m_reaper(std::move(reaper))
        , sink(sink)
        , ignoreFlags(ignoreFlags)
    {
        // Caller holds the mutex.
        m_port->inputs.push_back(this);
    }
    ~FakeInputDevice() override { close(); }

    void setIgnoreFlags(int flags) override
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
        ignoreFlags = flags;
    }

    bool close() override
    {
        // The driver delivers under the same mutex, so once this returns the
        // sink is never called again.
        std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
        if (!m_closed) {
            m_closed = true;
            --m_port->openDevices;
            auto &inputs = m_port->inputs;
            inputs.erase(std::remove(inputs.begin(), inputs.end(), this), inputs.end());
            m_state->closeClient(*m_reaper, m_state);
        }
        return true;
    }

private:
    std::shared_ptr<FakeMidiBackend::State> m_state;
    std::shared_ptr<FakePort> m_port;
    Reaper m_reaper;
    bool m_closed = false;

public:
    MidiInputSink *const sink;
    int ignoreFlags; // under the state's mutex
};

} // namespace

void FakeMidiBackend::State::runDriver()
{
    std::unique_lock<PriorityInheritanceMutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stop || !pending.empty(); });
        if (stop)
            return;
        const Pending p = std::move(pending.front());
        pending.pop_front();
        if (p.port->present && !p.bytes.empty()) {
            for (FakeInputDevice *device : p.port->inputs) {
                if (!midiIgnores(device->ignoreFlags, p.bytes.front()))
                    device->sink->driverMessage(p.deltaTime, p.bytes.data(), p.bytes.size());
            }
        }
        ++delivered;
        changed.notify_all();
    }
}

FakeMidiBackend::FakeMidiBackend(quint64 clientGraceNs)
    : m_state(std::make_shared<State>())
    , m_reaper(std::make_shared<ClosedClientReaper>(clientGraceNs))
{
    State *state = m_state.get();
    m_state->driver = std::thread([state] { state->runDriver(); });
}

FakeMidiBackend::~FakeMidiBackend()
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
        m_state->stop = true;
    }
    m_state->wake.notify_all();
    m_state->driver.join();
}

std::shared_ptr<FakeMidiBackend> FakeMidiBackend::install(quint64 clientGraceNs)
{
    auto backend = std::make_shared<FakeMidiBackend>(clientGraceNs);
    MidiBackend::setCurrent(backend);
    return backend;
}

void FakeMidiBackend::addPort(MidiDirection direction, const QString &rawName)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    auto port = std::make_shared<FakePort>();
    port->direction = direction;
    port->name = rawName;
    m_state->ports.push_back(std::move(port));
}

void FakeMidiBackend::removePort(MidiDirection direction, const QString &rawName)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    if (const auto port = m_state->find(direction, rawName, true))
        port->present = false;
}

void FakeMidiBackend::setSendFailure(const QString &rawName, bool fail)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    if (const auto port = m_state->find(MidiDirection::Output, rawName, false))
        port->failSends = fail;
}

QVector<FakeMidiBackend::SentMessage> FakeMidiBackend::sentMessages(const QString &rawName) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    const auto port = m_state->find(MidiDirection::Output, rawName, false);
    if (!port)
        return QVector<SentMessage>();
    // A copy of its own: a shared one would let the sending thread append to
    // the buffer a reader still looks at once its reference is dropped
    // (implicit sharing checks the count without ordering the two).
    QVector<SentMessage> copy(port->sent.cbegin(), port->sent.cend());
    return copy;
}

void FakeMidiBackend::clearSentMessages(const QString &rawName)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    if (const auto port = m_state->find(MidiDirection::Output, rawName, false))
        port->sent.clear();
}

bool FakeMidiBackend::waitForSentMessages(const QString &rawName, int count, int timeoutMs) const
{
    std::unique_lock<PriorityInheritanceMutex> lock(m_state->mutex);
    return m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        const auto port = m_state->find(MidiDirection::Output, rawName, false);
        return port && port->sent.size() >= count;
    });
}

void FakeMidiBackend::inject(const QString &rawName, const std::vector<quint8> &bytes, double deltaTime)
{
    {
        std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
        const auto port = m_state->find(MidiDirection::Input, rawName, false);
        if (!port)
            return;
        m_state->pending.push_back({port, bytes, deltaTime});
        ++m_state->injected;
    }
    m_state->wake.notify_all();
}

void FakeMidiBackend::waitUntilDelivered()
{
    std::unique_lock<PriorityInheritanceMutex> lock(m_state->mutex);
    const quint64 target = m_state->injected;
    m_state->changed.wait(lock, [&] { return m_state->delivered >= target; });
}

std::thread::id FakeMidiBackend::driverThreadId() const
{
    return m_state->driver.get_id();
}

int FakeMidiBackend::openDeviceCount(MidiDirection direction, const QString &rawName) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    const auto port = m_state->find(direction, rawName, false);
    return port ? port->openDevices : 0;
}

int FakeMidiBackend::totalOpenCount(MidiDirection direction, const QString &rawName) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    const auto port = m_state->find(direction, rawName, false);
    return port ? port->totalOpens : 0;
}

int FakeMidiBackend::deviceIgnoreFlags(const QString &rawName) const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    const auto port = m_state->find(MidiDirection::Input, rawName, false);
    return port && !port->inputs.empty() ? port->inputs.front()->ignoreFlags : -1;
}

int FakeMidiBackend::liveClientCount() const
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    return m_state->liveClients;
}

QString FakeMidiBackend::apiName() const
{
    return QStringLiteral("fake");
}

QStringList FakeMidiBackend::portNames(MidiDirection direction)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    QStringList names;
    for (const auto &port : m_state->ports) {
        if (port->direction == direction && port->present)
            names << port->name;
    }
    return names;
}

std::unique_ptr<MidiOutputDevice> FakeMidiBackend::openOutput(const QString &rawName, const QString &)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    const auto port = m_state->find(MidiDirection::Output, rawName, true);
    if (!port)
        return nullptr;
    ++port->openDevices;
    ++port->totalOpens;
    ++m_state->liveClients;
    return std::make_unique<FakeOutputDevice>(m_state, port, m_reaper);
}

std::unique_ptr<MidiInputDevice> FakeMidiBackend::openInput(const QString &rawName, const QString &,
                                                            int ignoreFlags, MidiInputSink *sink)
{
    std::lock_guard<PriorityInheritanceMutex> lock(m_state->mutex);
    const auto port = m_state->find(MidiDirection::Input, rawName, true);
    if (!port || !sink)
        return nullptr;
    ++port->openDevices;
    ++port->totalOpens;
    ++m_state->liveClients;
    return std::make_unique<FakeInputDevice>(m_state, port, m_reaper, ignoreFlags, sink);
}
