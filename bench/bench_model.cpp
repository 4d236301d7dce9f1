// Cost of large single-request changes to the in-memory model and of their
// undo and redo. Each figure should grow linearly with the number of entries.
//
// Also the cost of writing and reading a document of 10,000 elements of ten
// keys each as a property list, next to a bare XML pass over the same text:
// reading should take at most four times as long as the bare pass.
//
// And saving and loading a network document of 10,000 elements through its
// controller, as the window does: a load includes the reset that converts,
// fills defaults and builds every node's notes tree.
//
// And loading 10,000 nodes with distinct notes texts and 10,000 edges next
// to reading the same file into a bare model: the load, with the queued
// change handling that follows it, should take at most three times the
// import.
#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"
#include "Qmd/QmdPropertyListExporter.h"
#include "Qmd/QmdPropertyListImporter.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/QmdVormaImporter.h"
#include "NotesTexts.h"
#include "RunBenchmarks.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <malloc.h>

#include <chrono>
#include <memory>

namespace {

// n plain values appended to one integer-keyed dictionary.
class AddValues
{
public:
    explicit AddValues(int n)
    {
        m_d.setModel(&m_model);
        m_model.beginRequest(1, Qmd::NoUndo, QString());
        m_d.setType("List", Qmd::IntDict);
        m_model.endRequest();
        m_list = m_d.index("List");
        m_values.reserve(n);
        for (int i = 0; i < n; ++i)
            m_values.append(i);
    }

    void apply()
    {
        m_model.beginRequest(2, {}, "Add");
        m_model.addData(m_values, m_list);
        m_model.endRequest();
    }

    QmdMemModel &model() { return m_model; }

private:
    QmdMemModel m_model{Qmd::StrDict};
    QmdDirectModelInterface m_d;
    QmdIndex m_list;
    QList<QVariant> m_values;
};

// n keys set across n / 10 string-keyed dictionaries, ten keys each.
class SetKeys
{
public:
    explicit SetKeys(int n)
    {
        m_d.setModel(&m_model);
        m_model.beginRequest(1, Qmd::NoUndo, QString());
        m_d.setType("Elements", Qmd::IntDict);
        const QmdIndex elements = m_d.index("Elements");
        QList<Qmd::ContainerType> types;
        for (int i = 0; i < n / 10; ++i)
            types.append(Qmd::StrDict);
        m_d.addTypes(types, elements);
        m_model.endRequest();
        m_dicts = m_model.indexes(elements);
        for (int key = 0; key < 10; ++key)
            m_values.insert(QStringLiteral("Key%1").arg(key), key);
    }

    void apply()
    {
        m_model.beginRequest(2, {}, "Set");
        for (const QmdIndex &dict : qAsConst(m_dicts))
            m_model.setData(m_values, dict);
        m_model.endRequest();
    }

