// What a user of the inspector's controller editors feels, offscreen:
//
// - one mouse-move step dragging a curve point of an edge controller: the
//   hover points' move, the Curve Points request, the model's change signals
//   and the row following them (budget: 2 ms);
// - selecting an edge with 16 controllers: the list builds its 16 rows
//   from the document, with the signals of the selection's requests
//   delivered (budget: 50 ms).
#include "inspector/ControllerTestSupport.h"

#include "inspector/HoverPoints.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include "RunBenchmarks.h"

namespace {

void dragStep(benchmark::State &state)
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::CubicCurve, 7, 39);
    f.set(id, QmdVorma::Keys::CurvePoints,
          QVariant::fromValue(poly({{0, 0}, {0.25, 4000}, {0.5, 14000}, {0.75, 12000}, {1, 16383}})));
    CCItemEdit *row = f.row(id);
    QWidget *frame = row->curveEdit;
    // Well above the middle, where drags snap: every step moves the point.
    const QPointF start = CCItemEdit::frameFromDocument(QPointF(0.5, 14000));
    const auto send = [frame](QEvent::Type type, QPointF pos) {
        QMouseEvent event(type, pos, pos, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(frame, &event);
    };
    send(QEvent::MouseButtonPress, start);
    int step = 0;
    for (auto _ : state) {
        const QPointF to = start + QPointF((step % 20) - 10, (step % 7) - 3);
        ++step;
        send(QEvent::MouseMove, to);
        settle();
    }
    send(QEvent::MouseButtonRelease, start);
    if (row->hoverPoints()->currentIndex() != 2 || f.controller().undoText() != QLatin1String("Curve Points"))
        state.SkipWithError("the drag did not reach the document");
}

void selectEdgeWith16Controllers(benchmark::State &state)
{
    EdgeFixture f;
    f.select();
    for (int i = 0; i < 16; ++i)
        f.addController(1 + i % 3, i, i < 8 ? i + 32 : -1);
    for (auto _ : state) {
        f.list.setEdge(f.edge);
        settle();
        state.PauseTiming();
        if (f.list.rows().size() != 16)
            state.SkipWithError("rows missing");
        f.list.setEdge(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(dragStep)->Name("Editors/curvePointDragStep")->Unit(benchmark::kMillisecond);
BENCHMARK(selectEdgeWith16Controllers)->Name("Editors/selectEdge16Controllers")->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
