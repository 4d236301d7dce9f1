// Costs and lateness of the engine: timed queues, sending through a shared
// port into the fake MIDI system, carrying input off the driver's thread,
// and instruments' output threads. Lateness figures are reported as
// counters (ms), CPU use as a percentage of one core.
#include "QmdVorma/FakeMidiBackend.h"
#include "QmdVorma/MidiInput.h"
#include "QmdVorma/MidiInstrument.h"
#include "QmdVorma/MidiOutput.h"
#include "QmdVorma/MidiSync.h"
#include "QmdVorma/Platform.h"
#include "QmdVorma/TimedQueue.h"

#include <benchmark/benchmark.h>

#include <QBitArray>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <thread>

#include <sys/resource.h>

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

void reportLateness(benchmark::State &state, std::vector<double> latenessMs)
{
    if (latenessMs.empty())
        return;
    std::sort(latenessMs.begin(), latenessMs.end());
    auto at = [&](double q) { return latenessMs[std::size_t(q * double(latenessMs.size() - 1))]; };
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = latenessMs.back();
}

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
// moment is known when the note is queued).
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

} // namespace

BENCHMARK_MAIN();
