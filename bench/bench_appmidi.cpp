// The application's MIDI through the fake MIDI system:
// - BM_EntryToThruLatency: a message played on the entry port until the
//   same bytes leave the thru port, through the relay thread, the GUI
//   thread's event loop and the thru instrument's thread (p50, p99, max);
// - BM_PortPoll: one port poll with 50 input and 50 output ports present,
//   on the GUI thread, with the names unchanged (the usual case, every
//   second) and with one port come or gone.
#include "app/ApplicationMidi.h"
#include "midi/FakeMidiBackend.h"
#include "midi/MidiInput.h"
#include "midi/Platform.h"

#include "RunBenchmarks.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const QString EntryName = QStringLiteral("Bench Keys");
const QString ThruName = QStringLiteral("Bench Thru");

struct FakeSystem
{
    FakeSystem() : fake(FakeMidiBackend::install()) {}
    ~FakeSystem() { MidiBackend::setCurrent(nullptr); }
    std::shared_ptr<FakeMidiBackend> fake;
};

void BM_EntryToThruLatency(benchmark::State &state)
{
    FakeSystem system;
    system.fake->addPort(MidiDirection::Input, EntryName);
    system.fake->addPort(MidiDirection::Output, ThruName);
    ApplicationMidi midi;
    midi.pollTimer()->stop();
    midi.applyMidiEntryPort(true, EntryName);
    midi.applyMidiThruPort(true, ThruName);

    // Queued after the application's own slot, so it runs once that has
    // handled the message.
    bool handled = false;
    QObject context;
    QObject::connect(midi.entryInput(), &MidiInput::readyRead, &context, [&] { handled = true; });

    std::vector<double> latenciesUs;
    quint8 key = 0;
    for (auto _ : state) {
        handled = false;
        const quint64 playedNs = currentTimeNs();
        system.fake->inject(EntryName, {0x90, quint8(60 + key++ % 12), 100});
        // The GUI thread idles in its event loop until the message comes.
        while (!handled)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!system.fake->waitForSentMessages(ThruName, 1)) {
            state.SkipWithError("the thru port sent nothing");
            break;
        }
        latenciesUs.push_back(double(system.fake->sentMessages(ThruName).front().sentNs - playedNs) / 1000.0);
        system.fake->clearSentMessages(ThruName);
    }
    if (latenciesUs.empty())
        return;
    std::sort(latenciesUs.begin(), latenciesUs.end());
    state.counters["p50us"] = latenciesUs[latenciesUs.size() / 2];
    state.counters["p99us"] = latenciesUs[latenciesUs.size() * 99 / 100];
    state.counters["maxus"] = latenciesUs.back();
}
BENCHMARK(BM_EntryToThruLatency)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Argument 0: the ports stay as they are; 1: one port comes or goes
// before every poll.
void BM_PortPoll(benchmark::State &state)
{
    FakeSystem system;
    for (int i = 1; i <= 50; ++i) {
        system.fake->addPort(MidiDirection::Input, QStringLiteral("Keyboard %1").arg(i));
        system.fake->addPort(MidiDirection::Output, QStringLiteral("Synth %1").arg(i));
    }
    ApplicationMidi midi;
    midi.pollTimer()->stop();
    const bool changing = state.range(0) != 0;
    bool extra = false;
    for (auto _ : state) {
        if (changing) {
            state.PauseTiming();
            if (extra)
                system.fake->removePort(MidiDirection::Input, QStringLiteral("Keyboard 51"));
            else
                system.fake->addPort(MidiDirection::Input, QStringLiteral("Keyboard 51"));
            extra = !extra;
            state.ResumeTiming();
        }
        midi.pollMidiPorts();
    }
    state.counters["inputs"] = midi.midiInputPortNames().size();
    state.counters["outputs"] = midi.midiOutputPortNames().size();
}
BENCHMARK(BM_PortPoll)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
