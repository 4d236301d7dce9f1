#ifndef INSPECTOR_INSTRUMENTSVIEW_H
#define INSPECTOR_INSTRUMENTSVIEW_H

#include "QmdVorma/QmdVormaObserver.h"

#include <QListView>

// The Instrument page's list of the document's instruments. Delete and
// Backspace remove the selected instruments in one undo step.
class InstrumentsView : public QListView, public QmdVormaObserver
{
    Q_OBJECT
    Q_INTERFACES(QmdVormaObserver)

public:
    explicit InstrumentsView(QWidget *parent = nullptr);

    // The ids of the selected rows, in the selection model's order.
    QmdItemIdList selectedInstrumentIds() const;

protected:
    // The window's Delete action would otherwise take the keys for the
    // canvas selection while the list has the focus.
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

#endif
