#include "inspector/NotesEdit.h"

#include "GuiTestMain.h"

#include "widgets/MidiEvent.h"

#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QThreadPool>

using Messages = QVector<QVector<quint8>>;
Q_DECLARE_METATYPE(Messages)

namespace {

const QString chordAfterD3 = QStringLiteral("D3:96:100%\n[\n C3:100:100%\n E3:90:100%\n]");
const QString orangeBorder = QStringLiteral("rgba(255, 128, 0,");

void play(NotesEdit &edit, const Messages &messages)
{
    for (const QVector<quint8> &bytes : messages) {
        MidiEvent event(bytes, 0.0);
        QCoreApplication::sendEvent(&edit, &event);
    }
}

void setCursor(NotesEdit &edit, int position)
{
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(position);
    edit.setTextCursor(cursor);
}

// The format the highlighter gave the character at position.
QTextCharFormat formatAt(const NotesEdit &edit, int position)
{
    const QTextBlock block = edit.document()->findBlock(position);
    const int inBlock = position - block.position();
    const QVector<QTextLayout::FormatRange> ranges = block.layout()->formats();
    for (const QTextLayout::FormatRange &range : ranges) {
        if (inBlock >= range.start && inBlock < range.start + range.length)
            return range.format;
    }
    return QTextCharFormat();
}

} // namespace

class tst_NotesEdit : public QObject
{
    Q_OBJECT

private slots:
    void midiEntry_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<QString>("expected");

