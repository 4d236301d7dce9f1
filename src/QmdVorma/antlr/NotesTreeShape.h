#ifndef QMDVORMA_ANTLR_NOTESTREESHAPE_H
#define QMDVORMA_ANTLR_NOTESTREESHAPE_H

#include <QHash>
#include <QString>
#include <QVariant>

#include <cstddef>
#include <vector>

class NotesSyntaxNode;

// What NotesTrees writes for one notes text, made from the text alone.
//
// Parsing is most of the work of building a tree, and it needs no document:
// a load makes the shapes of many texts at once on worker threads and writes
// them into the document afterwards, in order, on its own thread. Making a
// shape touches nothing shared.
class NotesTreeShape
{
public:
    // One dictionary of the tree. Entries lie in the order a depth-first walk
    // meets them, so a group's items follow it directly.
    struct Entry
    {
        // Its keys, as one write; empty for a node that is neither a group
        // nor a note, which writes nothing.
        QHash<QString, QVariant> values;
        // How many items its `Children` dictionary gets.
        int childCount = 0;
        // The position just past this entry and everything below it.
        std::size_t end = 0;
    };

    // The invalid shape: a text that is not valid.
    NotesTreeShape() = default;

    static NotesTreeShape fromText(const QString &text);

    bool isValid() const { return m_valid; }
    // The root first; empty for an invalid shape.
    const std::vector<Entry> &entries() const { return m_entries; }

private:
    void add(const NotesSyntaxNode &node);

    bool m_valid = false;
    std::vector<Entry> m_entries;
};

#endif
