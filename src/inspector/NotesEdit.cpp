#include "inspector/NotesEdit.h"

#include "inspector/KeyEventText.h"
#include "inspector/MidiNoteMessages.h"
#include "inspector/NotesSyntaxHighligher.h"

#include "QmdVorma/PitchNames.h"
#include "widgets/MidiEvent.h"

#include <QKeyEvent>
#include <QLocale>
#include <QPropertyAnimation>
#include <QtConcurrent>
#include <QTextBlock>
#include <QTimer>

namespace {

const QString validStyleSheet = QStringLiteral("QPlainTextEdit { border-width: 1px; padding: 1px; }");

bool hasLongUnbrokenRun(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.length() <= NotesEdit::LongestUnbrokenRun)
            continue;
        const QString text = block.text();
        int run = 0;
        for (const QChar c : text) {
            run = c.isSpace() ? 0 : run + 1;
            if (run > NotesEdit::LongestUnbrokenRun)
                return true;
        }
    }
    return false;
}

} // namespace

NotesEdit::NotesEdit(QWidget *parent)
    : QPlainTextEdit(parent),
      m_highlighter(nullptr),
      m_errorPulseAnimation(new QPropertyAnimation(this, "currentErrorPulseValue", this)),
      m_errorDelayTimer(new QTimer(this)),
      m_colouringTimer(new QTimer(this)),
      m_longTextValidation(new QFutureWatcher<Validation>(this))
{
    // Not shipped on Linux: the hint lets fontconfig pick an installed
    // monospace family.
    QFont notesFont(QStringLiteral("Lucida Console"), 10);
    notesFont.setStyleHint(QFont::Monospace);
    setFont(notesFont);

    m_errorPulseAnimation->setDuration(500);
    m_errorPulseAnimation->setLoopCount(1);
    m_errorPulseAnimation->setKeyValueAt(0, 10);
    m_errorPulseAnimation->setKeyValueAt(0.33, 255);
    m_errorPulseAnimation->setKeyValueAt(0.66, 10);
    m_errorPulseAnimation->setKeyValueAt(1, 255);
    m_errorDelayTimer->setSingleShot(true);
    m_errorDelayTimer->setInterval(1000);
    m_colouringTimer->setSingleShot(true);
    m_colouringTimer->setInterval(0);
    // Before the highlighter's: the wrap mode is chosen before the changed
    // text is laid out.
    connect(document(), &QTextDocument::contentsChange, this, &NotesEdit::onDocumentContentsChange);
    m_highlighter = new NotesSyntaxHighligher(this, document());

    connect(m_errorPulseAnimation, &QVariantAnimation::valueChanged, this, &NotesEdit::onErrorPulseValueChanged);
    connect(m_errorDelayTimer, &QTimer::timeout, m_errorPulseAnimation,
            [this] { m_errorPulseAnimation->start(); });
    connect(document(), &QTextDocument::contentsChanged, this, &NotesEdit::onDocumentContentsChanged);
    connect(m_longTextValidation, &QFutureWatcherBase::finished, this, &NotesEdit::onValidationFinished);
    connect(m_colouringTimer, &QTimer::timeout, this, &NotesEdit::colourSlice);
}

void NotesEdit::setNotesText(const QString &text)
{
    const QString old = toPlainText();
    if (text == old)
        return;
    if (!hasFocus()) {
        setPlainText(text);
        return;
    }
    const int shorter = qMin(old.size(), text.size());
    int prefix = 0;
    while (prefix < shorter && old.at(prefix) == text.at(prefix))
        ++prefix;
    int suffix = 0;
    while (suffix < shorter - prefix && old.at(old.size() - 1 - suffix) == text.at(text.size() - 1 - suffix))
        ++suffix;
    setPlainText(text);
    QTextCursor cursor = textCursor();
    cursor.setPosition(text.size() - suffix);
    setTextCursor(cursor);
}

void NotesEdit::onDocumentContentsChange()
{
    // The layout of the change follows this signal.
    const QTextOption::WrapMode mode = hasLongUnbrokenRun(*document()) ? QTextOption::WrapAnywhere
                                                                        : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != mode)
        setWordWrapMode(mode);
}

void NotesEdit::onDocumentContentsChanged()
{
    // Highlighting changes formats, which the document reports as a change
    // of contents too; only new text is validated, and each text once.
    const QString text = toPlainText();
    if (text == m_validatedText)
        return;
    m_validatedText = text;

    if (text.size() < LongTextLength) {
        applyValidation(validate(text));
        return;
    }
    // One worker at a time: when it is done it takes on the newest text.
    if (!m_longTextValidation->isRunning())
        m_longTextValidation->setFuture(QtConcurrent::run(&NotesEdit::validate, text));
}

void NotesEdit::onValidationFinished()
{
    const Validation validation = m_longTextValidation->result();
    const QString text = toPlainText();
    if (validation.text == text)
        applyValidation(validation);
    else if (text == m_validatedText && text.size() >= LongTextLength)
        m_longTextValidation->setFuture(QtConcurrent::run(&NotesEdit::validate, text));
    // A short text typed meanwhile has been validated already.
}