        const QVector<quint8> c3On{0x90, 60, 100}, e3On{0x91, 64, 90}, g3On{0x90, 67, 100};
        const QVector<quint8> c3Off{0x80, 60, 0}, e3OffByVelocity{0x90, 64, 0};
        QTest::newRow("one note into an empty editor") << QString() << Messages{c3On} << "C3:100:100%";
        QTest::newRow("held chord") << "D3:96:100%" << Messages{c3On, e3On} << chordAfterD3;
        QTest::newRow("chord in an empty editor")
            << QString() << Messages{c3On, e3On} << "[\n C3:100:100%\n E3:90:100%\n]";
        QTest::newRow("release, then a new note")
            << "D3:96:100%" << Messages{c3On, e3On, c3Off, g3On} << chordAfterD3 + "\nG3:100:100%";
        QTest::newRow("release of another note while one is held")
            << "D3:96:100%" << Messages{c3On, e3On, e3OffByVelocity, g3On} << chordAfterD3 + "\nG3:100:100%";
        QTest::newRow("control change keeps the chord open")
            << "D3:96:100%" << Messages{c3On, {0xB0, 7, 100}, e3On} << chordAfterD3;
        QTest::newRow("messages not three bytes long")
            << "D3" << Messages{{0xC0, 5}, {0x90, 60}, {0x90, 60, 100, 0}, {}} << "D3";
    }

    void midiEntry()
    {
        QFETCH(QString, initial);
        QFETCH(Messages, messages);
        QFETCH(QString, expected);
        NotesEdit edit;
        edit.setPlainText(initial);
        play(edit, messages);
        QCOMPARE(edit.toPlainText(), expected);
    }

    void playedValidNotesReachTheDocument()
    {
        NotesEdit edit;
        QSignalSpy valid(&edit, &NotesEdit::textChangedAndValid);
        play(edit, {{0x90, 60, 100}, {0x90, 64, 90}});
        QCOMPARE(valid.count(), 2);
        QCOMPARE(edit.textCursor().position(), edit.toPlainText().size());
    }

    void tabCompletion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<QString>("expected");

        QTest::newRow("after a pitch list") << "C3" << 2 << 1 << "C3:96";
        QTest::newRow("after a velocity list") << "C3" << 2 << 2 << "C3:96:100%";
        QTest::newRow("after a duration list") << "C3" << 2 << 3 << "C3:96:100%";
        QTest::newRow("white space between list and cursor") << "C3 " << 3 << 1 << "C3 :96";
        QTest::newRow("inside a list") << "C3" << 1 << 1 << "C3";
        QTest::newRow("other text between list and cursor") << "[C3]" << 4 << 1 << "[C3]";
        QTest::newRow("in front of a colon") << "C3:96" << 2 << 1 << "C3:96";
        QTest::newRow("before every list") << " C3" << 0 << 1 << " C3";
        // Error recovery reports a made-up duration list with no place in
        // the text; the pitch list before the cursor still counts.
        QTest::newRow("made-up list") << "C3::" << 2 << 1 << "C3::";
        QTest::newRow("made-up list, cursor at the end") << "C3::" << 4 << 1 << "C3::";
    }

    void tabCompletion()
    {
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QFETCH(int, tabs);
        QFETCH(QString, expected);
        NotesEdit edit;
        edit.setPlainText(text);
        setCursor(edit, cursor);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(&edit, Qt::Key_Tab);
        QCOMPARE(edit.toPlainText(), expected);
    }

    void tabKeepsTheFocus()
    {
        QWidget window;
        auto *edit = new NotesEdit(&window);
        auto *other = new QPlainTextEdit(&window);
        other->move(0, 200);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Tab);
        QVERIFY(edit->hasFocus());
        QCOMPARE(edit->toPlainText(), QString());
    }

    void letterCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("expected");

        QTest::newRow("outside a comment") << "" << 0 << "C";
        QTest::newRow("after the slashes") << "D3 //" << 5 << "D3 //c";
        QTest::newRow("between the slashes") << "D3 //" << 4 << "D3 /C/";
        QTest::newRow("before a comment") << "D3 //x" << 0 << "CD3 //x";
        QTest::newRow("comment on another line") << "// x\nD3 " << 8 << "// x\nD3 C";
    }

    void letterCase()
    {
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QFETCH(QString, expected);
        NotesEdit edit;
        edit.setPlainText(text);
        setCursor(edit, cursor);
        QTest::keyClicks(&edit, QStringLiteral("c"));
        QCOMPARE(edit.toPlainText(), expected);
    }

    void highlighting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<QColor>("color");

        const QColor pitch(0, 112, 214), velocity(213, 0, 156), duration(106, 165, 6), comment(100, 100, 100);
        const QString note = QStringLiteral("C3:100:50% // a note");
        QTest::newRow("pitch list") << note << 0 << pitch;
        QTest::newRow("velocity list") << note << 4 << velocity;
        QTest::newRow("duration list") << note << 9 << duration;
        QTest::newRow("between lists") << note << 2 << QColor();
        QTest::newRow("comment") << note << 12 << comment;
        QTest::newRow("comment line") << "C3\n// C3:100" << 6 << comment;
        QTest::newRow("list over a line break") << "C3,\nE3 D3" << 4 << pitch;
        QTest::newRow("line after a list that ends at its break") << "C3\n(D3)" << 3 << QColor();
        QTest::newRow("invalid text is coloured too") << "C3 [" << 1 << pitch;
    }

    void highlighting()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(QColor, color);
        NotesEdit edit;
        edit.setPlainText(text);
        const QTextCharFormat format = formatAt(edit, position);
        if (!color.isValid()) {
            QVERIFY(!format.hasProperty(QTextFormat::ForegroundBrush));
            return;
        }
        QCOMPARE(format.foreground().color(), color);
        QCOMPARE(format.fontCapitalization(), QFont::AllLowercase);
        // Only the display changes.
        QCOMPARE(edit.toPlainText(), text);
    }

    void onlyChangedValidTextIsReported()
    {
        NotesEdit edit;
        QSignalSpy valid(&edit, &NotesEdit::textChangedAndValid);
        edit.setPlainText(QStringLiteral("C3 E3"));
        QCOMPARE(valid.count(), 1);
        edit.setPlainText(QStringLiteral("C3 E3"));
        QTextCursor cursor(edit.document());
        cursor.select(QTextCursor::Document);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.mergeCharFormat(bold);
        QCOMPARE(valid.count(), 1);
        edit.setPlainText(QStringLiteral("C3 ["));
        QCOMPARE(valid.count(), 1);
        edit.setPlainText(QStringLiteral("C3 [E3]"));
        QCOMPARE(valid.count(), 2);
    }

    void errorBorderAfterADelay()
    {
        NotesEdit edit;
        edit.setPlainText(QStringLiteral("C3"));
        const QString validStyle = edit.styleSheet();
        QVERIFY(!validStyle.contains(orangeBorder));

        // Invalid for a moment only: no border.
        edit.setPlainText(QStringLiteral("C3 ["));
        QTest::qWait(300);
        edit.setPlainText(QStringLiteral("C3 [E3]"));
        QTest::qWait(900);
        QCOMPARE(edit.styleSheet(), validStyle);

        edit.setPlainText(QStringLiteral("C3 ["));
        QTest::qWait(500);
        QVERIFY(!edit.styleSheet().contains(orangeBorder));
        QTRY_VERIFY_WITH_TIMEOUT(edit.styleSheet().contains(orangeBorder + " 255)"), 3000);
        QTest::qWait(600); // the pulse has ended and the opaque border stays
        QVERIFY(edit.styleSheet().contains(orangeBorder + " 255)"));

        edit.setPlainText(QStringLiteral("C3 [E3]"));
        QCOMPARE(edit.styleSheet(), validStyle);
    }

    void longTextIsValidatedAside()
    {
        NotesEdit edit;
        QSignalSpy valid(&edit, &NotesEdit::textChangedAndValid);
        const QString text = QStringLiteral("C3:96 ").repeated(NotesEdit::LongTextLength / 6 + 10);
        edit.setPlainText(text);
        QCOMPARE(valid.count(), 0);
        edit.moveCursor(QTextCursor::End);
        QTest::keyClicks(&edit, QStringLiteral("e3"));
        // The newest text is validated and coloured once the worker is done.
        QTRY_VERIFY_WITH_TIMEOUT(edit.tokens().contains(text.size()), 60000);
        QVERIFY(valid.count() >= 1);
        QCOMPARE(formatAt(edit, text.size()).foreground().color(), QColor(0, 112, 214));

        // Shortened below the limit while a long text is being validated:
        // the short text counts at once, the long result is dropped.
        edit.setPlainText(text + QStringLiteral("["));
        edit.setPlainText(QStringLiteral("D3"));
        QCOMPARE(edit.tokens().size(), 1);
        QVERIFY(QThreadPool::globalInstance()->waitForDone(60000));
        QTest::qWait(10);
        QCOMPARE(edit.tokens().size(), 1);
        QCOMPARE(edit.tokens().firstKey(), 0);
    }

    // Text layout breaks lines at spaces first; through a long stretch
    // without one it searched the rest of the stretch for every line it made
    // (100,000 brackets froze the window for seconds).
    void longStretchesWithoutSpacesWrapAnywhere_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("wrapMode");

        const int longest = NotesEdit::LongestUnbrokenRun;
        QTest::newRow("notes") << QStringLiteral("C3:96:100% ").repeated(2000) << int(QTextOption::WrapAtWordBoundaryOrAnywhere);
        QTest::newRow("longest stretch") << QStringLiteral("C3 ") + QString(longest, QLatin1Char('['))
                                         << int(QTextOption::WrapAtWordBoundaryOrAnywhere);
        QTest::newRow("longer") << QStringLiteral("C3 ") + QString(longest + 1, QLatin1Char('['))
                                << int(QTextOption::WrapAnywhere);
        QTest::newRow("on a later line") << QStringLiteral("C3\n") + QStringLiteral("C3,").repeated(longest)
                                         << int(QTextOption::WrapAnywhere);
    }

    void longStretchesWithoutSpacesWrapAnywhere()
    {
        QFETCH(QString, text);
        QFETCH(int, wrapMode);
        NotesEdit edit;
        edit.resize(200, 200);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setPlainText(text);
        // Chosen before the text was laid out: the layout used it.
        const QTextBlock last = edit.document()->lastBlock();
        QVERIFY(last.layout()->lineCount() > 0);
        QCOMPARE(int(last.layout()->textOption().wrapMode()), wrapMode);
        // Back to breaking at spaces once the stretch is gone.
        edit.setPlainText(QStringLiteral("C3 E3"));
        QCOMPARE(edit.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    }

    // Colouring goes over a long text a slice per pass of the event loop,
    // and over a long line's start only, so neither holds the window up.
    void colouringWorkIsBounded()
    {
        NotesEdit edit;
        // Validated at once, but longer than a slice.
        const QString line = QStringLiteral("C3:96:100%\n");
        const int lines = NotesEdit::LongTextLength / line.size() - 1;
        QVERIFY(lines * line.size() > NotesEdit::ColouringSliceLength);
        edit.setPlainText(line.repeated(lines));
        const QColor pitch(0, 112, 214);
        QCOMPARE(formatAt(edit, 0).foreground().color(), pitch);
        const int lastLine = (lines - 1) * line.size();
        QVERIFY(!formatAt(edit, lastLine).hasProperty(QTextFormat::ForegroundBrush));
        QTRY_COMPARE(formatAt(edit, lastLine).foreground().color(), pitch);

        // One line of 20,000 notes: coloured where it starts, plain after.
        const QString note = QStringLiteral("C3:96:100% ");
        edit.setPlainText(note.repeated(20000));
        const int late = (NotesEdit::ColouredLineLength / note.size() + 1) * note.size();
        QTRY_VERIFY_WITH_TIMEOUT(edit.tokens().contains(late), 60000);
        QTRY_COMPARE(formatAt(edit, 0).foreground().color(), pitch);
        QVERIFY(!formatAt(edit, late).hasProperty(QTextFormat::ForegroundBrush));
    }

    void badInputIsColouredWithoutACrash_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");

        QTest::newRow("control characters") << QStringLiteral("C3\x01\x02 \x1b[E3") << false;
        QTest::newRow("tabs") << QStringLiteral("C3:96\tE3\t") << true;
        QTest::newRow("unmatched brackets") << QStringLiteral("[[(C3 {E3]") << false;
        QTest::newRow("deep nesting") << QString(100000, QLatin1Char('[')) << false;
        QTest::newRow("long") << QStringLiteral("C3:96:100% // x\n").repeated(600) << true;
        QTest::newRow("non-ASCII before lists") << QStringLiteral("// \u00e9\u4e2d\nC3:96 E3") << true;
    }

    void badInputIsColouredWithoutACrash()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        NotesEdit edit;
        QSignalSpy reported(&edit, &NotesEdit::textChangedAndValid);
        edit.setPlainText(text);
        QCOMPARE(reported.count(), valid ? 1 : 0);
        QTest::keyClick(&edit, Qt::Key_Tab);
        QTest::keyClicks(&edit, QStringLiteral("e"));
    }
};

VORMA_GUI_TEST_MAIN(tst_NotesEdit)
#include "tst_notesedit.moc"
