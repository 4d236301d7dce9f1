// What a user of the canvas feels on a large network, offscreen:
//
// - opening a document of 10,000 elements (5,000 nodes, 5,000 edges) into a
//   scene: the scene's rebuild alone, and the controller's reset with the
//   rebuild that follows it; the resident memory of the process with the
//   document shown (budget: rebuild at most 1 s, memory at most 300 MB);
// - a full repaint of a 1920 x 1080 and of a 3840 x 2160 view over 1,000
//   nodes and 1,000 edges at zoom 0.5, 1 and 2 into a QImage, with the items'
//   caches warm and the background drawn again, as after a zoom, with the
//   grid shown and hidden (budget with the grid: 8 ms at 1920 x 1080, 16 ms
//   at 3840 x 2160);
// - one drag step of the selection tool moving one node in the document of
//   10,000 elements: the mouse move, the Move request, the model's change
//   signals and the item's new position (budget: 5 ms);
// - playback feedback: from a note's due time to its slice painted in the
//   view, with the scene polled every 16 ms as while playing (p50, p99);
// - the GUI thread's CPU use while eight voice groups circle 64 nodes at 120
//   beats per minute on a fake MIDI port, with the scene's feedback display
//   and the voice groups' pulse running in a shown view (budget: 5 % of one
//   core). The window's position display is not part of it;
// - the document window's commands on a large network: a zoom change of 10,000
//   elements, with the view's transform, scene rectangle and the repaint of
//   what is visible (budget: 50 ms); select all and copy of 10,000 elements
//   (budget: 300 ms); pasting 1,000 elements until their items are made
//   (budget: 300 ms).
#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/PitchNames.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/ScaleFactors.h"
#include "app/VormaWindow.h"
#include "canvas/ElementItem.h"
#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"

#include "QmdVorma/playback/InstrumentTestSupport.h"
#include "midi/FakeMidiBackend.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsItem>
#include <QImage>
#include <QMouseEvent>
#include <QPixmapCache>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

#include "RunBenchmarks.h"

using namespace QmdVorma;

namespace {

// Scale factors of a 96 dots-per-inch screen: a principal is 160 pixels.
void initScreenScaleFactors()
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    initScaleFactors(&image);
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// Nodes on a grid of the given columns, spacing in pixels, each joined to
// the next by an edge, written straight into the model.
void fillNetwork(QmdModel &model, int nodes, int columns, double spacingX, double spacingY)
{
    QmdDirectModelInterface d;
    d.setModel(&model);
    model.beginRequest(1, Qmd::NoUndo, QString());
    d.setType(Keys::Elements, Qmd::IntDict);
    d.setData(Keys::ShowGrid, true);
    const QmdIndex elements = d.index(Keys::Elements);
    const auto add = [&](const QHash<QString, QVariant> &values) {
        const QmdItemId id = d.addType(Qmd::StrDict, elements);
        model.setData(values, d.index(id, elements));
        return id;
    };
    QmdItemIdList ids;
    for (int i = 0; i < nodes; ++i) {
        const TickPoint pos(qint64((20 + (i % columns) * spacingX) * ticksPerPixelX),
                            qint64((20 + (i / columns) * spacingY) * ticksPerPixelY));
        ids << add({{Keys::Type, 2},
                    {Keys::TickPos, QVariant::fromValue(pos)},
                    {Keys::Notes, QStringLiteral("C3:96:100%")},
                    {Keys::SignallingMethod, i % 3}});
    }
    for (int i = 0; i < nodes; ++i)
        add({{Keys::Type, 1}, {Keys::FromNode, ids.at(i)}, {Keys::ToNode, ids.at((i + 1) % nodes)},
             {Keys::Path, i % 3}});
    model.endRequest();
}

// A network as fillNetwork makes it, shown on a scene.
struct Network
{
    Network(int nodes, int columns, double spacingX, double spacingY)
    {
        fillNetwork(model, nodes, columns, spacingX, spacingY);
        controller.setModel(&model);
        QCoreApplication::sendPostedEvents();
        scene.setController(&controller);
        QCoreApplication::sendPostedEvents();
    }

