// MIDI clock: how closely sent timing clocks keep to their grid, what a
// clock output costs while playing, and how long a document following a
// jittery clock takes until its `Tempo` settles. Times are reported as
// counters (ms or s), CPU use as a percentage of one core.
#include "Qmd/QmdMemModel.h"
#include "QmdVorma/DocumentKeys.h"
#include "midi/FakeMidiBackend.h"
#include "QmdVorma/playback/MidiOutputSyncClock.h"
#include "QmdVorma/playback/MidiSync.h"
#include "midi/Platform.h"
#include "QmdVorma/QmdVormaController.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <random>
#include <thread>

#include <sys/resource.h>

namespace {

const QString OutName = QStringLiteral("Bench Clock Out");
const QString InName = QStringLiteral("Bench Clock In");
constexpr quint64 MsNs = 1000000ull;
constexpr quint64 SecondNs = 1000000000ull;
// At 120 beats per minute: 24 clocks per beat, 48 per second.
constexpr double ClockSpacingNs = 62500000.0 / 3.0;

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
    ts.tv_sec = time_t(ns / SecondNs);
    ts.tv_nsec = long(ns % SecondNs);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void reportMs(benchmark::State &state, const char *name, std::vector<double> values)
{
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[std::size_t(q * double(values.size() - 1))]; };
    state.counters[std::string(name) + "_p50_ms"] = at(0.50);
    state.counters[std::string(name) + "_p99_ms"] = at(0.99);
    state.counters[std::string(name) + "_max_ms"] = values.back();
}

// Sent 0xF8 against the ideal grid at 120 beats per minute: each clock's
// send stamp minus the moment the clock's position reached it (the marking
// clock: the end of the lead-in). 10 s, 480 clocks.
void BM_ClockOutputJitter(benchmark::State &state)
{
    FakeSystem midi;
    MidiSync clock;
    clock.addSyncOutputs({OutName});
    std::vector<double> lateness;
    for (auto _ : state) {
        midi.fake->clearSentMessages(OutName);
        clock.reset();
        midi.fake->clearSentMessages(OutName);
        const quint64 start = currentTimeNs();
        clock.setPlayingAt(start, MidiSync::ClockLeadInNs, true);
        const quint64 mark = start + MidiSync::ClockLeadInNs;
        // Stopped half-way between two clocks, so the stop's catch-up has
        // nothing to send.
        sleepUntilNs(mark + quint64(480.5 * ClockSpacingNs));
        clock.setPlaying(false);
        const auto sent = midi.fake->sentMessages(OutName);
        int k = -1; // the marking clock is clock 0
        for (const auto &message : sent) {
            if (message.bytes != std::vector<quint8>{0xF8})
                continue;
            ++k;
            const quint64 ideal = mark + quint64(std::ceil(double(k) * ClockSpacingNs));
            lateness.push_back(double(qint64(message.sentNs) - qint64(ideal)) / 1e6);
        }
        state.counters["clocks"] = double(k + 1);
    }
    reportMs(state, "late", std::move(lateness));
}
BENCHMARK(BM_ClockOutputJitter)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The process's CPU use per clock output while the clock plays at 120
// beats per minute (the outputs' threads are the only busy ones); arg: the
// number of outputs, each on a port of its own.
void BM_ClockOutputCpu(benchmark::State &state)
{
    const int outputs = int(state.range(0));
    FakeSystem midi;
    QSet<QString> names;
    for (int i = 0; i < outputs; ++i) {
        const QString name = OutName + QString::number(i);
        midi.fake->addPort(MidiDirection::Output, name);
        names.insert(name);
    }
    MidiSync clock;
    clock.addSyncOutputs(names);
    clock.setPlaying(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    double percent = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        const quint64 wallBefore = currentTimeNs();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double wall = double(currentTimeNs() - wallBefore) / 1e9;
        percent = (cpuSeconds() - before) / wall * 100.0;
    }
    clock.setPlaying(false);
    state.counters["cpu_percent_of_one_core_per_output"] = percent / outputs;
}
BENCHMARK(BM_ClockOutputCpu)->Arg(1)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A document following synthetic 0xF8 at 120 beats per minute, each sent up
// to 0.5 ms off its grid time (uniformly), through the fake input: when its
// `Tempo` reached 120 for the last time, counted from the first clock, and
// what it ended at after 10 s.
void BM_FollowTempoSettling(benchmark::State &state)
{
    int argc = 1;
    char name[] = "bench_midiclock";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    FakeSystem midi;
    QmdMemModel model(Qmd::StrDict);
    QmdVormaController controller;
    controller.setModel(&model);
    controller.requestSetData(QmdVorma::Keys::Tempo, 90u);
    const QmdIndex inputs = controller.syncMidiInputsIndex();
    controller.requestSetTypeIfInvalid(InName, Qmd::StrDict, inputs);
    controller.requestSetData(QmdVorma::Keys::MidiSync, true, controller.index(InName, inputs));
    QCoreApplication::processEvents();

    for (auto _ : state) {
        std::atomic<quint64> firstClock{0};
        std::atomic<bool> done{false};
        std::thread source([&] {
            std::mt19937 random(1);
            std::uniform_int_distribution<qint64> jitter(-500000, 500000);
            midi.fake->inject(InName, {0xFA});
            const quint64 start = currentTimeNs() + MsNs;
            quint64 previous = currentTimeNs();
            for (int k = 0; k < 480; ++k) {
                const quint64 at = quint64(qint64(start + quint64(double(k) * ClockSpacingNs)) + jitter(random));
                sleepUntilNs(at);
                const quint64 now = currentTimeNs();
                if (k == 0)
                    firstClock = now;
                midi.fake->inject(InName, {0xF8}, double(now - previous) / 1e9);
                previous = now;
            }
            done = true;
        });
        uint tempo = controller.data(QmdVorma::Keys::Tempo).toUInt();
        quint64 lastChange = 0;
        int changes = 0;
        while (!done.load()) {
            QCoreApplication::processEvents();
            const uint now = controller.data(QmdVorma::Keys::Tempo).toUInt();
            if (now != tempo) {
                tempo = now;
                lastChange = currentTimeNs();
                ++changes;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        source.join();
        QCoreApplication::processEvents();
        state.counters["final_tempo"] = controller.data(QmdVorma::Keys::Tempo).toUInt();
        state.counters["settled_after_s"] = double(lastChange - firstClock.load()) / 1e9;
        state.counters["tempo_changes"] = changes;
        midi.fake->inject(InName, {0xFC});
        midi.fake->waitUntilDelivered();
    }
    controller.setModel(nullptr);
}
BENCHMARK(BM_FollowTempoSettling)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
