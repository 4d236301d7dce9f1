// What a user of the inspector's editors feels while typing, offscreen: one
// keystroke at the end of a long text, with everything the editor does for
// it (validation, colouring, layout and painting).
// Targets: a keystroke in the notes editor holding 2,000 characters of
// notes at most 5 ms; in a pitch list editor holding 500 pitches at most
// 2 ms.

#include "NotesTexts.h"
#include "RunBenchmarks.h"

#include "inspector/NotesEdit.h"
#include "inspector/PitchListEdit.h"

#include "QmdVorma/PitchNames.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

namespace {

void pressKey(QWidget &widget, int key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&widget, &release);
    QCoreApplication::processEvents();
}

// Each iteration is one keystroke; they alternate between adding a
// character at the end and taking it back, so every one changes the text.
template <typename Editor>
void typeAtTheEnd(benchmark::State &state, Editor &editor, int key, const QString &text)
{
    editor.show();
    QCoreApplication::processEvents();
    bool add = true;
    for (auto _ : state) {
        if (add)
            pressKey(editor, key, text);
        else
            pressKey(editor, Qt::Key_Backspace, QString());
        add = !add;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_NotesEditKeystroke(benchmark::State &state)
{
    QStringList lines;
    int length = 0;
    for (int i = 0; length < 2000; ++i) {
        lines << typicalNotesText(i);
        length += lines.last().size() + 1;
    }
    NotesEdit edit;
    edit.resize(300, 400);
    edit.setPlainText(lines.join(QLatin1Char('\n')));
    edit.moveCursor(QTextCursor::End);
    NotesEdit::TokenMap tokens;
    if (!QmdVormaController::validateNotes(edit.toPlainText(), tokens)) {
        state.SkipWithError("the benchmark text is not valid");
        return;
    }
    state.counters["chars"] = edit.toPlainText().size();
    typeAtTheEnd(state, edit, Qt::Key_Space, QStringLiteral(" "));
}
BENCHMARK(BM_NotesEditKeystroke)->Unit(benchmark::kMillisecond);

void BM_PitchListKeystroke(benchmark::State &state)
{
    QStringList pitches;
    for (int i = 0; i < 500; ++i)
        pitches << QmdVorma::pitchName(quint8(24 + i % 96));
    PitchListEdit edit;
    edit.resize(300, 30);
    edit.setText(pitches.join(QLatin1Char(',')));
    edit.end(false);
    if (!edit.hasAcceptableInput()) {
        state.SkipWithError("the benchmark list is not valid");
        return;
    }
    state.counters["chars"] = edit.text().size();
    typeAtTheEnd(state, edit, Qt::Key_Comma, QStringLiteral(","));
}
BENCHMARK(BM_PitchListKeystroke)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
