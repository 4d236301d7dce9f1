#ifndef QMDVORMA_SCALEMODESMODEL_H
#define QMDVORMA_SCALEMODESMODEL_H

#include "QmdVorma/ItemIdListModel.h"

// The document's scale modes as a flat list for the inspector's mode
// choosers, ordered by `DisplayOrder` (built-in modes first, then the
// document's own): display role the `Label`, with "*" after a mode that is
// not built in; Qt::UserRole the mode's id as unsigned int.
//
// It follows the controller's scale-mode signals, moving a row whose
// `DisplayOrder` changes to its new place; the controller hands
// itself to the model again at the end of every reset.
class ScaleModesModel : public ItemIdListModel
{
    Q_OBJECT

public:
    explicit ScaleModesModel(QObject *parent = nullptr);

    // Connects to the controller (null: none) and rebuilds every row.
    void setController(QmdVormaController *controller) override;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

public slots:
    void resetSlot();
    void onScaleModesAdded(const QmdItemIdList &ids);
    void onScaleModesRemoved(const QmdItemIdList &ids);
    void onScaleModeDataEffected(QmdItemId id, const QStringList &keys);

private:
    int displayOrder(QmdItemId id) const;
    // Where the mode's row belongs among the other rows, by display order,
    // after those of equal order.
    int rowInOrder(QmdItemId id) const;
};

#endif
