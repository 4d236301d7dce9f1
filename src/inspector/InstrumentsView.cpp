#include "inspector/InstrumentsView.h"

#include "QmdVorma/QmdVormaController.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

bool isRemoveKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
}

} // namespace

InstrumentsView::InstrumentsView(QWidget *parent)
    : QListView(parent)
{
}

QmdItemIdList InstrumentsView::selectedInstrumentIds() const
{
    QmdItemIdList ids;
    if (!selectionModel())
        return ids;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    for (const QModelIndex &index : selected) {
        if (index.isValid())
            ids.append(index.data(Qt::UserRole).toUInt());
    }
    return ids;
}

bool InstrumentsView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && isRemoveKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QListView::event(event);
}

void InstrumentsView::keyPressEvent(QKeyEvent *event)
{
    QListView::keyPressEvent(event);
    if (!controller() || !model() || !selectionModel() || !isRemoveKey(event))
        return;
    const QmdItemIdList ids = selectedInstrumentIds();
    if (ids.isEmpty())
        return;
    controller()->requestRemove(
        ids, controller()->instrumentsIndex(),
        QmdRequestOptions{0, QCoreApplication::translate("QmdController", "Remove"), 0});
}
