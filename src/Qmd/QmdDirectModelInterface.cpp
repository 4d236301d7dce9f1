#include "Qmd/QmdDirectModelInterface.h"

QmdDirectModelInterface::~QmdDirectModelInterface() = default;

void QmdDirectModelInterface::setModel(QmdModel *model)
{
    if (m_model != model)
        m_model = model;
}

QmdItemIdList QmdDirectModelInterface::addData(const QList<QVariant> &values, const QmdIndex &parent)
{
    return m_model->addData(values, parent);
}

QmdItemId QmdDirectModelInterface::addData(const QVariant &value, const QmdIndex &parent)
{
    const QmdItemIdList ids = m_model->addData(QList<QVariant>{value}, parent);
    return ids.isEmpty() ? 0 : ids.first();
}

QmdItemIdList QmdDirectModelInterface::addTypes(const QList<Qmd::ContainerType> &types, const QmdIndex &parent)
{
    return m_model->addTypes(types, parent);
}

QmdItemId QmdDirectModelInterface::addType(Qmd::ContainerType type, const QmdIndex &parent)
{
    const QmdItemIdList ids = m_model->addTypes(QList<Qmd::ContainerType>{type}, parent);
    return ids.isEmpty() ? 0 : ids.first();
}

void QmdDirectModelInterface::setData(const QString &key, const QVariant &value, const QmdIndex &parent)
{
    m_model->setData(QHash<QString, QVariant>{{key, value}}, parent);
}

void QmdDirectModelInterface::setData(QmdItemId id, const QVariant &value, const QmdIndex &parent)
{
    m_model->setData(QHash<QmdItemId, QVariant>{{id, value}}, parent);
}

void QmdDirectModelInterface::setData(const QmdIndex &index, const QVariant &value)
{
    m_model->setData(QHash<QmdIndex, QVariant>{{index, value}});
}

void QmdDirectModelInterface::setDataIfInvalid(const QString &key, const QVariant &value, const QmdIndex &parent)
{
    if (!m_model->index(key, parent).isValid())
        setData(key, value, parent);
}

void QmdDirectModelInterface::setDataIfInvalid(QmdItemId id, const QVariant &value, const QmdIndex &parent)
{
    if (!m_model->index(id, parent).isValid())
        setData(id, value, parent);
}

void QmdDirectModelInterface::setType(const QString &key, Qmd::ContainerType type, const QmdIndex &parent)
{
    m_model->setTypes(QHash<QString, Qmd::ContainerType>{{key, type}}, parent);
}

void QmdDirectModelInterface::setType(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent)
{
    m_model->setTypes(QHash<QmdItemId, Qmd::ContainerType>{{id, type}}, parent);
}

void QmdDirectModelInterface::setType(const QmdIndex &index, Qmd::ContainerType type)
{
    m_model->setTypes(QHash<QmdIndex, Qmd::ContainerType>{{index, type}});
}

void QmdDirectModelInterface::setTypeIfInvalid(const QString &key, Qmd::ContainerType type, const QmdIndex &parent)
{
    const QmdIndex entry = m_model->index(key, parent);
    if (!entry.isValid() || m_model->type(entry) != type)
        setType(key, type, parent);
}

void QmdDirectModelInterface::setTypeIfInvalid(QmdItemId id, Qmd::ContainerType type, const QmdIndex &parent)
{
    const QmdIndex entry = m_model->index(id, parent);
    if (!entry.isValid() || m_model->type(entry) != type)
        setType(id, type, parent);
}

void QmdDirectModelInterface::remove(const QString &key, const QmdIndex &parent)
{
    m_model->remove(QStringList{key}, parent);
}

void QmdDirectModelInterface::remove(QmdItemId id, const QmdIndex &parent)
{
    m_model->remove(QmdItemIdList{id}, parent);
}

void QmdDirectModelInterface::remove(const QmdIndex &index)
{
    m_model->remove(QmdIndexList{index});
}

QmdIndex QmdDirectModelInterface::index(const QString &key, const QmdIndex &parent) const
{
    return m_model->index(key, parent);
}

QmdIndex QmdDirectModelInterface::index(QmdItemId id, const QmdIndex &parent) const
{
    return m_model->index(id, parent);
}

QmdIndex QmdDirectModelInterface::parent(const QmdIndex &index) const
{
    return m_model->parent(index);
}

QmdIndexList QmdDirectModelInterface::indexes(const QmdIndex &parent) const
{
    return m_model->indexes(parent);
}

QmdItemIdList QmdDirectModelInterface::itemIds(const QmdIndex &parent) const
{
    return m_model->itemIds(parent);
}

QStringList QmdDirectModelInterface::keys(const QmdIndex &parent) const
{
    return m_model->keys(parent);
}

QVariant QmdDirectModelInterface::data(const QmdIndex &index) const
{
    return m_model->data(index);
}

QVariant QmdDirectModelInterface::data(const QString &key, const QmdIndex &parent) const
{
    return m_model->data(m_model->index(key, parent));
}

QVariant QmdDirectModelInterface::data(QmdItemId id, const QmdIndex &parent) const
{
    return m_model->data(m_model->index(id, parent));
}

QList<QVariant> QmdDirectModelInterface::values(const QmdIndex &parent) const
{
    QList<QVariant> result;
    const QmdIndexList entries = m_model->indexes(parent);
    for (const QmdIndex &entry : entries) {
        if (m_model->type(entry) == Qmd::NoContainer)
            result.append(m_model->data(entry));
    }
    return result;
}

QString QmdDirectModelInterface::redoText() const
{
    return m_model->redoText();
}

QString QmdDirectModelInterface::undoText() const
{
    return m_model->undoText();
}
