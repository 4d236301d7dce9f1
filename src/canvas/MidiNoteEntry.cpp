#include "canvas/MidiNoteEntry.h"

#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/PitchNames.h"
#include "QmdVorma/QmdVormaController.h"
#include "widgets/MidiEvent.h"

#include <QCoreApplication>

using namespace QmdVorma;

void MidiNoteEntry::enter(const MidiEvent &event, QmdVormaController *controller, const QmdItemIdSet &selected)
{
    const QVector<quint8> &bytes = event.bytes;
    // A data byte with its top bit set is no note: the message is garbled.
    if (bytes.size() != 3 || (bytes.at(1) | bytes.at(2)) & 0x80)
        return;
    const int status = bytes.at(0) & 0xF0;
    const quint8 key = bytes.at(1);
    const quint8 velocity = bytes.at(2);
    if (status == 0x80 || (status == 0x90 && velocity == 0)) {
        m_chordOpen = false;
        m_chordEntries.clear();
        m_notesAtChordStart.clear();
        return;
    }
    if (status != 0x90)
        return;

    const QString pitch = pitchName(key);
    const QString velocityText = QString::number(velocity);
    m_chordEntries << QStringLiteral("%1:%2:100%").arg(pitch, velocityText);
    const bool append = event.modifiers() & Qt::ShiftModifier;
    const QString undoText = QCoreApplication::translate("NetworkView", "MIDI Entry");

    QmdRequestId rid = 0;
    for (QmdItemId id : selected) {
        if (!controller)
            break;
        QHash<QString, QVariant> values;
        switch (controller->elementData(id, Keys::Type).toInt()) {
        case NodeElement:
            values.insert(Keys::Notes, nodeNotes(controller, id, m_chordEntries.last(), append));
            break;
        case VoiceGroupElement:
            values.insert(Keys::InitialPitch, pitch);
            values.insert(Keys::InitialVelocity, velocityText);
            break;
        default:
            break;
        }
        if (!values.isEmpty())
            rid = controller->requestSetData(values, controller->elementIndex(id),
                                             QmdRequestOptions{0, undoText, rid});
    }
    m_chordOpen = true;
}

QString MidiNoteEntry::nodeNotes(QmdVormaController *controller, QmdItemId id, const QString &entry, bool append)
{
    const QString current = controller->elementData(id, Keys::Notes).toString();
    if (!m_chordOpen) {
        m_notesAtChordStart.insert(id, current);
        return append ? current + QLatin1Char('\n') + entry : entry;
    }
    QString text;
    if (append)
        text = m_notesAtChordStart.value(id, current) + QLatin1Char('\n');
    text += QStringLiteral("[\n ") + m_chordEntries.join(QStringLiteral("\n ")) + QStringLiteral("\n]");
    return text;
}