    QmdMemModel model{Qmd::StrDict};
    QmdVormaController controller;
    NetworkScene scene;
};

// Argument 0: the scene rebuilds alone; 1: the controller resets first, as
// when a document is loaded.
void rebuild(benchmark::State &state)
{
    const bool withController = state.range(0) != 0;
    Network network(5000, 100, 60, 60);
    for (auto _ : state) {
        if (withController)
            network.controller.reset();
        else
            network.scene.reset();
        // Change signals, and the scene's polish of its new items, come
        // from the event loop.
        QCoreApplication::sendPostedEvents();
        if (network.scene.elementItemCount() != 10000)
            std::abort();
    }
    state.counters["residentMB"] = residentMegabytes();
}

// The view's background, with or without the grid, is drawn again each time.
void fullRepaint(benchmark::State &state, bool showGrid, int width, int height, double zoom)
{
    // 40 x 25 nodes fill a 1920 x 1080 view at zoom 1.
    Network network(1000, 40, 47, 42);
    const QmdRequestOptions noUndo{Qmd::NoUndo, QString(), 0};
    network.controller.requestSetData(Keys::ZoomScale, zoom, QmdIndex(), noUndo);
    network.controller.requestSetData(Keys::ShowGrid, showGrid, QmdIndex(), noUndo);
    QCoreApplication::sendPostedEvents();
    NetworkView view;
    view.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    view.setFrameShape(QFrame::NoFrame);
    view.setNetworkScene(&network.scene);
    view.setController(&network.controller);
    view.resize(width, height);
    view.setSceneRect(0, 0, width / zoom, height / zoom);
    view.show();
    QCoreApplication::processEvents();
    if (view.viewport()->size() != QSize(width, height) || std::abs(view.transform().m11() - zoom) > 1e-9) {
        state.SkipWithError("the view does not show the asked size and zoom");
        return;
    }
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    view.viewport()->render(&image); // fills the caches
    for (auto _ : state) {
        // What a zoom or a new scene rectangle does to a view that caches its background.
        view.resetCachedContent();
        view.viewport()->render(&image);
    }
}

void sendMouse(NetworkView &view, QEvent::Type type, const QPointF &scenePoint, Qt::MouseButtons buttons)
{
    const QPoint at = view.mapFromScene(scenePoint);
    QMouseEvent event(type, at, view.viewport()->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &event);
}

void dragStep(benchmark::State &state)
{
    Network network(5000, 100, 60, 60);
    network.controller.requestSetData(Keys::Tool, 0, QmdIndex(), QmdRequestOptions{Qmd::NoUndo, QString(), 0});
    QCoreApplication::sendPostedEvents();
    NetworkView view;
    view.setNetworkScene(&network.scene);
    view.setController(&network.controller);
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();
    // A node in the middle of the grid, with the short edges of most nodes.
    const QmdItemId node = network.controller.elementIds().at(2550);
    QGraphicsItem *item = network.scene.elementItem(node)->graphicsItem();
    const QPointF start = item->pos();
    view.centerOn(start);
    network.scene.clearSelection();
    // Inside the circle, clear of the edges that start at its centre.
    const QPointF grip = start + QPointF(0, -8);
    sendMouse(view, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    // Two grid divisions apart, so that every step lands on another grid point.
    const double step = 2 * network.scene.snapStep() * pixelsPerTickX;
    int i = 0;
    for (auto _ : state) {
        const QPointF to = start + QPointF((++i % 2) * step, 0);
        sendMouse(view, QEvent::MouseMove, grip + (to - start), Qt::LeftButton);
        // The model's change signals; painting is measured by fullRepaint.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        if (std::abs(item->pos().x() - view.snapScenePoint(to).x()) > 1)
            std::abort();
    }
    sendMouse(view, QEvent::MouseButtonRelease, start, Qt::NoButton);
}

// The clock of this benchmark: one tick per microsecond of monotonic time.
void feedbackLatency(benchmark::State &state)
{
    Network network(64, 8, 60, 60);
    QmdItemIdList nodes;
    for (QmdItemId id : network.controller.elementIds())
        if (network.controller.elementData(id, Keys::Type).toInt() == 2)
            nodes << id;
    NetworkView view;
    view.setNetworkScene(&network.scene);
    view.setController(&network.controller);
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> latenciesMs;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        constexpr int Events = 400;
        std::vector<qint64> due;
        for (int k = 0; k < Events; ++k) {
            PlaybackEvent e;
            e.kind = k % 2 == 0 ? PlaybackEvent::VoiceReachedNode : PlaybackEvent::NoteEnded;
            e.time = 20000 + qint64(k / 2) * 7300; // a note every 7.3 ms
            e.voiceGroupId = 1;
            e.voiceId = 1;
            e.nodeId = quint32(nodes.at((k / 2) % nodes.size()));
            e.velocity = 100;
            network.controller.feedbackPipe().push(e);
            due.push_back(e.time);
        }
        size_t handled = 0;
        QTimer poll;
        poll.setInterval(NetworkScene::FeedbackIntervalMs);
        QEventLoop loop;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            const int before = network.controller.feedbackPipe().size();
            network.scene.checkFeedback(true, clock.nsecsElapsed() / 1000);
            const int taken = before - network.controller.feedbackPipe().size();
            if (taken > 0)
                view.viewport()->render(&image);
            const double nowUs = clock.nsecsElapsed() / 1000.0;
            for (int t = 0; t < taken; ++t, ++handled)
                latenciesMs.push_back((nowUs - double(due[handled])) / 1000.0);
            if (handled >= due.size())
                loop.quit();
        });
        poll.start();
        loop.exec();
    }
    std::sort(latenciesMs.begin(), latenciesMs.end());
    state.counters["p50ms"] = latenciesMs[latenciesMs.size() / 2];
    state.counters["p99ms"] = latenciesMs[latenciesMs.size() * 99 / 100];
}

double threadCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Eight voice groups, each circling a ring of eight nodes a quarter of a
// principal apart (64 arrivals per second at 120 beats per minute), played
// into a fake port for about 5 s of the event loop, as the program shows it.
void guiCpuWhilePlaying(benchmark::State &state)
{
    constexpr int PlayMs = 5000;
    const QString port = QStringLiteral("Network Out");
    auto fake = std::make_shared<FakeMidiBackend>();
    fake->addPort(MidiDirection::Output, port);
    MidiBackend::setCurrent(fake);
    {
        VormaDocument doc;
        const QmdItemId instrument = addInstrumentEntry(doc, {port, {0}});
        doc.write([](QmdDirectModelInterface &d) { d.setData(Keys::Tempo, 120u); });
        const Ticks quarter = TicksPerPrincipal / 4;
        const QVector<QPair<int, int>> ring{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {2, 1}, {1, 1}, {0, 1}};
        for (int g = 0; g < 8; ++g) {
            QmdItemIdList nodes;
            for (int k = 0; k < ring.size(); ++k) {
                const TickPoint pos(qint64(ring[k].first * quarter), qint64((ring[k].second + 3 * g) * quarter));
                // A pitch of its own per node, as the playback benchmark plays it.
                const QString notes = QStringLiteral("%1:96:0.2").arg(pitchName(quint8(36 + 8 * g + k)));
                nodes << doc.addElement({{Keys::Type, NodeElement},
                                         {Keys::TickPos, QVariant::fromValue(pos)},
                                         {Keys::Notes, notes},
                                         {Keys::SignallingMethod, 0}});
            }
            for (int k = 0; k < nodes.size(); ++k) {
                const QmdItemId from = nodes[k];
                const QmdItemId edge = doc.addElement({{Keys::Type, EdgeElement},
                                                       {Keys::FromNode, from},
                                                       {Keys::ToNode, nodes[(k + 1) % nodes.size()]},
                                                       {Keys::Path, int(CityBlock)},
                                                       {Keys::IsWormhole, false}});
                const QString path = QStringLiteral("Elements/%1").arg(from);
                doc.write([&](QmdDirectModelInterface &d) {
                    d.setData(Keys::ArcUsageList, QStringLiteral("%1=1").arg(edge), doc.index(path));
                });
            }
            QHash<QString, QVariant> values{{Keys::Type, VoiceGroupElement},
                                            {Keys::ToNode, nodes.first()},
                                            {Keys::InitialInstrument, instrument}};
            for (const KeyValue &entry : voiceGroupDefaults())
                values.insert(entry.key, entry.value);
            doc.addElement(values);
        }
        doc.attach();
        NetworkScene scene;
        scene.setController(&doc.controller);
        scene.setVoiceGroupPulseStopped(false);
        NetworkView view;
        view.setNetworkScene(&scene);
        view.setController(&doc.controller);
        view.resize(800, 600);
        view.show();
        QCoreApplication::processEvents();

        double percent = 0;
        for (auto _ : state) {
            doc.controller.requestGotoStart();
            doc.controller.requestPlay();
            QEventLoop loop;
            QTimer::singleShot(PlayMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            QElapsedTimer wall;
            const double cpuBefore = threadCpuSeconds();
            wall.start();
            loop.exec();
            percent = (threadCpuSeconds() - cpuBefore) / (double(wall.nsecsElapsed()) / 1e9) * 100.0;
            doc.controller.requestPause();
            QCoreApplication::processEvents();
        }
        if (fake->sentMessages(port).empty())
            std::abort(); // nothing played: the figure would mean nothing
        state.counters["gui_cpu_percent"] = percent;
    }
    MidiBackend::setCurrent(nullptr);
}

// A document window showing a network as fillNetwork makes it, at the size
// of a desktop window.
struct WindowNetwork
{
    explicit WindowNetwork(int nodes)
    {
        window.resize(1280, 800);
        QmdVormaController *c = window.controller();
        fillNetwork(*c->model(), nodes, 100, 60, 60);
        // The controller completes every element after the reset, one change
        // each, which the scene would hand to every item: set-up, not the
        // figures, so the scene watches only once the document is complete.
        window.scene()->setController(nullptr);
        c->reset();
        QCoreApplication::sendPostedEvents();
        window.scene()->setController(c);
        window.show();
        QCoreApplication::processEvents();
        if (window.scene()->elementItemCount() != 2 * nodes)
            std::abort();
    }

    VormaWindow window;
};

// The zoom menu's path: the window's request, the view following the key,
// then the visible part painted. Zoom alternates between 100 % and 50 %.
void zoomChange(benchmark::State &state)
{
    WindowNetwork network(5000);
    NetworkView *view = network.window.view();
    QImage image(view->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    int i = 0;
    for (auto _ : state) {
        const qreal scale = ++i % 2 ? 0.5 : 1.0;
        network.window.zoom(scale);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        view->viewport()->render(&image);
        if (std::abs(view->transform().m11() - scale) > 1e-9) {
            // The view did not follow: the figure would mean nothing.
            state.SkipWithError("the view does not follow the document's zoom");
            break;
        }
    }
}

void selectAllAndCopy(benchmark::State &state)
{
    WindowNetwork network(5000);
    NetworkScene *scene = network.window.scene();
    for (auto _ : state) {
        state.PauseTiming();
        scene->clearSelection();
        state.ResumeTiming();
        network.window.selectAll();
        network.window.copy();
        if (network.window.selectedElementIds().size() != 10000)
            std::abort();
    }
}

// Paste of 500 nodes and their 500 edges, with every item on the canvas;
// an undo outside the timing takes them away again.
void pasteWithItems(benchmark::State &state)
{
    WindowNetwork network(500);
    network.window.selectAll();
    network.window.copy();
    NetworkScene *scene = network.window.scene();
    const int before = scene->elementItemCount();
    for (auto _ : state) {
        network.window.paste();
        QCoreApplication::sendPostedEvents();
        if (scene->elementItemCount() != before + 1000)
            std::abort();
        state.PauseTiming();
        network.window.controller()->requestUndo();
        QCoreApplication::sendPostedEvents();
        state.ResumeTiming();
    }
}

// Canvas/fullRepaint<size>/zoom<percent> and Canvas/fullRepaintWithGrid<size>/zoom<percent>.
void registerFullRepaints()
{
    const QVector<QSize> sizes{{1920, 1080}, {3840, 2160}};
    for (const QSize &size : sizes) {
        for (int zoom : {50, 100, 200}) {
            for (int grid : {0, 1}) {
                const QString name = QStringLiteral("Canvas/fullRepaint%1%2x%3/zoom%4")
                                         .arg(grid ? QStringLiteral("WithGrid") : QString())
                                         .arg(size.width())
                                         .arg(size.height())
                                         .arg(zoom);
                benchmark::RegisterBenchmark(name.toStdString().c_str(), fullRepaint, grid != 0, size.width(),
                                             size.height(), zoom / 100.0)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
}

} // namespace

BENCHMARK(rebuild)->Name("Canvas/sceneRebuild10000")->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(rebuild)->Name("Canvas/resetAndRebuild10000")->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(dragStep)->Name("Canvas/dragStepOneNode10000")->Unit(benchmark::kMillisecond);
BENCHMARK(feedbackLatency)->Name("Canvas/feedbackDueToPainted")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(guiCpuWhilePlaying)
    ->Name("Canvas/guiCpuPlaying8Groups64Nodes")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(zoomChange)->Name("Window/zoomChange10000")->Unit(benchmark::kMillisecond);
BENCHMARK(selectAllAndCopy)->Name("Window/selectAllAndCopy10000")->Unit(benchmark::kMillisecond);
BENCHMARK(pasteWithItems)->Name("Window/paste1000WithItems")->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    // The window reads its template setting: not the user's.
    QStandardPaths::setTestModeEnabled(true);
    // As the program sets it: the items' cached pictures must fit.
    QPixmapCache::setCacheLimit(65536);
    initScreenScaleFactors();
    registerFullRepaints();
    return runBenchmarks(argc, argv);
}
