#ifndef INSPECTOR_INSPECTOR_H
#define INSPECTOR_INSPECTOR_H

#include "Qmd/Qmd.h"
#include "QmdVorma/QmdVormaObserver.h"
#include "inspector/InspectDocForm.h"
#include "inspector/InspectEdgeForm.h"
#include "inspector/InspectInstrumentForm.h"
#include "inspector/InspectNodeForm.h"
#include "inspector/InspectVoiceGroupForm.h"

#include <QMap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QDockWidget;
class QHBoxLayout;
class QLabel;
class QStackedWidget;
class QStandardItemModel;
class QStyle;
class QTimeLine;
class VerticalGraphicsListView;

// The panel beside a document window's canvas: five pages (Document,
// Instrument, Edge, Node, Voice Group) behind a row of page buttons. Its
// widgets are bound to document keys through the controller; the element
// pages follow the window's canvas selection.
class Inspector : public QWidget, public QmdVormaObserver
{
    Q_OBJECT
    Q_INTERFACES(QmdVormaObserver)

public:
    enum PageIndex { DocumentPage, InstrumentPage, EdgePage, NodePage, VoiceGroupPage };

    // `window` is an InspectedWindow; the dock's title follows the page.
    Inspector(QWidget *window, QDockWidget *dock);
    ~Inspector() override;

    void setController(QmdVormaController *controller) override;

    InspectDocForm documentForm;
    InspectInstrumentForm instrumentForm;
    InspectEdgeForm edgeForm;
    InspectNodeForm nodeForm;
    InspectVoiceGroupForm voiceGroupForm;

    QStackedWidget *stack() const { return m_stack; }
    QButtonGroup *buttonGroup() const { return m_buttonGroup; }
    QTimeLine *timeLine() const { return m_timeLine; }
    // The selected elements of a type, as the pages know them.
    QmdItemIdSet selectedIds(int elementType) const;

signals:
    void visibilityToggled();

public slots:
    void reset();
    void setVormaWindow(QWidget *window);
    void setFixedHeightSlot(int height);
    void transformToPage(int index, bool force = false, bool hideWhileAnimating = true);
    void transformFinished();
    void onElementsAdded(const QmdItemIdList &ids);
    void onElementsRemoved(const QmdItemIdList &ids);
    void onElementSelectionChanged();
    void documentRescanMidiInputs();
    void documentRescanMidiOutputs();
    void onInstrumentsAddedOrRemoved();
    void onInstrumentSelectionChanged();
    void instrumentRescanMidiOutputs();
    void shuffleNodeNotesInSelection();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct PageEntry
    {
        QWidget *page = nullptr;
        QAbstractButton *button = nullptr;
        QLabel *countLabel = nullptr;
        QmdItemIdSet selectedIds;
        QmdItemIdSet allIds;
    };
    struct PortList;

    void buildUi();
    // Fixes the width at the least that shows every page and editor whole.
    void fitWidth();
    QWidget *createPage(const QString &icon, const QString &toolTip, QAbstractButton **button);
    QWidget *createElementPage(int type, const QString &icon, QLabel *countLabel);
    void setupDocumentPage();
    void setupInstrumentPage();
    void setupEdgePage();
    void setupNodePage();
    void setupVoiceGroupPage();
    void setItemModels(QAbstractItemModel *instruments, QAbstractItemModel *keys, QAbstractItemModel *modes);
    void bindDocumentPage();
    void bindElementPage(int type, const QmdItemIdSet &ids);
    void unbindAll(QObject *root);
    void rescanPorts(const PortList &list);
    void clearWidgets();
    void showHeldStylePreset();
    int elementType(QmdItemId id) const;
    void showCount(const PageEntry &entry) const;

    QPointer<QDockWidget> m_dock;
    QPointer<QWidget> m_window;
    // Selection changes arrive one per item (a paste selects every new
    // element); the pages follow them once the burst is over.
    QTimer *m_selectionTimer = nullptr;
    QTimeLine *m_timeLine = nullptr;
    QPointer<QWidget> m_pendingPage;
    QHBoxLayout *m_buttonBar = nullptr;
    QButtonGroup *m_buttonGroup = nullptr;
    QStackedWidget *m_stack = nullptr;
    QMap<int, PageEntry> m_pages;
    QWidget *m_documentPage = nullptr;
    QAbstractButton *m_documentButton = nullptr;
    QWidget *m_instrumentPage = nullptr;
    QAbstractButton *m_instrumentButton = nullptr;
    QStandardItemModel *m_emptyModel = nullptr;
    QmdItemIdSet m_selection;
    // One style for every sync-port check box, made once.
    QStyle *m_portStyle = nullptr;
};

#endif
