#ifndef QMDVORMA_INSTRUMENTSMODEL_H
#define QMDVORMA_INSTRUMENTSMODEL_H

#include "QmdVorma/ItemIdListModel.h"

#include <QPixmap>

// The document's instruments as a flat list for the inspector's instrument
// choosers: display role the `Label`, decoration role a swatch of the
// `Color`, Qt::UserRole the instrument id as unsigned int. Rows come in the
// order the controller lists the instruments, later additions at the end.
//
// It follows the controller's instrument signals; the controller hands
// itself to the model again at the end of every reset.
class InstrumentsModel : public ItemIdListModel
{
    Q_OBJECT

public:
    explicit InstrumentsModel(QObject *parent = nullptr);

    // Connects to the controller (null: none) and rebuilds every row.
    void setController(QmdVormaController *controller) override;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // 10 x 10 pixels on white: a 9 x 9 square outlined in the opaque colour
    // and filled with it at 60 % of its own opacity.
    static QPixmap swatch(const QColor &color);

public slots:
    void resetSlot();
    void onInstrumentsAdded(const QmdItemIdList &ids);
    void onInstrumentsRemoved(const QmdItemIdList &ids);
    void onInstrumentDataEffected(QmdItemId id, const QStringList &keys);
};

#endif
