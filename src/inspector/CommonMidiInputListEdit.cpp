#include "inspector/CommonMidiInputListEdit.h"

#include "inspector/FlashingValidator.h"
#include "inspector/MidiNoteMessages.h"

#include "QmdVorma/PitchNames.h"
#include "widgets/MidiEvent.h"

#include <QStringList>

namespace {

// "0x90 0x3c 0x64": the form the message list's expression accepts.
QString rawMessageText(const QVector<quint8> &bytes)
{
    QStringList parts;
    parts.reserve(bytes.size());
    for (quint8 byte : bytes)
        parts << QStringLiteral("0x") + QString::number(byte, 16);
    return parts.join(QLatin1Char(' '));
}

} // namespace

CommonMidiInputListEdit::CommonMidiInputListEdit(QWidget *parent) : QLineEdit(parent)
{
}

void CommonMidiInputListEdit::customEvent(QEvent *event)
{
    if (const MidiEvent *midi = MidiEvent::from(event))
        insertMidiMessage(*midi);
}

void CommonMidiInputListEdit::setPattern(const QString &pattern)
{
    const QValidator *previous = validator();
    setValidator(new FlashingValidator(QRegularExpression(pattern), this));
    delete previous;
}

void CommonMidiInputListEdit::insertMidiMessage(const MidiEvent &event)
{
    const QVector<quint8> &bytes = event.bytes;
    QString value;
    switch (inputKind()) {
    case PitchInput:
    case VelocityInput:
        if (!isNoteOnMessage(bytes))
            return;
        value = inputKind() == PitchInput ? QmdVorma::pitchName(bytes[1]) : QString::number(bytes[2]);
        break;
    case RawMessageInput:
        // An empty message says nothing; it must not wipe the list.
        if (bytes.isEmpty())
            return;
        value = rawMessageText(bytes);
        break;
    default:
        return;
    }

    const bool replace = !m_listMode
                         || (inputKind() == RawMessageInput && !event.modifiers().testFlag(Qt::ShiftModifier));
    if (replace) {
        // Through the undo history, unlike setText(), so Ctrl+Z brings the
        // old text back.
        selectAll();
        insert(value);
        return;
    }

    const int pos = hasSelectedText() ? selectionStart() : cursorPosition();
    QString remaining = text();
    if (hasSelectedText())
        remaining.remove(selectionStart(), selectedText().size());
    const QChar comma(QLatin1Char(','));
    if (pos > 0 && remaining.at(pos - 1) != comma)
        value.prepend(comma);
    if (pos < remaining.size() && remaining.at(pos) != comma)
        value.append(comma);
    insert(value);
}
