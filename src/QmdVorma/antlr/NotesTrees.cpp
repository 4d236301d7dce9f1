#include "QmdVorma/antlr/NotesTrees.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/antlr/NotesTreeShape.h"

#include <vector>

using namespace QmdVorma;

namespace {

// Writes the shape's entry at `position` into the dictionary at target, and
// its items below it.
void writeEntry(QmdDirectModelInterface &d, const std::vector<NotesTreeShape::Entry> &entries, std::size_t position,
                const QmdIndex &target)
{
    const NotesTreeShape::Entry &entry = entries[position];
    // One write per dictionary: a load builds thousands of trees, and every
    // write is a change of its own to file and announce.
    if (!entry.values.isEmpty())
        d.model()->setRunTimeData(entry.values, target);
    if (entry.childCount == 0)
        return;
    d.setType(Keys::Children, Qmd::IntDict, target);
    const QmdIndex children = d.index(Keys::Children, target);
    QList<Qmd::ContainerType> types;
    types.reserve(entry.childCount);
    for (int i = 0; i < entry.childCount; ++i)
        types.append(Qmd::StrDict);
    const QmdItemIdList ids = d.addTypes(types, children);
    std::size_t item = position + 1;
    for (const QmdItemId id : ids) {
        writeEntry(d, entries, item, d.index(id, children));
        item = entries[item].end;
    }
}

} // namespace

bool NotesTrees::storeNotesTree(QmdDirectModelInterface &d, const QmdIndex &notesTrees, QmdItemId nodeId,
                                const QString &text)
{
    return storeNotesTree(d, notesTrees, nodeId, NotesTreeShape::fromText(text));
}

bool NotesTrees::storeNotesTree(QmdDirectModelInterface &d, const QmdIndex &notesTrees, QmdItemId nodeId,
                                const NotesTreeShape &shape)
{
    if (!shape.isValid())
        return false;
    if (nodeId == 0 || !notesTrees.isValid())
        return true;
    d.setType(nodeId, Qmd::StrDict, notesTrees);
    // Groups nest no deeper than the parser allows, so neither does this.
    writeEntry(d, shape.entries(), 0, d.index(nodeId, notesTrees));
    return true;
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
