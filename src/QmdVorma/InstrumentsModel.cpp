#include "QmdVorma/InstrumentsModel.h"

#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/DocumentKeys.h"

#include <QPainter>

using namespace QmdVorma;

InstrumentsModel::InstrumentsModel(QObject *parent)
    : ItemIdListModel(parent)
{
}

void InstrumentsModel::setController(QmdVormaController *newController)
{
    switchController(newController);
    if (newController) {
        connect(newController, &QmdVormaController::instrumentsAdded, this, &InstrumentsModel::onInstrumentsAdded);
        connect(newController, &QmdVormaController::instrumentsRemoved, this,
                &InstrumentsModel::onInstrumentsRemoved);
        connect(newController, &QmdVormaController::instrumentDataEffected, this,
                &InstrumentsModel::onInstrumentDataEffected);
        connect(newController, &QmdVormaController::modelReset, this, &InstrumentsModel::resetSlot);
    }
    resetSlot();
}

void InstrumentsModel::resetSlot()
{
    resetIdRows(controller() ? controller()->instrumentIds() : QmdItemIdList());
}

void InstrumentsModel::onInstrumentsAdded(const QmdItemIdList &ids)
{
    appendIdRows(ids);
}

void InstrumentsModel::onInstrumentsRemoved(const QmdItemIdList &ids)
{
    removeIdRows(ids);
}

void InstrumentsModel::onInstrumentDataEffected(QmdItemId id, const QStringList &keys)
{
    if (keys.contains(Keys::Label) || keys.contains(Keys::Color))
        announceDataChanged(id);
}

QVariant InstrumentsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || !controller())
        return QVariant();
    const QmdItemId id = itemIdOf(index);
    switch (role) {
    case Qt::DisplayRole:
        return controller()->instrumentData(id, Keys::Label);
    case Qt::DecorationRole:
        return swatch(colorValue(controller()->instrumentData(id, Keys::Color)));
    case Qt::UserRole:
        return uint(id);
    default:
        return QVariant();
    }
}

QPixmap InstrumentsModel::swatch(const QColor &color)
{
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::white);
    QColor outline = color;
    outline.setAlpha(255);
    QColor fill = color;
    fill.setAlphaF(color.alphaF() * 0.6);
    QPainter painter(&pixmap);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(fill);
    // With a one-pixel pen the outline covers pixels 0 to 8.
    painter.drawRect(QRect(0, 0, 8, 8));
    return pixmap;
}
