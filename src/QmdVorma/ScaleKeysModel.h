#ifndef QMDVORMA_SCALEKEYSMODEL_H
#define QMDVORMA_SCALEKEYSMODEL_H

#include <QAbstractItemModel>

// The twelve keys a scale can have, as a flat list from "A" to "G♯ / A♭" for
// the inspector's key choosers. Display role: the key's name with sharp and
// flat signs; Qt::UserRole: its pitch class (0 for C) as a 64-bit integer,
// which is also each index's internal id. The content never changes.
class ScaleKeysModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit ScaleKeysModel(QObject *parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

#endif
