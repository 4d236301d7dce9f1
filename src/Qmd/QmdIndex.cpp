#include "Qmd/QmdIndex.h"

#include "Qmd/QmdModel.h"
#include "Qmd/QmdDictionaryNode.h"

#include <QDebug>
#include <QHash>

QmdIndex::QmdIndex(const QString &key, QmdDictionaryNode *holder, QmdModel *model)
    : m_holderSlot(holder ? holder->slot : 0), m_key(key), m_holder(holder), m_model(model),
      m_holderSerial(holder ? holder->serial : 0)
{
}

QmdIndex::QmdIndex(QmdItemId id, QmdDictionaryNode *holder, QmdModel *model)
    : m_id(id), m_holderSlot(holder ? holder->slot : 0), m_holder(holder), m_model(model),
      m_holderSerial(holder ? holder->serial : 0)
{
}

QmdModel *QmdIndex::model() const
{
    return m_model.data();
}

bool QmdIndex::isValid() const
{
    const QmdModel *model = m_model.data();
    return model && model->isValid(*this);
}

bool QmdIndex::operator==(const QmdIndex &other) const
{
    return m_id == other.m_id && m_holder == other.m_holder
           && m_holderSerial == other.m_holderSerial
           && m_reserved == other.m_reserved
           && m_model.data() == other.m_model.data() && m_key == other.m_key;
}

uint qHash(const QmdIndex &index, uint seed)
{
    if (!index.key().isEmpty())
        return qHash(index.key(), seed);
    return qHash(index.itemId(), seed);
}

QDebug operator<<(QDebug debug, const QmdIndex &index)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "QmdIndex(";
    if (!index.key().isEmpty())
        debug << index.key();
    else if (index.itemId())
        debug << '#' << index.itemId();
    else
        debug << "root";
    if (index.holder())
        debug << " in node " << index.holderSerial();
    debug << ')';
    return debug;
}
