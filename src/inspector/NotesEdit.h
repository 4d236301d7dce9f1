#ifndef INSPECTOR_NOTESEDIT_H
#define INSPECTOR_NOTESEDIT_H

#include "QmdVorma/QmdVormaController.h"

#include <QFutureWatcher>
#include <QMap>
#include <QPair>
#include <QPlainTextEdit>
#include <QStringList>

class MidiEvent;
class NotesSyntaxHighligher;
class QPropertyAnimation;
class QTimer;

// The editor of a node's notes text. It validates the text on every change
// and reports only valid text (textChangedAndValid), so the document never
// holds notes it cannot play; text left invalid for a second gets a pulsing
// orange border. Lists are coloured as they are typed, Tab completes a
// note, letters outside comments are upper-cased, and notes played on a
// MIDI keyboard are written in, notes held together as a bracketed chord.
class NotesEdit : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(qreal currentErrorPulseValue READ currentErrorPulseValue WRITE setCurrentErrorPulseValue STORED true)
    // The base's property, written the way the binding needs it.
    Q_PROPERTY(QString plainText READ toPlainText WRITE setNotesText NOTIFY textChanged USER true)

public:
    // Start position -> (length, kind) of each list the last validation found.
    using TokenMap = QMap<int, QPair<int, QmdVormaController::NotesToken>>;

    // Texts at least this long are validated on a worker thread, so typing
    // stays responsive while the notes language works through them.
    static constexpr int LongTextLength = 10000;

    // Lines wrap at spaces; a stretch longer than this without one wraps
    // anywhere instead. Text layout looks for a space through the whole rest
    // of such a stretch for every line it makes, which takes seconds for a
    // line of 100,000 brackets.
    static constexpr int LongestUnbrokenRun = 1000;

    // Lists are coloured in the first this many characters of a line only:
    // a line is laid out whole, and every change of colour in it adds to the
    // time its layout and painting take (a line of 20,000 coloured notes
    // held the window up for a tenth of a second at each repaint).
    static constexpr int ColouredLineLength = 20000;

    // After a validation the lines are coloured anew in slices of about this
    // many characters, one slice per pass of the event loop, so that
    // colouring a long text never holds the window up.
    static constexpr int ColouringSliceLength = 5000;

    explicit NotesEdit(QWidget *parent = nullptr);

    qreal currentErrorPulseValue() const { return m_currentErrorPulseValue; }
    void setCurrentErrorPulseValue(qreal value) { m_currentErrorPulseValue = value; }

    const TokenMap &tokens() const { return m_tokenMap; }

    // The text from the document, after an undo or redo of typing too. While
    // the editor has the focus the cursor goes to the end of what changed,
    // where a text editor's undo leaves it, not to the start.
    void setNotesText(const QString &text);

signals:
    void textChangedAndValid();
    // The editor took the focus: an edit starts.
    void focusEntered();

protected:
    void customEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private slots:
    void onDocumentContentsChange();
    void onDocumentContentsChanged();
    void onErrorPulseValueChanged();
    void onValidationFinished();
    void colourSlice();

private:
    struct Validation
    {
        QString text;
        bool valid = false;
        TokenMap tokens;
    };
    static Validation validate(const QString &text);
    void applyValidation(const Validation &validation);
    void completeNote();
    bool cursorIsInComment() const;
    void enterMidiMessage(const MidiEvent &event);

    qreal m_currentErrorPulseValue = 0;
    QString m_validatedText; // the text of the last validation started
    NotesSyntaxHighligher *m_highlighter;
    TokenMap m_tokenMap;
    QPropertyAnimation *m_errorPulseAnimation;
    QTimer *m_errorDelayTimer;
    QTimer *m_colouringTimer;
    int m_nextColouredLine = 0; // the first line of the next slice
    QFutureWatcher<Validation> *m_longTextValidation;
    bool m_chordOpen = false;
    QStringList m_chordEntries;
    QString m_textBeforeChord;
};

#endif
