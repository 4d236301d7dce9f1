#include "QmdVorma/ItemIdListModel.h"

ItemIdListModel::ItemIdListModel(QObject *parent)
    : QAbstractItemModel(parent)
{
}

void ItemIdListModel::switchController(QmdVormaController *newController)
{
    if (QmdVormaController *old = controller())
        disconnect(old, nullptr, this, nullptr);
    QmdObserver::setController(newController);
}

QModelIndex ItemIdListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!controller() || row < 0 || row >= rowCount(parent) || column < 0 || column >= columnCount(parent))
        return QModelIndex();
    return createIndex(row, column, quintptr(m_ids.at(row)));
}

QModelIndex ItemIdListModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int ItemIdListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_ids.size();
}

int ItemIdListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

void ItemIdListModel::resetIdRows(const QmdItemIdList &ids)
{
    beginResetModel();
    m_ids = ids;
    endResetModel();
}

void ItemIdListModel::insertIdRow(int row, QmdItemId id)
{
    beginInsertRows(QModelIndex(), row, row);
    m_ids.insert(row, id);
    endInsertRows();
}

void ItemIdListModel::appendIdRows(const QmdItemIdList &ids)
{
    if (ids.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_ids.size(), m_ids.size() + ids.size() - 1);
    m_ids.append(ids);
    endInsertRows();
}

void ItemIdListModel::moveIdRow(QmdItemId id, int to)
{
    const int from = m_ids.indexOf(id);
    if (from < 0 || to < 0 || to >= m_ids.size() || to == from)
        return;
    // The destination names the row the moved one goes before, counted
    // before the move.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    m_ids.move(from, to);
    endMoveRows();
}

void ItemIdListModel::removeIdRows(const QmdItemIdList &ids)
{
    for (QmdItemId id : ids) {
        const int row = m_ids.indexOf(id);
        if (row < 0)
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        m_ids.removeAt(row);
        endRemoveRows();
    }
}

void ItemIdListModel::announceDataChanged(QmdItemId id)
{
    const int row = m_ids.indexOf(id);
    if (row < 0)
        return;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed);
}
