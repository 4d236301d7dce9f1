// Validations per second of notes texts, as the notes editor validates on
// every keystroke. Target: 10,000 validations of a 20-note text in under 1 s.

#include "QmdVorma/antlr/NotesParser.h"

#include <benchmark/benchmark.h>

namespace {

// Twenty notes of every list form.
const QString twentyNotes = QStringLiteral(
    "C3:96:100% D3:80:50% E3,G3:+5:*1.5 F#3:100:1 G3 A3:64:25% B3:90:2 C4:96:100% -2:+10 +3 "
    "C3:96:100% D3:80:50% E3,G3:+5:*1.5 F#3:100:1 G3 A3:64:25% B3:90:2 C4:96:100% -2:+10 +3");

// Groups three levels deep, twenty notes in all.
const QString nestedGroups = QStringLiteral(
    "[C3:96:100% (D3:80:50% {E3 G3::*1.5}) {A3:64 (B3 C4::2)}] "
    "(E3:90 [G3 B3 {D4 F4}] (C3::/2 {E3 G3}) -2:+10) "
    "{C4 [E4:80 (G4 B4)]}");

void validate(benchmark::State &state, const QString &text)
{
    for (auto _ : state) {
        NotesParser::NotesTokenMap map;
        benchmark::DoNotOptimize(NotesParser::validateNotes(text, map));
        benchmark::DoNotOptimize(map);
    }
    state.SetItemsProcessed(state.iterations());
    NotesParser::NotesTokenMap map;
    if (!NotesParser::validateNotes(text, map))
        state.SkipWithError("the benchmark text is not valid");
}

void BM_ValidateTwentyNotes(benchmark::State &state)
{
    validate(state, twentyNotes);
}
BENCHMARK(BM_ValidateTwentyNotes);

void BM_ValidateNestedGroups(benchmark::State &state)
{
    validate(state, nestedGroups);
}
BENCHMARK(BM_ValidateNestedGroups);

} // namespace

BENCHMARK_MAIN();
