#include "QmdVorma/antlr/NotesTreeShape.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/antlr/NotesParser.h"
#include "QmdVorma/antlr/NotesSyntaxNode.h"

using namespace QmdVorma;

namespace {

void addNoteLists(QHash<QString, QVariant> &values, const NotesSyntaxNode &note)
{
    const QString separator = QStringLiteral(",");
    for (int i = 0; i < note.childCount(); ++i) {
        const NotesSyntaxNode list = note.child(i);
        const QString *key;
        switch (list.type()) {
        case NotesSyntaxNode::AstPitchList:
            key = &Keys::PitchList;
            break;
        case NotesSyntaxNode::AstVelocityList:
            key = &Keys::VelocityList;
            break;
        case NotesSyntaxNode::AstDurationList:
            key = &Keys::DurationList;
            break;
        default:
            continue;
        }
        // The list as written, without its spaces and comments.
        values.insert(*key, NotesParser::joinChildTexts(list, separator));
    }
}

} // namespace

NotesTreeShape NotesTreeShape::fromText(const QString &text)
{
    NotesTreeShape shape;
    NotesParser::parseNotes(text, [&shape](bool ok, const NotesSyntaxNode &root) {
        if (!ok)
            return;
        shape.m_valid = true;
        shape.add(root);
    });
    return shape;
}

// Groups nest no deeper than the parser allows, so neither does this.
void NotesTreeShape::add(const NotesSyntaxNode &node)
{
    const std::size_t position = m_entries.size();
    m_entries.emplace_back();
    int method;
    switch (node.type()) {
    case NotesSyntaxNode::AstNoteNode: {
        QHash<QString, QVariant> &values = m_entries[position].values;
        addNoteLists(values, node);
        values.insert(Keys::CurrentPitchId, 0);
        values.insert(Keys::CurrentVelocityId, 0);
        values.insert(Keys::CurrentDurationId, 0);
        m_entries[position].end = m_entries.size();
        return;
    }
    case NotesSyntaxNode::AstSequentialNode:
        method = 0;
        break;
    case NotesSyntaxNode::AstParallelNode:
        method = 1;
        break;
    case NotesSyntaxNode::AstRandomNode:
        method = 2;
        break;
    default:
        m_entries[position].end = m_entries.size();
        return;
    }
    const int count = node.childCount();
    {
        Entry &entry = m_entries[position];
        entry.values.insert(Keys::SignallingMethod, method);
        if (count > 0)
            entry.values.insert(Keys::CurrentChildId, 0);
        entry.childCount = count;
    }
    // The vector grows below: the entry is found again by its position.
    for (int i = 0; i < count; ++i)
        add(node.child(i));
    m_entries[position].end = m_entries.size();
}
