// Costs and lateness of the engine: timed queues, sending through a shared
// port into the fake MIDI system, carrying input off the driver's thread,
// instruments' output threads, and whole networks played by voice groups.
// Lateness figures are reported as counters (ms), CPU use as a percentage of
// one core.
#include "QmdVorma/playback/InstrumentTestSupport.h"

#include "QmdVorma/DocumentDefaults.h"
#include "midi/FakeMidiBackend.h"
#include "midi/MidiInput.h"
#include "QmdVorma/playback/MidiInstrument.h"
#include "midi/MidiOutput.h"
#include "QmdVorma/playback/MidiSync.h"
#include "midi/Platform.h"
#include "midi/RtMidiBackend.h"
#include "QmdVorma/PitchNames.h"
#include "QmdVorma/playback/TimedQueue.h"
#include "QmdVorma/playback/VoiceGroup.h"

#include <benchmark/benchmark.h>

#include <QBitArray>
#include <QCoreApplication>
#include <QMap>

#include <RtMidi.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>

#include <csignal>

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RunBenchmarks.h"

namespace {

const QString OutName = QStringLiteral("Bench Out");
const QString InName = QStringLiteral("Bench In");

struct FakeSystem
{
    FakeSystem() : fake(FakeMidiBackend::install())
    {
        fake->addPort(MidiDirection::Output, OutName);
        fake->addPort(MidiDirection::Input, InName);
    }
    ~FakeSystem() { MidiBackend::setCurrent(nullptr); }
    std::shared_ptr<FakeMidiBackend> fake;
};

void sleepUntilNs(quint64 ns)
{
    timespec ts;
    ts.tv_sec = time_t(ns / 1000000000ull);
    ts.tv_nsec = long(ns % 1000000000ull);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

void reportLateness(benchmark::State &state, std::vector<double> latenessMs, const std::string &prefix = {})
{
    if (latenessMs.empty())
        return;
    std::sort(latenessMs.begin(), latenessMs.end());
    auto at = [&](double q) { return latenessMs[std::size_t(q * double(latenessMs.size() - 1))]; };
    state.counters[prefix + "p50_ms"] = at(0.50);
    state.counters[prefix + "p99_ms"] = at(0.99);
    state.counters[prefix + "max_ms"] = latenessMs.back();
}

// VORMA_BENCH_LOAD=N: N child processes of normal priority that spin and
// churn memory (map, touch and unmap 200 MB, over and over) while they
// live, as other programs on a musician's machine do. The children use
// nothing but system calls: the parent has threads, and a forked child may
// only rely on what is async-signal-safe.
class BackgroundLoad
{
public:
    BackgroundLoad()
    {
        const int n = qEnvironmentVariableIntValue("VORMA_BENCH_LOAD");
        for (int i = 0; i < n; ++i) {
            const pid_t pid = fork();
            if (pid == 0)
                churn();
            if (pid > 0)
                m_children.push_back(pid);
        }
    }
    ~BackgroundLoad()
    {
        for (pid_t pid : m_children)
            kill(pid, SIGKILL);
        for (pid_t pid : m_children)
            waitpid(pid, nullptr, 0);
    }
    int size() const { return int(m_children.size()); }

private:
    [[noreturn]] static void churn()
    {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const sched_param normal{};
        sched_setscheduler(0, SCHED_OTHER, &normal);
        constexpr std::size_t Bytes = 200u << 20;
        const long page = sysconf(_SC_PAGESIZE);
        for (;;) {
            void *p = mmap(nullptr, Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED)
                continue;
            auto *bytes = static_cast<volatile char *>(p);
            for (std::size_t i = 0; i < Bytes; i += std::size_t(page))
                bytes[i] = char(i);
            munmap(p, Bytes);
        }
    }

    std::vector<pid_t> m_children;
};

// The floor under every lateness figure here: a thread with the engine's
// scheduling that does nothing but wake every millisecond, beside the same
// VORMA_BENCH_LOAD. The engine's threads wait for the processor as this one
// does, and a note due while they wait is as late, so judge
// BM_NetworkNoteOnLateness against this machine's figure (on a virtual
// machine the host's own scheduling shows here).
void BM_BareThreadWakeLateness(benchmark::State &state)
{
    constexpr quint64 PeriodNs = 1000000;
    constexpr quint64 RunNs = 30000000000ull;
    std::vector<double> lateness;
    lateness.reserve(RunNs / PeriodNs);
    bool realTime = false;
    int load = 0;
    for (auto _ : state) {
        const BackgroundLoad background;
        load = background.size();
        std::thread sleeper([&] {
            realTime = applyCurrentThreadPriority(QThread::TimeCriticalPriority);
            const quint64 start = currentTimeNs();
            for (quint64 due = start + PeriodNs; due < start + RunNs; due += PeriodNs) {
                sleepUntilNs(due);
                lateness.push_back(double(currentTimeNs() - due) / 1e6);
            }
        });
        sleeper.join();
    }
    state.counters["real_time"] = realTime ? 1 : 0;
    state.counters["load_processes"] = load;
    reportLateness(state, std::move(lateness));
}
BENCHMARK(BM_BareThreadWakeLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TimedQueuePushAndTake(benchmark::State &state)
{
    TimedQueue<MidiOutputMessage> queue;
    std::vector<MidiOutputMessage> batch;
    batch.reserve(32);
    QmdVorma::Ticks t = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            queue.push(noteOnMessage(t + QmdVorma::Ticks(i), 60, 100));
        while (!queue.isEmpty()) {
            batch.clear();
            queue.takeDue(batch, 32, t + 1000);
        }
        t += 1000;
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_TimedQueuePushAndTake);

void BM_SendNoteOnFourChannels(benchmark::State &state)
{
    FakeSystem midi;
    MidiOutput output;
    output.open(OutName);
    QBitArray channels(16);
    for (int c = 0; c < 4; ++c)
        channels.setBit(c);
    output.setChannels(channels);
    const std::vector<MidiOutputMessage> batch{noteOnMessage(0, 60, 100)};
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(output.sendMessages(batch));
        if (++n % 4096 == 0) {
            state.PauseTiming();
            midi.fake->clearSentMessages(OutName);
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendNoteOnFourChannels);

// A sender thread in the shape of an instrument's output thread: messages
// stamped with their due time wait in a timed queue; the thread takes what
// is due (at most 32) and sends it. Lateness is the fake port's receive
// stamp minus the due time. Arg 0: the thread polls every 500 us; arg 1: it
// sleeps until the first queued message is due (woken early when a new one
// is queued).
void BM_FutureMessageLateness(benchmark::State &state)
{
    const bool sleepUntilDue = state.range(0) == 1;
    FakeSystem midi;
    MidiOutput output;
    output.open(OutName);
    QBitArray channels(16);
    channels.setBit(0);
    output.setChannels(channels);

    std::vector<double> lateness;
    for (auto _ : state) {
        midi.fake->clearSentMessages(OutName);
        TimedQueue<MidiOutputMessage> queue;
        std::mutex wakeMutex;
        std::condition_variable wake;
        std::atomic<bool> stop{false};
        std::thread sender([&] {
            applyCurrentThreadPriority(QThread::TimeCriticalPriority);
            std::vector<MidiOutputMessage> batch;
            batch.reserve(32);
            while (!stop.load()) {
                batch.clear();
                queue.takeDue(batch, 32, currentTimeNs());
                if (!batch.empty())
                    output.sendMessages(batch);
                if (!sleepUntilDue) {
                    std::this_thread::sleep_for(std::chrono::microseconds(500));
                    continue;
                }
                QmdVorma::Ticks next = 0;
                std::unique_lock<std::mutex> lock(wakeMutex);
                if (queue.nextTime(&next))
                    wake.wait_for(lock, std::chrono::nanoseconds(qint64(next) - qint64(currentTimeNs())));
                else
                    wake.wait_for(lock, std::chrono::milliseconds(10));
            }
        });

        // 400 notes over about 2 s, each queued 20 to 40 ms ahead, as a voice
        // group queues them.
        constexpr int Notes = 400;
        std::vector<quint64> due(Notes);
        const quint64 start = currentTimeNs();
        for (int i = 0; i < Notes; ++i) {
            sleepUntilNs(start + quint64(i) * 5000000ull);
            due[i] = currentTimeNs() + 20000000ull + quint64(i % 5) * 5000000ull;
            // The key and velocity bytes carry the note's number.
            queue.push(noteOnMessage(due[i], i >> 7, i & 0x7F));
            std::lock_guard<std::mutex> lock(wakeMutex);
            wake.notify_one();
        }
        midi.fake->waitForSentMessages(OutName, Notes, 2000);
        stop = true;
        {
            std::lock_guard<std::mutex> lock(wakeMutex);
            wake.notify_one();
        }
        sender.join();
        for (const auto &sent : midi.fake->sentMessages(OutName)) {
            const int i = (sent.bytes[1] << 7) | sent.bytes[2];
            lateness.push_back(double(qint64(sent.sentNs) - qint64(due[i])) / 1e6);
        }
    }
    reportLateness(state, std::move(lateness));
}
BENCHMARK(BM_FutureMessageLateness)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the driver's callback to a directly connected receiver on the
// port layer's thread.
void BM_InputRelayLatency(benchmark::State &state)
{
    FakeSystem midi;
    MidiInput input;
    input.setIgnoreFlags(0);
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;
    std::vector<double> delays;
    QObject::connect(&input, &MidiInput::readyRead, [&](MidiInput *in) {
        const quint64 now = currentTimeNs();
        std::lock_guard<std::mutex> lock(mutex);
        for (const MidiInputMessage &m : in->takeMessages()) {
            delays.push_back(double(now - m.receivedNs) / 1e6);
            ++count;
        }
        arrived.notify_all();
    });
    input.open(InName);
    int target = 0;
    for (auto _ : state) {
        ++target;
        midi.fake->inject(InName, {0xF8});
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait(lock, [&] { return count >= target; });
    }
    input.close();
    reportLateness(state, std::move(delays));
}
BENCHMARK(BM_InputRelayLatency);

// An instrument's output thread at work: future-stamped notes queued 20 to
// 40 ms ahead, as a voice group queues them, sent when the clock reaches
// their tick. Lateness is the fake port's receive stamp minus the moment
// the clock reached the tick (the tempo does not change meanwhile, so that
// moment is known when the note is queued). VORMA_BENCH_LOAD applies here
// too (BackgroundLoad).
void BM_InstrumentLateness(benchmark::State &state)
{
    FakeSystem midi;
    MidiSync sync;
    MidiInstrument instrument(0);
    instrument.open(OutName);
    QBitArray channels(16);
    channels.setBit(0);
    instrument.setChannels(channels);
    instrument.setSync(&sync);
    instrument.start(QThread::TimeCriticalPriority);
    sync.setPlaying(true);
    instrument.play();

    std::vector<double> lateness;
    for (auto _ : state) {
        midi.fake->clearSentMessages(OutName);
        const BackgroundLoad background;
        constexpr int Notes = 400;
        std::vector<quint64> due(Notes);
        const quint64 start = currentTimeNs();
        for (int i = 0; i < Notes; ++i) {
            sleepUntilNs(start + quint64(i) * 5000000ull);
            const QmdVorma::Ticks tick =
                sync.currentTicks() + sync.nsToTicks(20000000ull + quint64(i % 5) * 5000000ull);
            sync.dueTimeNs(tick, &due[i]);
            instrument.queueMessage(noteOnMessage(tick, i >> 7, i & 0x7F));
        }
        midi.fake->waitForSentMessages(OutName, Notes, 2000);
        for (const auto &sent : midi.fake->sentMessages(OutName)) {
            const int i = (sent.bytes[1] << 7) | sent.bytes[2];
            lateness.push_back(double(qint64(sent.sentNs) - qint64(due[i])) / 1e6);
        }
    }
    instrument.terminateSafely();
    instrument.wait();
    reportLateness(state, std::move(lateness));
}
BENCHMARK(BM_InstrumentLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

struct ProcessUsage
{
    double cpuSeconds = 0;
    long contextSwitches = 0;

    static ProcessUsage now()
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
        return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw + usage.ru_nivcsw};
    }
};

// The process's CPU use while a document with 16 instruments has nothing
// to send: arg 1 playing, arg 0 stopped (clock standing, threads paused).
void BM_IdleInstrumentsCpu(benchmark::State &state)
{
    const bool playing = state.range(0) == 1;
    FakeSystem midi;
    MidiSync sync;
    std::vector<std::unique_ptr<MidiInstrument>> instruments;
    for (int i = 0; i < 16; ++i) {
        auto instrument = std::make_unique<MidiInstrument>(QmdItemId(i + 1));
        instrument->open(OutName);
        instrument->setSync(&sync);
        instrument->start(QThread::TimeCriticalPriority);
        instruments.push_back(std::move(instrument));
    }
    sync.setPlaying(playing);
    for (auto &instrument : instruments) {
        if (playing)
            instrument->play();
        else
            instrument->pauseAndWait();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    double percent = 0;
    double switches = 0;
    for (auto _ : state) {
        const ProcessUsage before = ProcessUsage::now();
        const quint64 wallBefore = currentTimeNs();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const double wall = double(currentTimeNs() - wallBefore) / 1e9;
        const ProcessUsage after = ProcessUsage::now();
        percent = (after.cpuSeconds - before.cpuSeconds) / wall * 100.0;
        switches = double(after.contextSwitches - before.contextSwitches) / wall;
    }
    for (auto &instrument : instruments) {
        instrument->terminateSafely();
        instrument->wait();
    }
    state.counters["cpu_percent_of_one_core"] = percent;
    state.counters["context_switches_per_s"] = switches;
}
BENCHMARK(BM_IdleInstrumentsCpu)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every message an output device hands to its driver, stamped on its way:
// the moment the user's synthesizer is sent the note, whichever MIDI system
// carries it.
class StampingBackend : public MidiBackend
{
public:
    struct Sent
    {
        std::vector<quint8> bytes;
        quint64 sentNs = 0;
    };

    explicit StampingBackend(std::shared_ptr<MidiBackend> inner)
        : m_inner(std::move(inner))
    {
        // Room for every message of a run up front: growing the list would
        // map fresh memory inside the send being measured.
        m_sent.reserve(1 << 16);
    }

    QString apiName() const override { return m_inner->apiName(); }
    QStringList portNames(MidiDirection direction) override { return m_inner->portNames(direction); }
    std::unique_ptr<MidiOutputDevice> openOutput(const QString &rawName, const QString &clientName) override
    {
        std::unique_ptr<MidiOutputDevice> device = m_inner->openOutput(rawName, clientName);
        if (!device)
            return nullptr;
        return std::make_unique<Device>(std::move(device), this);
    }
    std::unique_ptr<MidiInputDevice> openInput(const QString &rawName, const QString &clientName, int ignoreFlags,
                                               MidiInputSink *sink) override
    {
        return m_inner->openInput(rawName, clientName, ignoreFlags, sink);
    }

    std::vector<Sent> sent() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sent;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sent.clear();
    }

private:
    class Device : public MidiOutputDevice
    {
    public:
        Device(std::unique_ptr<MidiOutputDevice> inner, StampingBackend *owner)
            : m_inner(std::move(inner))
            , m_owner(owner)
        {
        }
        bool send(const unsigned char *bytes, std::size_t size) override
        {
            const quint64 now = currentTimeNs();
            {
                std::lock_guard<std::mutex> lock(m_owner->m_mutex);
                m_owner->m_sent.push_back({std::vector<quint8>(bytes, bytes + size), now});
            }
            return m_inner->send(bytes, size);
        }
        bool close() override { return m_inner->close(); }

    private:
        std::unique_ptr<MidiOutputDevice> m_inner;
        StampingBackend *m_owner;
    };

    const std::shared_ptr<MidiBackend> m_inner;
    mutable std::mutex m_mutex;
    std::vector<Sent> m_sent;
};

// With VORMA_BENCH_JACK=1 the network plays into a port of this process on
// the JACK server JACK_DEFAULT_SERVER names (for example a dummy server in
// synchronous mode: jackd -S -n bench --no-realtime -d dummy -r 48000 -p 64),
// which also notes when each message reaches it.
bool benchOnJack()
{
    return qEnvironmentVariable("VORMA_BENCH_JACK") == QLatin1String("1");
}

class JackRecorder
{
public:
    JackRecorder()
        : m_port(RtMidi::UNIX_JACK, "VormaBench")
    {
        m_received.reserve(1 << 16);
        m_port.ignoreTypes(false, false, false);
        m_port.setCallback(&JackRecorder::onMessage, this);
        m_port.openVirtualPort("recorder");
    }
    ~JackRecorder() { m_port.closePort(); }

    std::vector<StampingBackend::Sent> received() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.clear();
    }

    const QString name = QStringLiteral("VormaBench:recorder");

private:
    static void onMessage(double, std::vector<unsigned char> *message, void *self)
    {
        auto *recorder = static_cast<JackRecorder *>(self);
        const quint64 now = currentTimeNs();
        std::lock_guard<std::mutex> lock(recorder->m_mutex);
        recorder->m_received.push_back({*message, now});
    }

    mutable std::mutex m_mutex;
    std::vector<StampingBackend::Sent> m_received;
    RtMidiIn m_port;
};

// Whether this process's threads get the real-time scheduling the engine
// asks for (VORMA_REALTIME=0, or no right to it, leaves them without).
bool engineThreadsRealTime()
{
    bool realTime = false;
    std::thread probe([&] { realTime = applyCurrentThreadPriority(QThread::TimeCriticalPriority); });
    probe.join();
    return realTime;
}

// A network document drawn straight into the model, then attached to its
// controller as a window does, with one instrument on a fake port (or a
// JACK port, see benchOnJack()), every send stamped.
class BenchNetwork
{
public:
    static constexpr QmdVorma::Ticks Principal = QmdVorma::TicksPerPrincipal;

    explicit BenchNetwork(uint tempo)
    {
        QString port = QStringLiteral("Network Out");
        if (benchOnJack()) {
            stamps = std::make_shared<StampingBackend>(std::make_shared<RtMidiBackend>(MidiApiSetting::Jack));
            recorder = std::make_unique<JackRecorder>();
            port = recorder->name;
        } else {
            fake = std::make_shared<FakeMidiBackend>();
            fake->addPort(MidiDirection::Output, port);
            stamps = std::make_shared<StampingBackend>(fake);
        }
        MidiBackend::setCurrent(stamps);
        instrument = addInstrumentEntry(doc, {port, {0}});
        doc.write([tempo](QmdDirectModelInterface &d) { d.setData(QmdVorma::Keys::Tempo, tempo); });
    }
    ~BenchNetwork() { MidiBackend::setCurrent(nullptr); }

    QmdItemId node(QmdVorma::Ticks x, QmdVorma::Ticks y, const QString &notes)
    {
        using namespace QmdVorma;
        return doc.addElement({{Keys::Type, NodeElement},
                               {Keys::TickPos, QVariant::fromValue(TickPoint(qint64(x), qint64(y)))},
                               {Keys::Notes, notes},
                               {Keys::SignallingMethod, 0}});
    }
    QmdItemId edge(QmdItemId from, QmdItemId to, bool wormhole = false)
    {
        using namespace QmdVorma;
        const QmdItemId id = doc.addElement({{Keys::Type, EdgeElement},
                                             {Keys::FromNode, from},
                                             {Keys::ToNode, to},
                                             {Keys::Path, int(CityBlock)},
                                             {Keys::IsWormhole, wormhole}});
        const QString path = QStringLiteral("Elements/%1").arg(from);
        QString usage = doc.value(path, Keys::ArcUsageList).toString();
        usage += (usage.isEmpty() ? QString() : QStringLiteral(",")) + QStringLiteral("%1=1").arg(id);
        doc.write([&](QmdDirectModelInterface &d) { d.setData(Keys::ArcUsageList, usage, doc.index(path)); });
        return id;
    }
    QmdItemId group(QmdItemId to)
    {
        using namespace QmdVorma;
        QHash<QString, QVariant> values{{Keys::Type, VoiceGroupElement},
                                        {Keys::ToNode, to},
                                        {Keys::InitialInstrument, instrument}};
        for (const KeyValue &entry : voiceGroupDefaults())
            values.insert(entry.key, entry.value);
        return doc.addElement(values);
    }

    QmdVormaController &c() { return doc.controller; }
    QVector<PlaybackEvent> takeEvents()
    {
        std::vector<PlaybackEvent> batch;
        c().feedbackPipe().takeDue(batch, 1000000, std::numeric_limits<QmdVorma::Ticks>::max());
        return QVector<PlaybackEvent>(batch.begin(), batch.end());
    }
    void clearSent()
    {
        stamps->clear();
        if (fake)
            fake->clearSentMessages(QStringLiteral("Network Out"));
        if (recorder)
            recorder->clear();
    }

    std::shared_ptr<FakeMidiBackend> fake;
    std::shared_ptr<StampingBackend> stamps;
    std::unique_ptr<JackRecorder> recorder;
    VormaDocument doc;
    QmdItemId instrument = 0;
};

bool isNoteOn(const std::vector<quint8> &bytes)
{
    return bytes.size() == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] != 0;
}

// Eight voice groups, each circling a ring of eight nodes a quarter of a
// principal apart (64 nodes, 64 arrivals per second at 120 beats per
// minute), played from the start several times over, as a user presses
// play: the groups' steps fall wherever their threads' phases put them
// against the grid. Lateness: the moment each note-on was handed to the
// driver minus the moment the clock reached its arrival tick, for every
// note-on of every group, those of tick 0 included (also reported apart).
// Each node plays a pitch of its own, so note-ons and arrivals pair up per
// pitch in order. Then the CPU use of the process while that plays and
// while it stands. On JACK, heard_* is the same at the recorder's port.
// With VORMA_BENCH_LOAD=N the notes play beside N busy processes
// (BackgroundLoad).
void BM_NetworkNoteOnLateness(benchmark::State &state)
{
    using namespace QmdVorma;
    constexpr int Runs = 6;
    constexpr quint64 RunNs = 5000000000ull;
    BenchNetwork net(120);
    const Ticks quarter = BenchNetwork::Principal / 4;
    const QVector<QPair<int, int>> ring{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {2, 1}, {1, 1}, {0, 1}};
    for (int g = 0; g < 8; ++g) {
        QmdItemIdList nodes;
        for (int k = 0; k < ring.size(); ++k) {
            const QString notes = QStringLiteral("%1:96:0.2").arg(pitchName(quint8(36 + 8 * g + k)));
            nodes << net.node(Ticks(ring[k].first) * quarter, Ticks(ring[k].second + 3 * g) * quarter, notes);
        }
        for (int k = 0; k < nodes.size(); ++k)
            net.edge(nodes[k], nodes[(k + 1) % nodes.size()]);
        net.group(nodes.first());
    }
    net.doc.attach();
    QmdVormaController &c = net.c();
    AbstractSync *sync = c.sync();

    std::vector<double> lateness;
    std::vector<double> startLateness;
    std::vector<double> heard;
    double cpuPlaying = 0;
    double cpuStopped = 0;
    int load = 0;
    for (auto _ : state) {
        double cpuSeconds = 0;
        double playedSeconds = 0;
        std::unique_ptr<BackgroundLoad> background = std::make_unique<BackgroundLoad>();
        load = background->size();
        for (int run = 0; run < Runs; ++run) {
            c.requestPause();
            c.requestGotoStart();
            QCoreApplication::sendPostedEvents();
            net.takeEvents();
            net.clearSent();
            // Between runs the clock stands a while, so each start falls
            // elsewhere against the groups' threads.
            std::this_thread::sleep_for(std::chrono::milliseconds(37 + 11 * run));

            const ProcessUsage before = ProcessUsage::now();
            const quint64 wallBefore = currentTimeNs();
            c.requestPlay();
            // One exact pair of tick and time; the tempo stays, so every
            // other tick's moment follows from it.
            const Ticks anchor = sync->currentTicks() + sync->nsToTicks(50000000);
            quint64 anchorNs = 0;
            sync->dueTimeNs(anchor, &anchorNs);
            auto dueNs = [&](Ticks tick) {
                return tick >= anchor ? qint64(anchorNs + sync->ticksToNs(tick - anchor))
                                      : qint64(anchorNs - sync->ticksToNs(anchor - tick));
            };

            QMap<int, QVector<Ticks>> arrivals;
            auto collect = [&] {
                QCoreApplication::sendPostedEvents();
                for (const PlaybackEvent &e : net.takeEvents()) {
                    if (e.kind == PlaybackEvent::VoiceReachedNode)
                        arrivals[e.pitch] << e.time;
                }
            };
            while (currentTimeNs() - wallBefore < RunNs) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                collect();
            }
            c.requestPause();
            cpuSeconds += ProcessUsage::now().cpuSeconds - before.cpuSeconds;
            playedSeconds += double(currentTimeNs() - wallBefore) / 1e9;
            collect();

            auto pairUp = [&](const std::vector<StampingBackend::Sent> &messages, bool sent) {
                QMap<int, int> seen;
                for (const auto &m : messages) {
                    if (!isNoteOn(m.bytes))
                        continue;
                    const int pitch = m.bytes[1];
                    const int i = seen[pitch]++;
                    if (i >= arrivals[pitch].size())
                        continue;
                    const Ticks tick = arrivals[pitch][i];
                    const double ms = double(qint64(m.sentNs) - dueNs(tick)) / 1e6;
                    if (!sent) {
                        heard.push_back(ms);
                        continue;
                    }
                    lateness.push_back(ms);
                    if (tick == 0)
                        startLateness.push_back(ms);
                }
            };
            pairUp(net.stamps->sent(), true);
            if (net.recorder) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                pairUp(net.recorder->received(), false);
            }
        }
        background.reset();
        cpuPlaying = cpuSeconds / playedSeconds * 100.0;

