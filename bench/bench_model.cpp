// Cost of large single-request changes to the in-memory model and of their
// undo and redo. Each figure should grow linearly with the number of entries.
#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

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

} // namespace

BENCHMARK_TEMPLATE(measure, AddValues, Apply)->Name("AddValues/apply")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, AddValues, Undo)->Name("AddValues/undo")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, AddValues, Redo)->Name("AddValues/redo")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, SetKeys, Apply)->Name("SetKeysTenPerDict/apply")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, SetKeys, Undo)->Name("SetKeysTenPerDict/undo")->Apply(sizes);
BENCHMARK_TEMPLATE(measure, SetKeys, Redo)->Name("SetKeysTenPerDict/redo")->Apply(sizes);

BENCHMARK_MAIN();
