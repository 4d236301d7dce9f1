#ifndef QMDVORMA_ITEMIDLISTMODEL_H
#define QMDVORMA_ITEMIDLISTMODEL_H

#include "Qmd/QmdObserver.h"
#include "QmdVorma/QmdVormaController.h"

#include <QAbstractItemModel>

// A flat list of item ids of a network document as an item model: one
// column, no children, each index's internal id the item id of its row.
// Indexes exist only while a controller is set. Subclasses fill the list
// from the controller and follow its signals.
class ItemIdListModel : public QAbstractItemModel, public QmdObserver<QmdVormaController>
{
    Q_OBJECT

public:
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;

protected:
    explicit ItemIdListModel(QObject *parent);

    // Drops every connection from the old controller and keeps the new one.
    void switchController(QmdVormaController *controller);

    const QmdItemIdList &rowIds() const { return m_ids; }
    static QmdItemId itemIdOf(const QModelIndex &index) { return QmdItemId(index.internalId()); }

    // One model reset, with no row signals inside it: views and proxies take
    // a reset as the whole news.
    void resetIdRows(const QmdItemIdList &ids);
    void insertIdRow(int row, QmdItemId id);
    void appendIdRows(const QmdItemIdList &ids);
    // Moves the row of the id so that it ends at row `to`, the rows between
    // moving up or down by one.
    void moveIdRow(QmdItemId id, int to);
    // One removal per id that has a row.
    void removeIdRows(const QmdItemIdList &ids);
    void announceDataChanged(QmdItemId id);

private:
    QmdItemIdList m_ids;
};

#endif
