// Validations per second of notes texts, as the notes editor validates on
// every keystroke. Target: 10,000 validations of a 20-note text in under 1 s.
//
// A warm loop over one text says little about a load, which parses every
// node's text once in a process that has parsed nothing before: the
// "FreshProcess" figures run 2,000 texts one after another in a new process
// each time, distinct ones (target: at most 60 us per validation) or one
// text over and over.

#include "NotesTexts.h"
#include "RunBenchmarks.h"
#include "QmdVorma/antlr/NotesParser.h"

#include <benchmark/benchmark.h>

#include <QVector>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

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

constexpr int FreshTexts = 2000;
const char *const FreshChildArgument = "--validate-fresh-texts";

// In the new process: validates 2,000 texts, each a different one or all
// the same, and prints the seconds the validations took, or nothing when a
// text was invalid.
int validateFreshTexts(bool distinct)
{
    QVector<QString> texts;
    texts.reserve(FreshTexts);
    for (int i = 0; i < FreshTexts; ++i)
        texts.append(typicalNotesText(distinct ? i : 0));
    bool allValid = true;
    const auto start = std::chrono::steady_clock::now();
    for (const QString &text : qAsConst(texts)) {
        NotesParser::NotesTokenMap map;
        allValid = NotesParser::validateNotes(text, map) && allValid;
        benchmark::DoNotOptimize(map);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (allValid)
        std::printf("%.9f\n", seconds);
    return 0;
}

// Each iteration is a new process; the time is what its validations took.
void validateInFreshProcess(benchmark::State &state, const char *mode)
{
    const std::string command =
        std::string("/proc/") + std::to_string(getpid()) + "/exe " + FreshChildArgument + " " + mode;
    double total = 0;
    for (auto _ : state) {
        FILE *child = popen(command.c_str(), "r");
        double seconds = -1;
        if (!child || std::fscanf(child, "%lf", &seconds) != 1 || seconds < 0) {
            if (child)
                pclose(child);
            state.SkipWithError("the child process measured nothing");
            return;
        }
        pclose(child);
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.SetItemsProcessed(state.iterations() * FreshTexts);
    state.counters["usPerValidation"] = total * 1e6 / double(state.iterations() * FreshTexts);
}

void BM_ValidateDistinctTextsFreshProcess(benchmark::State &state)
{
    validateInFreshProcess(state, "distinct");
}
BENCHMARK(BM_ValidateDistinctTextsFreshProcess)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The same text over and over, as the notes editor validates while the user
// types: whether the parser's memory is handed back to the system after
// each parse shows most plainly here.
void BM_ValidateOneTextFreshProcess(benchmark::State &state)
{
    validateInFreshProcess(state, "same");
}
BENCHMARK(BM_ValidateOneTextFreshProcess)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], FreshChildArgument) == 0)
        return validateFreshTexts(std::strcmp(argv[2], "distinct") == 0);
    return runBenchmarks(argc, argv);
}
