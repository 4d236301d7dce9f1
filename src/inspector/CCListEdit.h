#ifndef INSPECTOR_CCLISTEDIT_H
#define INSPECTOR_CCLISTEDIT_H

#include "Qmd/QmdIndex.h"
#include "Qmd/QmdObserver.h"
#include "QmdVorma/QmdVormaController.h"

#include <QFrame>
#include <QHash>
#include <QStringList>

class CCItemEdit;
class CCItemSpawner;
class QBoxLayout;

// The continuous controllers of one edge, one row each, followed by the row
// that adds a controller. The rows follow the edge's `ContinuousControllers`
// through the controller's signals; every change is a request.
class CCListEdit : public QFrame, public QmdObserver<QmdVormaController>
{
    Q_OBJECT

public:
    explicit CCListEdit(QWidget *parent = nullptr);

    void setController(QmdVormaController *controller) override;

    QmdIndex edgeIndex() const { return m_edgeIndex; }
    QmdIndex controllersIndex() const { return m_controllersIndex; }
    CCItemSpawner *spawner() const { return m_spawner; }
    // The rows by entry id.
    QHash<QmdItemId, CCItemEdit *> rows() const { return m_editors; }

    // A row's frame in the grey of the given level.
    static QString rowStyleSheet(int grey);
    // The grey of the row being built: that of its place in the list, else
    // the middle grey of a row on its own.
    int nextRowGrey() const { return m_nextRowGrey; }

    // The least width that shows all of a controller row, in its widest
    // form (MSB and LSB codes), at the list's font and style.
    int rowMinimumWidth();

public slots:
    void setEdge(QmdItemId edgeId);
    void sync();
    void onIntDictItemsChangedOrRemoved(const QmdIndex &parent);
    void onStrDictItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);

private:
    // Light and dark rows alternate from the top.
    static int rowGrey(int position);
    void removeRow(QmdItemId id);

    QmdIndex m_edgeIndex;
    QmdIndex m_controllersIndex;
    QHash<QmdItemId, CCItemEdit *> m_editors;
    CCItemSpawner *m_spawner = nullptr;
    int m_nextRowGrey = 160;
    QBoxLayout *m_layout;
};

#endif