NotesEdit::Validation NotesEdit::validate(const QString &text)
{
    Validation validation;
    validation.text = text;
    validation.valid = QmdVormaController::validateNotes(text, validation.tokens);
    return validation;
}

void NotesEdit::applyValidation(const Validation &validation)
{
    if (validation.valid) {
        m_errorDelayTimer->stop();
        m_errorPulseAnimation->stop();
        // Re-polishing is costly; most keystrokes leave valid text valid.
        if (styleSheet() != validStyleSheet)
            setStyleSheet(validStyleSheet);
    } else {
        m_errorDelayTimer->start();
    }
    m_tokenMap = validation.tokens;

    m_colouringTimer->stop();
    m_nextColouredLine = 0;
    colourSlice();
    // Last: a receiver that writes the text back into the editor finds it
    // validated and coloured already (all of it but a long text's rest).
    if (validation.valid)
        emit textChangedAndValid();
}

void NotesEdit::colourSlice()
{
    QTextBlock line = document()->findBlockByNumber(m_nextColouredLine);
    int coloured = 0;
    // Formats are not contents: blocked, the document does not say they
    // changed.
    const bool blocked = document()->blockSignals(true);
    while (line.isValid() && coloured < ColouringSliceLength) {
        m_highlighter->rehighlightBlock(line);
        coloured += line.length();
        line = line.next();
    }
    document()->blockSignals(blocked);
    if (line.isValid()) {
        m_nextColouredLine = line.blockNumber();
        m_colouringTimer->start();
    }
}

void NotesEdit::onErrorPulseValueChanged()
{
    setStyleSheet(QStringLiteral("QPlainTextEdit { border: 2px solid rgba(255, 128, 0, %1); border-radius: 4px; }")
                      .arg(QString::number(m_currentErrorPulseValue, 'g', QLocale::FloatingPointShortest)));
}

void NotesEdit::customEvent(QEvent *event)
{
    if (const MidiEvent *midi = MidiEvent::from(event))
        enterMidiMessage(*midi);
}

void NotesEdit::enterMidiMessage(const MidiEvent &event)
{
    const QVector<quint8> &bytes = event.bytes;
    if (isNoteOffMessage(bytes)) {
        // Any release ends the chord, even with other keys still down: the
        // next note starts a line of its own.
        m_chordOpen = false;
        m_chordEntries.clear();
        m_textBeforeChord.clear();
        return;
    }
    if (!isNoteOnMessage(bytes))
        return;

    const QString entry = QStringLiteral("%1:%2:100%").arg(QmdVorma::pitchName(bytes[1])).arg(bytes[2]);
    m_chordEntries << entry;
    if (!m_chordOpen) {
        m_textBeforeChord = toPlainText();
        appendPlainText(entry);
    } else {
        QString chord;
        if (!m_textBeforeChord.isEmpty())
            chord = m_textBeforeChord + QLatin1Char('\n');
        chord += QStringLiteral("[\n ") + m_chordEntries.join(QStringLiteral("\n ")) + QStringLiteral("\n]");
        // One undo step that Ctrl+Z takes back whole, unlike setPlainText().
        QTextCursor cursor(document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(chord);
        cursor.movePosition(QTextCursor::End);
        setTextCursor(cursor);
    }
    m_chordOpen = true;
}

void NotesEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Tab) {
        event->accept();
        completeNote();
        return;
    }
    if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z && !cursorIsInComment()) {
        QKeyEvent copy = keyEventWithText(*event, event->text().toUpper());
        QPlainTextEdit::keyPressEvent(&copy);
        event->setAccepted(copy.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool NotesEdit::cursorIsInComment() const
{
    const QTextCursor cursor = textCursor();
    const int slashes = cursor.block().text().indexOf(QLatin1String("//"));
    return slashes >= 0 && cursor.positionInBlock() > slashes + 1;
}

void NotesEdit::completeNote()
{
    const int cursor = textCursor().position();
    // The nearest span that starts at or before the cursor; spans that error
    // recovery made up (no place, or no length) are not there.
    auto it = m_tokenMap.upperBound(cursor);
    do {
        if (it == m_tokenMap.begin())
            return;
        --it;
    } while (it.key() < 0 || it.value().first <= 0);
    const int spanEnd = it.key() + it.value().first;
    if (cursor < spanEnd)
        return;

    // While a long text is validated aside the map can be older than the
    // text: never look past the text's end.
    const QString text = toPlainText();
    if (cursor > text.size() || spanEnd > text.size())
        return;
    for (int i = spanEnd; i < cursor; ++i) {
        if (!text.at(i).isSpace())
            return;
    }
    if (cursor < text.size() && text.at(cursor) == QLatin1Char(':'))
        return;

    switch (it.value().second) {
    case QmdVormaController::PitchListToken: insertPlainText(QStringLiteral(":96")); break;
    case QmdVormaController::VelocityListToken: insertPlainText(QStringLiteral(":100%")); break;
    default: break;
    }
}

void NotesEdit::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    emit focusEntered();
}

bool NotesEdit::focusNextPrevChild(bool)
{
    // Tab belongs to completion: the focus never leaves the editor by it.
    setFocus(Qt::TabFocusReason);
    return false;
}
