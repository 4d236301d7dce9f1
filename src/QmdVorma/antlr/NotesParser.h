#ifndef QMDVORMA_ANTLR_NOTESPARSER_H
#define QMDVORMA_ANTLR_NOTESPARSER_H

#include "QmdVorma/antlr/NotesSyntaxNode.h"

#include <QMap>
#include <QPair>
#include <QString>

#include <functional>

// The notes language of a node's notes text: parsing with the generated
// VormaNotes recognizers, validation with the spans of the lists for syntax
// colouring, and the debugging check of a text. The document controller
// forwards its notes functions here.
//
// Every function runs a parse of its own: fresh recognizers, freed before it
// returns. The parser keeps its step counter itself, so no state of ours
// outlives a parse or is shared between parses.
class NotesParser
{
public:
    // The kind of a span that validateNotes reports.
    enum NotesToken { PitchListToken = 1, VelocityListToken = 2, DurationListToken = 3 };

    // Key: position of a list's first character in the validated text;
    // value: the list's length in characters, from its first character to
    // its last (the commas, spaces and comments between its items count), and
    // its kind. A list whose first item error recovery made up has key -1 and
    // length 0. Positions and lengths are QString positions.
    using NotesTokenMap = QMap<int, QPair<int, NotesToken>>;

    // ok: the text is valid. root: the root of the syntax tree, an
    // AstSequentialNode holding the text's items; after errors it can hold
    // error nodes (type Invalid) and tokens without position, and it is the
    // null node when the text was rejected before parsing. root and every
    // node below it are valid only during the call.
    using NotesParseCallback = std::function<void(bool ok, const NotesSyntaxNode &root)>;

    // Groups may nest this deep; a text whose brackets (outside comments)
    // nest deeper is invalid and rejected before parsing.
    static constexpr int MaxGroupDepth = 256;

    // Parses text, calls callback once with the result (valid text or not)
    // and returns whether the text is valid. callback must not be empty
    // (calling an empty one throws std::bad_function_call).
    static bool parseNotes(const QString &text, const NotesParseCallback &callback);

    // Returns whether text is valid and adds to map one entry per pitch,
    // velocity and duration list of every note that reached the syntax tree,
    // valid text or not. The map is not cleared first.
    static bool validateNotes(const QString &text, NotesTokenMap &map);

    // Debugging aid: parses text, writes the text, the tree (when valid) and
    // the result to the debug output and returns the result; ends the process
    // with exit code 1 when the result is not expectedResult.
    static bool unitTestNotes(const QString &text, bool expectedResult);

    // The texts of node's children joined by separator, a list item's text
    // being its tokens' texts joined by nothing: for a pitch list parsed from
    // "C3, +2" with separator "," this is "C3,+2".
    static QString joinChildTexts(const NotesSyntaxNode &node, const QString &separator);
};

#endif
