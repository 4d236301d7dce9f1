// What a user of the inspector feels on a large network, offscreen:
//
// - selecting 1,000 nodes whose signalling methods and notes differ: the
//   selection routed, the Node page unbound and bound again to all of them
//   with mixed values shown (budget: 100 ms); and deselecting them again;
// - select all in a document of 10,000 elements (5,000 nodes, 5,000 edges):
//   both element pages bound to every element of their type (budget: 500 ms);
// - selecting a node whose notes text is pathological (100,000 nested
//   brackets; 20,000 notes on one line) until its page shows and is painted;
//   the counter longest_pass_ms is the longest single pass of the event loop
//   while the notes editor then validates and colours the text (budget for
//   both: 100 ms).
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "inspector/InspectedWindow.h"
#include "inspector/Inspector.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QMainWindow>

#include <cstdlib>

#include "RunBenchmarks.h"

using namespace QmdVorma;

namespace {

// The window seam: a selection the benchmark sets.
class BenchWindow : public QMainWindow, public InspectedWindow
{
    Q_OBJECT

public:
    QmdVormaController *controller() const override { return m_controller; }
    QmdItemIdSet selectedElementIds() const override { return m_selection; }

    // The inspector follows the selection from the event loop, so a burst
    // of changes costs one update: the time until it has is what counts.
    void select(const QmdItemIdSet &ids)
    {
        m_selection = ids;
        emit elementSelectionChanged();
        QCoreApplication::processEvents();
    }

    QmdVormaController *m_controller = nullptr;

signals:
    void elementSelectionChanged();

private:
    QmdItemIdSet m_selection;
};

// Nodes with differing notes and signalling, each joined to the next by an
// edge when `withEdges`, in a window with its inspector.
struct InspectedNetwork
{
    InspectedNetwork(int nodes, bool withEdges)
    {
        QmdDirectModelInterface d;
        d.setModel(&model);
        model.beginRequest(1, Qmd::NoUndo, QString());
        d.setType(Keys::Elements, Qmd::IntDict);
        const QmdIndex elements = d.index(Keys::Elements);
        const auto add = [&](const QHash<QString, QVariant> &values) {
            const QmdItemId id = d.addType(Qmd::StrDict, elements);
            model.setData(values, d.index(id, elements));
            return id;
        };
        for (int i = 0; i < nodes; ++i) {
            nodeIds << add({{Keys::Type, 2},
                            {Keys::TickPos, QVariant::fromValue(TickPoint(i * 665280, 0))},
                            {Keys::Notes, QStringLiteral("C3:%1:100%").arg(1 + i % 127)},
                            {Keys::SignallingMethod, i % 3},
                            {Keys::DontPlayNote, i % 2 == 0}});
        }
        allIds = QmdItemIdSet(nodeIds.begin(), nodeIds.end());
        if (withEdges) {
            for (int i = 0; i < nodes; ++i) {
                allIds << add({{Keys::Type, 1}, {Keys::FromNode, nodeIds.at(i)},
                               {Keys::ToNode, nodeIds.at((i + 1) % nodes)}, {Keys::Path, i % 3}});
            }
        }
        model.endRequest();
        controller.setModel(&model);
        QCoreApplication::sendPostedEvents();
        window.m_controller = &controller;
        dock = new QDockWidget(&window, Qt::Tool);
        inspector = new Inspector(&window, dock);
        dock->setWidget(inspector);
        window.addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->setFloating(false);
        window.show();
        QCoreApplication::processEvents();
    }

    ~InspectedNetwork()
    {
        // The window and its inspector go before the controller.
        delete dock;
    }

    QmdMemModel model{Qmd::StrDict};
    QmdVormaController controller;
    BenchWindow window;
    QDockWidget *dock = nullptr;
    Inspector *inspector = nullptr;
    QmdItemIdList nodeIds;
    QmdItemIdSet allIds;
};

void selectThousandNodes(benchmark::State &state)
{
    InspectedNetwork network(1000, false);
    const QmdItemIdSet nodes(network.nodeIds.begin(), network.nodeIds.end());
    for (auto _ : state) {
        network.window.select(nodes);
        if (network.inspector->selectedIds(2).size() != 1000)
            std::abort();
        state.PauseTiming();
        network.window.select({});
        state.ResumeTiming();
    }
}

void deselectThousandNodes(benchmark::State &state)
{
    InspectedNetwork network(1000, false);
    const QmdItemIdSet nodes(network.nodeIds.begin(), network.nodeIds.end());
    for (auto _ : state) {
        state.PauseTiming();
        network.window.select(nodes);
        state.ResumeTiming();
        network.window.select({});
    }
}

void selectAllTenThousand(benchmark::State &state)
{
    InspectedNetwork network(5000, true);
    for (auto _ : state) {
        network.window.select(network.allIds);
        if (network.inspector->selectedIds(1).size() != 5000)
            std::abort();
        state.PauseTiming();
        network.window.select({});
        state.ResumeTiming();
    }
}

enum PathologicalNotes { NestedBrackets, TwentyThousandNotes };

void selectPathologicalNode(benchmark::State &state, PathologicalNotes kind)
{
    InspectedNetwork network(2, false);
    const QmdItemId node = network.nodeIds.first();
    const QString notes = kind == NestedBrackets
                              ? QString(100000, QLatin1Char('[')) + QStringLiteral("C3") + QString(100000, QLatin1Char(']'))
                              : QStringLiteral("C3:96:100% ").repeated(20000);
    network.controller.requestSetData(Keys::Notes, notes, network.controller.elementIndex(node),
                                      QmdRequestOptions{Qmd::NoUndo, QString(), 0});
    QCoreApplication::processEvents();
    const QPlainTextEdit *edit = network.inspector->nodeForm.noteListEdit;
    qint64 longestPass = 0;
    for (auto _ : state) {
        network.window.select({node});
        network.inspector->repaint();
        if (edit->toPlainText().size() != notes.size())
            std::abort();
        state.PauseTiming();
        // Long enough for the worker's validation, the colouring and the
        // error border of invalid text (a second later).
        QElapsedTimer watch;
        watch.start();
        while (watch.elapsed() < 1600) {
            QElapsedTimer pass;
            pass.start();
            QCoreApplication::processEvents();
            longestPass = qMax(longestPass, pass.elapsed());
        }
        network.window.select({});
        state.ResumeTiming();
    }
    state.counters["longest_pass_ms"] = double(longestPass);
}

} // namespace

BENCHMARK_CAPTURE(selectPathologicalNode, nestedBrackets, NestedBrackets)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(selectPathologicalNode, twentyThousandNotes, TwentyThousandNotes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(selectThousandNodes)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(deselectThousandNodes)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(selectAllTenThousand)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}

#include "bench_inspector.moc"
