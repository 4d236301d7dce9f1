// Start-up as the user feels it: from starting the program to its first
// window shown, offscreen, with a template document and a fresh settings
// store. Each iteration starts this program again as a child that runs the
// application exactly as vorma's main() does; the child reports the
// monotonic time at which its first window was shown, and the iteration
// lasts from just before the child was started until then. The whole run
// has a private session bus, so each child also registers its bus name.
#include "app/VormaApplication.h"
#include "app/VormaWindow.h"
#include "midi/Platform.h"

#include "app/PrivateSessionBus.h"

#include <benchmark/benchmark.h>

#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "RunBenchmarks.h"

namespace {

const char ChildFlag[] = "--startup-child";

int runChild(int argc, char *argv[])
{
    VormaApplication app(argc, argv);
    while (app.windows().isEmpty() || !app.windows().first()->isVisible())
        app.processEvents(QEventLoop::AllEvents, 5);
    std::printf("%llu\n", static_cast<unsigned long long>(currentTimeNs()));
    std::fflush(stdout);
    // The parent measured what it wanted; teardown is not part of it.
    _exit(0);
}

QString g_program;

void BM_StartToFirstWindow(benchmark::State &state)
{
    QTemporaryDir config;
    for (auto _ : state) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VORMA_MIDI_API"), QStringLiteral("none"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        child.setProcessEnvironment(env);
        const quint64 startNs = currentTimeNs();
        child.start(g_program, {QString::fromLatin1(ChildFlag)});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            state.SkipWithError("the child did not show a window");
            return;
        }
        const quint64 shownNs = child.readAllStandardOutput().trimmed().toULongLong();
        state.SetIterationTime(double(shownNs - startNs) / 1e9);
    }
}
BENCHMARK(BM_StartToFirstWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], ChildFlag) == 0) {
        int childArgc = 1;
        return runChild(childArgc, argv);
    }
    runOnPrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    g_program = QCoreApplication::applicationFilePath();
    return runBenchmarks(argc, argv);
}
