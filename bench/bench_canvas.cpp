// What a user of the canvas feels on a large network, offscreen:
//
// - opening a document of 10,000 elements (5,000 nodes, 5,000 edges) into a
//   scene: the scene's rebuild alone, and the controller's reset with the
//   rebuild that follows it; the resident memory of the process with the
//   document shown (budget: rebuild at most 1 s, memory at most 300 MB);
// - a full repaint of a 1920 x 1080 view over 1,000 nodes and 1,000 edges
//   at zoom 1 into a QImage, with the items' caches warm, and with the
//   background grid drawn again as well (budget: 16 ms).
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/ScaleFactors.h"
#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPixmapCache>

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

// A network of nodes on a grid of the given columns, spacing in pixels,
// each joined to the next by an edge, shown on a scene.
struct Network
{
    Network(int nodes, int columns, double spacingX, double spacingY)
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

void fullRepaint(benchmark::State &state)
{
    const bool redrawGrid = state.range(0) != 0;
    // 40 x 25 nodes fill the view.
    Network network(1000, 40, 47, 42);
    NetworkView view;
    view.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    view.setFrameShape(QFrame::NoFrame);
    view.setNetworkScene(&network.scene);
    view.setController(&network.controller);
    view.resize(1920, 1080);
    view.setSceneRect(0, 0, 1920, 1080);
    view.show();
    QCoreApplication::processEvents();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    view.viewport()->render(&image); // fills the caches
    for (auto _ : state) {
        if (redrawGrid)
            view.resetCachedContent();
        view.viewport()->render(&image);
    }
}

} // namespace

BENCHMARK(rebuild)->Name("Canvas/sceneRebuild10000")->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(rebuild)->Name("Canvas/resetAndRebuild10000")->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(fullRepaint)->Name("Canvas/fullRepaint1920x1080")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(fullRepaint)->Name("Canvas/fullRepaintWithGrid1920x1080")->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    // As the program sets it: the items' cached pictures must fit.
    QPixmapCache::setCacheLimit(65536);
    initScreenScaleFactors();
    return runBenchmarks(argc, argv);
}
