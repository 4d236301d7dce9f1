#ifndef QMD_QMDINDEX_H
#define QMD_QMDINDEX_H

#include "Qmd/Qmd.h"

#include <QList>
#include <QMetaType>
#include <QPointer>
#include <QString>

class QDebug;
class QmdModel;
class QmdDictionaryNode;

// Names one entry of a document tree: the key (item id or string) inside the
// dictionary node that holds it. The default index is the root, and is also
// what every lookup returns when it finds nothing; test isValid() to tell a
// found entry from a failed lookup.
//
// The holder's serial number counts for validity and equality, because a
// freed dictionary's address can be handed to a new one.
class QmdIndex
{
public:
    QmdIndex() = default;
    // Only models build indexes with a holder (QmdModel::createIndex), and
    // only for a holder that is alive at that moment.
    QmdIndex(const QString &key, QmdDictionaryNode *holder, QmdModel *model);
    QmdIndex(QmdItemId id, QmdDictionaryNode *holder, QmdModel *model);

    QmdItemId itemId() const { return m_id; }
    const QString &key() const { return m_key; }
    // Never dereference the holder outside the model: it may have been freed.
    QmdDictionaryNode *holder() const { return m_holder; }
    quint64 holderSerial() const { return m_holderSerial; }
    // The holder's place among its model's live nodes, for the model.
    quint32 holderSlot() const { return m_holderSlot; }
    QmdModel *model() const;

    // True when the index names an entry at all (an item id or a key); an
    // index that names none stands for the root, whatever its holder.
    bool namesEntry() const { return m_id != 0 || !m_key.isEmpty(); }

    // Asks the index's own model; false once that model is gone.
    bool isValid() const;

    bool operator==(const QmdIndex &other) const;
    bool operator!=(const QmdIndex &other) const { return !(*this == other); }

private:
    QmdItemId m_id = 0;
    quint32 m_holderSlot = 0;
    QString m_key;
    const void *m_reserved = nullptr; // kept null; compared like the rest
    QmdDictionaryNode *m_holder = nullptr;
    QPointer<QmdModel> m_model;
    quint64 m_holderSerial = 0;
};

using QmdIndexList = QList<QmdIndex>;

uint qHash(const QmdIndex &index, uint seed = 0);
QDebug operator<<(QDebug debug, const QmdIndex &index);

Q_DECLARE_METATYPE(QmdIndex)
Q_DECLARE_METATYPE(QmdIndexList)

#endif
