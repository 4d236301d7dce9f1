#ifndef QMD_QMDDICTIONARYNODE_H
#define QMD_QMDDICTIONARYNODE_H

#include "Qmd/QmdIndex.h"


class QmdMemModel;

// The common head of the dictionary nodes of an in-memory document
// (QmdMemModel::IntDictSpecialItem and QmdMemModel::StrDictSpecialItem).
// Outside the model it is only an opaque pointer inside QmdIndex.
class QmdDictionaryNode
{
public:
    virtual ~QmdDictionaryNode();

    QmdDictionaryNode(const QmdDictionaryNode &) = delete;
    QmdDictionaryNode &operator=(const QmdDictionaryNode &) = delete;

    const int type;          // Qmd::IntDict or Qmd::StrDict
    const QmdIndex location; // the entry that held this node when it was made
    QmdMemModel *const owner;
    // Unique for the life of the process, so an index into a freed node is
    // never mistaken for one into a node that later gets the same address.
    const quint64 serial;
    // Where its model keeps it among the live nodes: indexes carry it, so
    // that telling a live holder from a freed one is one array read.
    quint32 slot = 0;

protected:
    QmdDictionaryNode(int type, const QmdIndex &location, QmdMemModel *owner);
};

#endif
