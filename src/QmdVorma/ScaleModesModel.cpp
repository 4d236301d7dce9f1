#include "QmdVorma/ScaleModesModel.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ScaleModeAccess.h"

#include <algorithm>

using namespace QmdVorma;

ScaleModesModel::ScaleModesModel(QObject *parent)
    : ItemIdListModel(parent)
{
}

void ScaleModesModel::setController(QmdVormaController *newController)
{
    switchController(newController);
    if (newController) {
        connect(newController, &QmdVormaController::scaleModesAdded, this, &ScaleModesModel::onScaleModesAdded);
        connect(newController, &QmdVormaController::scaleModesRemoved, this,
                &ScaleModesModel::onScaleModesRemoved);
        connect(newController, &QmdVormaController::scaleModeDataEffected, this,
                &ScaleModesModel::onScaleModeDataEffected);
        connect(newController, &QmdVormaController::modelReset, this, &ScaleModesModel::resetSlot);
    }
    resetSlot();
}

int ScaleModesModel::displayOrder(QmdItemId id) const
{
    return scaleModeValue(controller(), id, Keys::DisplayOrder).toInt();
}

void ScaleModesModel::resetSlot()
{
    QmdItemIdList ids = scaleModeIdList(controller());
    QHash<QmdItemId, int> orders;
    for (QmdItemId id : qAsConst(ids))
        orders.insert(id, displayOrder(id));
    std::stable_sort(ids.begin(), ids.end(), [&](QmdItemId a, QmdItemId b) { return orders[a] < orders[b]; });
    resetIdRows(ids);
}

int ScaleModesModel::rowInOrder(QmdItemId id) const
{
    const int order = displayOrder(id);
    int row = 0;
    for (QmdItemId shown : rowIds()) {
        if (shown != id && displayOrder(shown) > order)
            break;
        if (shown != id)
            ++row;
    }
    return row;
}

void ScaleModesModel::onScaleModesAdded(const QmdItemIdList &ids)
{
    // Each new mode goes straight to its place, so the rows already shown
    // keep their persistent indexes.
    for (QmdItemId id : ids) {
        if (!rowIds().contains(id))
            insertIdRow(rowInOrder(id), id);
    }
}

void ScaleModesModel::onScaleModesRemoved(const QmdItemIdList &ids)
{
    removeIdRows(ids);
}

void ScaleModesModel::onScaleModeDataEffected(QmdItemId id, const QStringList &keys)
{
    // A moved row keeps its persistent indexes, so a chooser keeps its
    // choice.
    if (keys.contains(Keys::DisplayOrder))
        moveIdRow(id, rowInOrder(id));
    // `IsBuiltIn` decides the mark after the label.
    if (keys.contains(Keys::Label) || keys.contains(Keys::IsBuiltIn))
        announceDataChanged(id);
}

QVariant ScaleModesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || !controller())
        return QVariant();
    const QmdItemId id = itemIdOf(index);
    switch (role) {
    case Qt::DisplayRole: {
        const QString label = scaleModeValue(controller(), id, Keys::Label).toString();
        return scaleModeValue(controller(), id, Keys::IsBuiltIn).toBool() ? label : label + QLatin1Char('*');
    }
    case Qt::UserRole:
        return uint(id);
    default:
        return QVariant();
    }
}
