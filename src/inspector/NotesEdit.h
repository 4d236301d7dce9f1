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

public:
    // Start position -> (length, kind) of each list the last validation found.
    using TokenMap = QMap<int, QPair<int, QmdVormaController::NotesToken>>;

    // Texts at least this long are validated on a worker thread, so typing
    // stays responsive while the notes language works through them.
    static constexpr int LongTextLength = 10000;

    explicit NotesEdit(QWidget *parent = nullptr);

    qreal currentErrorPulseValue() const { return m_currentErrorPulseValue; }
    void setCurrentErrorPulseValue(qreal value) { m_currentErrorPulseValue = value; }

    const TokenMap &tokens() const { return m_tokenMap; }

signals:
    void textChangedAndValid();

protected:
    void customEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private slots:
    void onDocumentContentsChanged();
    void onErrorPulseValueChanged();
    void onValidationFinished();

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
    QFutureWatcher<Validation> *m_longTextValidation;
    bool m_chordOpen = false;
    QStringList m_chordEntries;
    QString m_textBeforeChord;
};

#endif
