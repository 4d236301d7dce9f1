#include "QmdVorma/antlr/NotesTrees.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/antlr/NotesParser.h"
#include "QmdVorma/antlr/NotesSyntaxNode.h"

#include <vector>

using namespace QmdVorma;

bool NotesTrees::storeNotesTree(QmdDirectModelInterface &d, const QmdIndex &notesTrees, QmdItemId nodeId,
                                const QString &text)
{
    return NotesParser::parseNotes(text, [&](bool ok, const NotesSyntaxNode &root) {
        if (!ok || nodeId == 0 || !notesTrees.isValid())
            return;
        d.setType(nodeId, Qmd::StrDict, notesTrees);
        buildNotesTreeNode(d, root, d.index(nodeId, notesTrees));
    });
}

void NotesTrees::buildNotesTreeNode(QmdDirectModelInterface &d, const NotesSyntaxNode &node, const QmdIndex &target)
{
    int method;
    switch (node.type()) {
    case NotesSyntaxNode::AstNoteNode:
        writeNoteLists(d, node, target);
        d.setData(Keys::CurrentPitchId, 0, target);
        d.setData(Keys::CurrentVelocityId, 0, target);
        d.setData(Keys::CurrentDurationId, 0, target);
        return;
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
        return;
    }
    d.setData(Keys::SignallingMethod, method, target);
    if (node.childCount() == 0)
        return;
    d.setType(Keys::Children, Qmd::IntDict, target);
    d.setData(Keys::CurrentChildId, 0, target);
    const QmdIndex children = d.index(Keys::Children, target);
    // Groups nest no deeper than the parser allows, so neither does this.
    for (int i = 0; i < node.childCount(); ++i) {
        const QmdItemId id = d.addType(Qmd::StrDict, children);
        buildNotesTreeNode(d, node.child(i), d.index(id, children));
    }
}

void NotesTrees::writeNoteLists(QmdDirectModelInterface &d, const NotesSyntaxNode &note, const QmdIndex &target)
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
        d.setData(*key, NotesParser::joinChildTexts(list, separator), target);
    }
}

void NotesTrees::resetNotesTreeCursors(QmdDirectModelInterface &d, const QmdIndex &index)
{
    if (!index.isValid() || !d.model())
        return;
    const QString *const cursors[] = {&Keys::CurrentChildId, &Keys::CurrentPitchId, &Keys::CurrentVelocityId,
                                      &Keys::CurrentDurationId};
    // A stack rather than recursion: the index may lie above any depth of
    // dictionaries.
    std::vector<QmdIndex> pending{index};
    while (!pending.empty()) {
        const QmdIndex dict = pending.back();
        pending.pop_back();
        const Qmd::ContainerType type = d.model()->type(dict);
        if (type == Qmd::NoContainer)
            continue;
        if (type == Qmd::StrDict) {
            for (const QString *key : cursors) {
                if (d.index(*key, dict).isValid())
                    d.setData(*key, 0, dict);
            }
        }
        for (const QmdIndex &child : d.indexes(dict)) {
            if (d.model()->type(child) != Qmd::NoContainer)
                pending.push_back(child);
        }
    }
}
