#ifndef TESTS_QMDVORMA_EDITINGTESTSUPPORT_H
#define TESTS_QMDVORMA_EDITINGTESTSUPPORT_H

#include "QmdVorma/VormaTestSupport.h"

#include "QmdVorma/QmdVorma.h"
#include "QmdVorma/antlr/NotesTrees.h"

// Networks drawn through the controller's requests, each settled (its
// change signals delivered) before the helper returns.

inline QString elementPath(QmdItemId id)
{
    return QStringLiteral("Elements/%1").arg(id);
}

inline QString statePath(QmdItemId id)
{
    return QStringLiteral("Temp/ElementStates/%1").arg(id);
}

inline QString treePath(QmdItemId id)
{
    return QStringLiteral("Temp/NodeNotesTrees/%1").arg(id);
}

inline QmdItemId addNode(VormaDocument &doc, qint64 x = 0, qint64 y = 0)
{
    QmdItemId id = 0;
    doc.controller.requestAddNode(QmdVorma::TickPoint(x, y), CreationFlags(),
                                  QmdRequestOptions{0, QStringLiteral("Node"), 0}, &id);
    settle();
    return id;
}

inline QmdItemId addEdge(VormaDocument &doc, QmdItemId from, QmdItemId to,
                         QmdVorma::EdgePath path = QmdVorma::CityBlock)
{
    QmdVormaController &c = doc.controller;
    QmdItemId id = 0;
    c.requestAddEdge(c.elementIndex(from), c.elementIndex(to), path, CreationFlags(),
                     QmdRequestOptions{0, QStringLiteral("Edge"), 0}, &id);
    settle();
    return id;
}

// The element added last (ids are handed out upwards).
inline QmdItemId lastElement(const VormaDocument &doc)
{
    const QmdItemIdList ids = doc.controller.elementIds();
    return ids.isEmpty() ? 0 : ids.last();
}

inline QmdItemId addVoiceGroup(VormaDocument &doc, QmdItemId node)
{
    doc.controller.requestAddVoiceGroup(doc.controller.elementIndex(node));
    settle();
    return lastElement(doc);
}

inline QmdRequestId removeElements(VormaDocument &doc, const QmdItemIdList &ids)
{
    const QmdRequestId rid = doc.controller.requestRemove(ids, doc.controller.elementsIndex());
    settle();
    return rid;
}

inline void undo(VormaDocument &doc)
{
    doc.controller.requestUndo();
    settle();
}

inline void redo(VormaDocument &doc)
{
    doc.controller.requestRedo();
    settle();
}

// The dump of the notes tree a node with this text gets.
inline QString notesTreeOf(const QString &text)
{
    DirectDocument scratch;
    QmdIndex trees;
    scratch.change([&] {
        scratch.d.setType(QStringLiteral("Trees"), Qmd::IntDict);
        trees = scratch.d.index(QStringLiteral("Trees"));
        NotesTrees::storeNotesTree(scratch.d, trees, 1, text);
    });
    return dumpTree(&scratch.model, scratch.d.index(1, trees));
}

#endif
