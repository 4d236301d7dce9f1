#ifndef CANVAS_MIDINOTEENTRY_H
#define CANVAS_MIDINOTEENTRY_H

#include "Qmd/Qmd.h"

#include <QHash>
#include <QString>
#include <QStringList>

class MidiEvent;
class QmdVormaController;

// Notes played on a MIDI keyboard while the canvas has the focus, written
// into the selected elements: a node's notes become the played note, or a
// chord of every note held since the first (Shift adds it on a new line
// after the text the node had before the chord), a voice group's initial
// pitch and velocity become the note's. Each note-on is one undo step.
//
// Any note-off ends the chord, even while other keys are still held.
class MidiNoteEntry
{
public:
    void enter(const MidiEvent &event, QmdVormaController *controller, const QmdItemIdSet &selected);

    bool isChordOpen() const { return m_chordOpen; }

private:
    QString nodeNotes(QmdVormaController *controller, QmdItemId id, const QString &entry, bool append);

    bool m_chordOpen = false;
    // The notes held since the chord began, as notes-language entries.
    QStringList m_chordEntries;
    // Each node's notes as they were when the chord's first note came.
    QHash<QmdItemId, QString> m_notesAtChordStart;
};

#endif
