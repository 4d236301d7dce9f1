#include "QmdVorma/antlr/NotesTrees.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/antlr/NotesParser.h"
#include "QmdVorma/antlr/NotesSyntaxNode.h"

#include <QHash>
#include <QVariant>

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
    // One write per dictionary: a load builds thousands of trees, and every
    // write is a change of its own to file and announce.
    QHash<QString, QVariant> values;
    int method;
    switch (node.type()) {
    case NotesSyntaxNode::AstNoteNode:
        addNoteLists(values, node);
        values.insert(Keys::CurrentPitchId, 0);
        values.insert(Keys::CurrentVelocityId, 0);
        values.insert(Keys::CurrentDurationId, 0);
        d.model()->setData(values, target);
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
    values.insert(Keys::SignallingMethod, method);
    if (node.childCount() == 0) {
        d.model()->setData(values, target);
        return;
    }
    values.insert(Keys::CurrentChildId, 0);
    d.model()->setData(values, target);
    d.setType(Keys::Children, Qmd::IntDict, target);
    const QmdIndex children = d.index(Keys::Children, target);
    QList<Qmd::ContainerType> types;
    for (int i = 0; i < node.childCount(); ++i)
        types.append(Qmd::StrDict);
    const QmdItemIdList ids = d.addTypes(types, children);
    // Groups nest no deeper than the parser allows, so neither does this.
    for (int i = 0; i < ids.size(); ++i)
        buildNotesTreeNode(d, node.child(i), d.index(ids.at(i), children));
}

void NotesTrees::writeNoteLists(QmdDirectModelInterface &d, const NotesSyntaxNode &note, const QmdIndex &target)
{
    QHash<QString, QVariant> lists;
    addNoteLists(lists, note);
    if (!lists.isEmpty())
        d.model()->setData(lists, target);
}

void NotesTrees::addNoteLists(QHash<QString, QVariant> &values, const NotesSyntaxNode &note)
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
        values.insert(*key, NotesParser::joinChildTexts(list, separator));
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