    QmdMemModel &model() { return m_model; }

private:
    QmdMemModel m_model{Qmd::StrDict};
    QmdDirectModelInterface m_d;
    QmdIndexList m_dicts;
    QHash<QString, QVariant> m_values;
};

void undo(QmdMemModel &model)
{
    model.beginRequest(3, Qmd::NoUndo, "Undo");
    model.undo();
    model.endRequest();
}

void redo(QmdMemModel &model)
{
    model.beginRequest(4, Qmd::NoUndo, "Redo");
    model.redo();
    model.endRequest();
}

enum Phase { Apply, Undo, Redo };

// Times one phase on a fresh model per iteration; building the model, the
// phases before and freeing it are left out.
template <typename Change, Phase phase>
void measure(benchmark::State &state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto change = std::make_unique<Change>(n);
        if (phase != Apply)
            change->apply();
        if (phase == Redo)
            undo(change->model());
        state.ResumeTiming();

        switch (phase) {
        case Apply:
            change->apply();
            break;
        case Undo:
            undo(change->model());
            break;
        case Redo:
            redo(change->model());
            break;
        }

        state.PauseTiming();
        change.reset();
        // Leave the allocator's housekeeping after freeing a whole model to
        // this untimed stretch instead of the next timed allocation.
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->RangeMultiplier(10)->Range(10000, 1000000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

// A document of `count` elements with ten keys of every kind of value.
std::unique_ptr<QmdMemModel> elementDocument(int count)
{
    auto model = std::make_unique<QmdMemModel>(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(model.get());
    model->beginRequest(1, Qmd::NoUndo, QString());
    d.setData("Tempo", 120);
    d.setType("Elements", Qmd::IntDict);
    const QmdIndex elements = d.index("Elements");
    QList<Qmd::ContainerType> types;
    for (int i = 0; i < count; ++i)
        types.append(Qmd::StrDict);
    const QmdItemIdList ids = d.addTypes(types, elements);
    for (QmdItemId id : ids) {
        const int n = int(id);
        model->setData(QHash<QString, QVariant>{{"Type", 2},
                                                {"TickPos", QStringLiteral("{%1, %2}").arg(n * 665280).arg(-n)},
                                                {"Notes", QStringLiteral("C3:96:100% <D3 E3>")},
                                                {"Name", QStringLiteral("Node %1").arg(n)},
                                                {"IsHidden", false},
                                                {"Velocity", 0.75},
                                                {"Duration", n * 0.001},
                                                {"Channel", n % 16},
                                                {"Pitch", 60 + n % 12},
                                                {"Enabled", true}},
                       d.index(id, elements));
    }
    model->endRequest();
    return model;
}

QByteArray exportDocument(QmdMemModel &model)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QmdPropertyListExporter exporter(&model, &buffer);
    if (!exporter.exportIndex(QmdIndex()))
        std::abort();
    return buffer.data();
}

// Every token read, nothing kept: the floor for any reader of the text.
std::size_t barePass(const QByteArray &text)
{
    QXmlStreamReader reader(text);
    std::size_t characters = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::Characters)
            characters += std::size_t(reader.text().size());
    }
    if (reader.hasError())
        std::abort();
    return characters;
}

void exportElements(benchmark::State &state)
{
    const auto model = elementDocument(int(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = std::size_t(exportDocument(*model).size());
    state.SetBytesProcessed(std::int64_t(bytes * state.iterations()));
}

void barePassElements(benchmark::State &state)
{
    const QByteArray text = exportDocument(*elementDocument(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(barePass(text));
    state.SetBytesProcessed(std::int64_t(text.size()) * std::int64_t(state.iterations()));
}

// Reads into a fresh model each time. Each iteration also times a bare pass
// outside the measured time; "perBarePass" is how many bare passes one
// import costs.
void importElements(benchmark::State &state)
{
    const QByteArray text = exportDocument(*elementDocument(int(state.range(0))));
    double importSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<QmdMemModel>(Qmd::StrDict);
        QBuffer buffer;
        buffer.setData(text);
        buffer.open(QIODevice::ReadOnly);
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        QmdPropertyListImporter importer(model.get(), &buffer);
        model->beginRequest(1, Qmd::NoUndo, QString());
        if (!importer.importIndex(QmdIndex()))
            std::abort();
        model->endRequest();
        const auto imported = std::chrono::steady_clock::now();

        state.PauseTiming();
        importSeconds += std::chrono::duration<double>(imported - start).count();
        const auto bareStart = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(barePass(text));
        bareSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - bareStart).count();
        model.reset();
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(text.size()) * std::int64_t(state.iterations()));
    state.counters["perBarePass"] = importSeconds / bareSeconds;
}

// A network of 4,000 nodes in a chain of 4,000 edges, 1,000 voice groups
// and 1,000 text boxes, with eight instruments, attached to a controller.
struct NetworkDocument
{
    NetworkDocument()
    {
        using namespace QmdVorma;
        QmdDirectModelInterface d;
        d.setModel(&model);
        model.beginRequest(1, Qmd::NoUndo, QString());
        d.setType(Keys::Instruments, Qmd::IntDict);
        const QmdIndex instruments = d.index(Keys::Instruments);
        for (int i = 0; i < 8; ++i) {
            const QmdIndex instrument = d.index(d.addType(Qmd::StrDict, instruments), instruments);
            model.setData(QHash<QString, QVariant>{{Keys::Type, QStringLiteral("midi")},
                                                   {Keys::Label, QStringLiteral("Instrument %1").arg(i + 1)},
                                                   {Keys::Color, QColor(255, 128, i * 30)},
                                                   {Keys::MidiChannels, QBitArray(16, i % 2)}},
                          instrument);
        }
        d.setType(Keys::Elements, Qmd::IntDict);
        const QmdIndex elements = d.index(Keys::Elements);
        auto add = [&](const QHash<QString, QVariant> &values) {
            const QmdItemId id = d.addType(Qmd::StrDict, elements);
            model.setData(values, d.index(id, elements));
            return id;
        };
        const int nodes = 4000;
        QmdItemIdList nodeIds;
        for (int i = 0; i < nodes; ++i) {
            nodeIds << add({{Keys::Type, 2},
                            {Keys::Notes, QStringLiteral("[C3 E3 G3]:96:100% {D4 F4}")},
                            {Keys::TickPos, QVariant::fromValue(TickPoint(i * 166320, (i % 50) * 166320))},
                            {Keys::SignallingMethod, i % 3}});
        }
        for (int i = 0; i < nodes; ++i)
            add({{Keys::Type, 1}, {Keys::FromNode, nodeIds.at(i)}, {Keys::ToNode, nodeIds.at((i + 1) % nodes)},
                 {Keys::Path, i % 3}});
        for (int i = 0; i < 1000; ++i)
            add({{Keys::Type, 4}, {Keys::ToNode, nodeIds.at(i * 4)}, {Keys::InitialInstrument, uint(i % 8 + 1)},
                 {Keys::InitialPitch, QStringLiteral("C3")}});
        for (int i = 0; i < 1000; ++i)
            add({{Keys::Type, 3}, {Keys::TickPos, QVariant::fromValue(TickPoint(i * 665280, -665280))},
                 {Keys::Text, QStringLiteral("<html><body>Text %1</body></html>").arg(i)}});
        model.endRequest();
        controller.setModel(&model);
        QCoreApplication::sendPostedEvents();
    }

    QmdMemModel model{Qmd::StrDict};
    QmdVormaController controller;
};

void saveNetwork(benchmark::State &state)
{
    NetworkDocument doc;
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("network.vrm"));
    for (auto _ : state) {
        if (doc.controller.requestSave(fileName) == 0)
            std::abort();
        state.PauseTiming();
        QCoreApplication::sendPostedEvents();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(QFileInfo(fileName).size() * std::int64_t(state.iterations()));
}

void loadNetwork(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("network.vrm"));
    {
        NetworkDocument doc;
        doc.controller.requestSave(fileName);
        QCoreApplication::sendPostedEvents();
    }
    QmdMemModel model(Qmd::StrDict);
    QmdVormaController controller;
    controller.setModel(&model);
    for (auto _ : state) {
        controller.requestLoad(fileName);
        state.PauseTiming();
        if (controller.elementIds().size() != 10000)
            std::abort();
        QCoreApplication::sendPostedEvents();
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(QFileInfo(fileName).size() * std::int64_t(state.iterations()));
}

// A ring of nodes, each with a notes text of its own, and the edges between
// them, saved to a file.
struct RingFile
{
    explicit RingFile(int nodes)
    {
        using namespace QmdVorma;
        QmdMemModel model{Qmd::StrDict};
        QmdDirectModelInterface d;
        d.setModel(&model);
        model.beginRequest(1, Qmd::NoUndo, QString());
        d.setType(Keys::Elements, Qmd::IntDict);
        const QmdIndex elements = d.index(Keys::Elements);
        QList<Qmd::ContainerType> types;
        for (int i = 0; i < 2 * nodes; ++i)
            types.append(Qmd::StrDict);
        const QmdItemIdList ids = d.addTypes(types, elements);
        for (int i = 0; i < nodes; ++i) {
            const QmdItemId node = ids.at(i);
            const QmdItemId next = ids.at((i + 1) % nodes);
            const QmdItemId edge = ids.at(nodes + i);
            model.setData(QHash<QString, QVariant>{{Keys::Type, 2},
                                                   {Keys::Notes, typicalNotesText(i)},
                                                   {Keys::TickPos, QVariant::fromValue(TickPoint(
                                                                       (i % 100) * 166320, (i / 100) * 166320))},
                                                   {Keys::SignallingMethod, 0},
                                                   {Keys::ArcUsageList, QStringLiteral("%1=1").arg(edge)}},
                          d.index(node, elements));
            d.setType(Keys::ArcIdentifiers, Qmd::IntDict, d.index(node, elements));
            d.setData(edge, 1u, d.index(Keys::ArcIdentifiers, d.index(node, elements)));
            model.setData(QHash<QString, QVariant>{{Keys::Type, 1},
                                                   {Keys::FromNode, uint(node)},
                                                   {Keys::ToNode, uint(next)},
                                                   {Keys::Path, 0}},
                          d.index(edge, elements));
            d.setType(Keys::ContinuousControllers, Qmd::IntDict, d.index(edge, elements));
        }
        model.endRequest();
        QmdVormaController controller;
        controller.setModel(&model);
        QCoreApplication::sendPostedEvents();
        if (controller.requestSave(fileName) == 0 || !QFileInfo(fileName).isFile())
            std::abort();
        QCoreApplication::sendPostedEvents();
    }

    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("ring.vrm"));
};

constexpr int RingNodes = 10000;

// Into a new window's empty document each time, as the import reads into
// an empty model.
void loadRing(benchmark::State &state)
{
    const RingFile file(RingNodes);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<QmdMemModel>(Qmd::StrDict);
        auto controller = std::make_unique<QmdVormaController>();
        controller->setModel(model.get());
        QCoreApplication::sendPostedEvents();
        state.ResumeTiming();

        controller->requestLoad(file.fileName);
        // The change handling the load queued belongs to it.
        QCoreApplication::sendPostedEvents();

        state.PauseTiming();
        if (controller->elementIds().size() != 2 * RingNodes)
            std::abort();
        controller.reset();
        model.reset();
        QCoreApplication::sendPostedEvents();
        state.ResumeTiming();
    }
}

void importRing(benchmark::State &state)
{
    const RingFile file(RingNodes);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<QmdMemModel>(Qmd::StrDict);
        QFile input(file.fileName);
        if (!input.open(QIODevice::ReadOnly | QIODevice::Text))
            std::abort();
        state.ResumeTiming();

        model->beginRequest(1, Qmd::NoUndo, QString());
        QmdVormaImporter importer(model.get(), &input);
        if (!importer.importIndex(QmdIndex()))
            std::abort();
        model->endRequest();

        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(loadRing)->Name("RingDocument/load20000")->Unit(benchmark::kMillisecond);
BENCHMARK(importRing)->Name("RingDocument/import20000")->Unit(benchmark::kMillisecond);
BENCHMARK(saveNetwork)->Name("NetworkDocument/save10000")->Unit(benchmark::kMillisecond);
BENCHMARK(loadNetwork)->Name("NetworkDocument/load10000")->Unit(benchmark::kMillisecond);

BENCHMARK(exportElements)->Name("PropertyList/export")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(barePassElements)->Name("PropertyList/barePass")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(importElements)->Name("PropertyList/import")->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_TEMPLATE(measure, AddValues, Apply)->Name("AddValues/apply")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, AddValues, Undo)->Name("AddValues/undo")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, AddValues, Redo)->Name("AddValues/redo")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, SetKeys, Apply)->Name("SetKeysTenPerDict/apply")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, SetKeys, Undo)->Name("SetKeysTenPerDict/undo")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, SetKeys, Redo)->Name("SetKeysTenPerDict/redo")->Apply(sizes);

// The network controller finds its scale modes beside the program, which
// needs an application object.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
