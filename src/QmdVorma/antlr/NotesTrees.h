#ifndef QMDVORMA_ANTLR_NOTESTREES_H
#define QMDVORMA_ANTLR_NOTESTREES_H

#include "Qmd/Qmd.h"

#include <QString>

class NotesTreeShape;
class QmdDirectModelInterface;
class QmdIndex;

// The notes trees of a network document: each node's notes text, parsed once
// and stored as plain document entries, so that playback reads lists and
// moves cursors without ever parsing.
//
// A tree is a string-keyed dictionary. A group holds `SignallingMethod` (0
// sequential, 1 parallel, 2 random) and, when it has items, `Children` (an
// integer-keyed dictionary, items numbered 1, 2, ... in text order) and the
// cursor `CurrentChildId`. A note holds `PitchList` and, when written, its
// `VelocityList` and `DurationList` (items joined by "," without spaces or
// comments), with the cursors `CurrentPitchId`, `CurrentVelocityId` and
// `CurrentDurationId`. The root is a sequential group.
//
// Every write goes straight to the model and belongs to whatever request
// the caller has open; nothing here opens one.
class NotesTrees
{
public:
    // Parses text and, when it is valid, makes entry nodeId of the
    // integer-keyed dictionary at notesTrees a fresh tree (replacing what was
    // there). Invalid text writes nothing, so the entry keeps whatever it
    // held. Returns whether the text is valid. An invalid notesTrees index or
    // node id 0 writes nothing either.
    static bool storeNotesTree(QmdDirectModelInterface &d, const QmdIndex &notesTrees, QmdItemId nodeId,
                               const QString &text);
    // The same for a text already parsed into its shape.
    static bool storeNotesTree(QmdDirectModelInterface &d, const QmdIndex &notesTrees, QmdItemId nodeId,
                               const NotesTreeShape &shape);

    // Sets every cursor that exists at or below the dictionary at index to 0;
    // creates none. Nothing for an invalid index or a plain value.
    static void resetNotesTreeCursors(QmdDirectModelInterface &d, const QmdIndex &index);
};

#endif