        const ProcessUsage idle = ProcessUsage::now();
        const quint64 idleWall = currentTimeNs();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        cpuStopped = (ProcessUsage::now().cpuSeconds - idle.cpuSeconds) / (double(currentTimeNs() - idleWall) / 1e9)
                     * 100.0;
    }
    state.counters["real_time"] = engineThreadsRealTime() ? 1 : 0;
    state.counters["load_processes"] = load;
    state.counters["note_ons"] = double(lateness.size());
    state.counters["start_notes"] = double(startLateness.size());
    state.counters["start_max_ms"] =
        startLateness.empty() ? 0.0 : *std::max_element(startLateness.begin(), startLateness.end());
    state.counters["cpu_percent_playing"] = cpuPlaying;
    state.counters["cpu_percent_stopped"] = cpuStopped;
    reportLateness(state, std::move(heard), "heard_");
    reportLateness(state, std::move(lateness));
}
BENCHMARK(BM_NetworkNoteOnLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arrivals per second of one voice on one thread, with the notes evaluated:
// a node whose wormhole edge leads back to itself, so the voice arrives
// over and over. Arg 0: a single note; 1: an eight-note chord with lists; 2:
// nested sequential, parallel and random groups.
void BM_ArrivalsThroughAdvanceVoice(benchmark::State &state)
{
    static const char *const texts[] = {
        "C3",
        "[C3,E3:96,80:1,0.5 D3,F3:90:0.5 E3,G3:80,70:1 F3,A3:70:0.25 G3,B3:60:*2 A3,C4:50:/2 B3,D4:40:+0.5 "
        "C4,E4:30:50%]",
        "(C3 [D3 {E3 F3} (G3 A3)] {B3 [C4 D4]})",
    };
    BenchNetwork net(120);
    const QmdItemId node = net.node(0, 0, QString::fromLatin1(texts[state.range(0)]));
    net.edge(node, node, true);
    const QmdItemId groupId = net.group(node);
    net.doc.attach();
    QmdVormaController &c = net.c();
    c.sync()->setPlaying(true);
    c.instruments().value(net.instrument)->play();
    VoiceGroup *group = c.voiceGroups().value(groupId);
    group->resetTo(0, 1.0);

    int n = 0;
    for (auto _ : state) {
        group->stepOnce();
        if (++n % 128 == 0) {
            state.PauseTiming();
            QCoreApplication::sendPostedEvents();
            net.takeEvents();
            net.clearSent();
            state.ResumeTiming();
        }
    }
    // A step lets the voice round its loop of no time a few times over.
    const std::lock_guard<PriorityInheritanceMutex> arrival(c.nodeArrivalMutex());
    state.SetItemsProcessed(c.data(QmdVorma::Keys::HitCount, c.lookupElementStateIndex(node)).toLongLong());
    c.requestPause();
}
BENCHMARK(BM_ArrivalsThroughAdvanceVoice)->Arg(0)->Arg(1)->Arg(2)->MinTime(2.0);

} // namespace

// The controller finds its scale modes beside the program, and relays the
// model's signals through posted events: both need an application object.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
