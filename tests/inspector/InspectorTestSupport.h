#ifndef TESTS_INSPECTOR_INSPECTORTESTSUPPORT_H
#define TESTS_INSPECTOR_INSPECTORTESTSUPPORT_H

#include "QmdVorma/EditingTestSupport.h"

#include "inspector/InspectedWindow.h"
#include "inspector/Inspector.h"
#include "widgets/ApplicationServices.h"
#include "widgets/ApplicationServicesProvider.h"
#include "QuietServicesProvider.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

// The window seam as a document window offers it: its controller and a
// selection the test sets.
class FakeInspectedWindow : public QMainWindow, public InspectedWindow
{
    Q_OBJECT

public:
    explicit FakeInspectedWindow(QmdVormaController *controller)
        : m_controller(controller)
    {
    }

    QmdVormaController *controller() const override { return m_controller; }
    QmdItemIdSet selectedElementIds() const override { return m_selection; }

    void select(const QmdItemIdSet &ids)
    {
        m_selection = ids;
        emit elementSelectionChanged();
    }

signals:
    void elementSelectionChanged();

private:
    QmdVormaController *m_controller;
    QmdItemIdSet m_selection;
};

// MIDI ports the test decides; everything else answers empty.
class FakePortServices : public QuietServicesProvider
{
public:
    QSet<QString> inputs;
    QSet<QString> outputs;
    QStringList outputList;

    QSet<QString> availableMidiInputPorts() const override { return inputs; }
    QSet<QString> availableMidiOutputPorts() const override { return outputs; }
    QStringList midiOutputPortNames() const override { return outputList; }
};

// A window with the inspector in its dock, on a real document.
struct InspectorFixture
{
    VormaDocument doc;
    std::unique_ptr<FakeInspectedWindow> window;
    QDockWidget *dock = nullptr;
    Inspector *inspector = nullptr;

    InspectorFixture()
    {
        doc.attach();
        window = std::make_unique<FakeInspectedWindow>(&doc.controller);
        dock = new QDockWidget(window.get(), Qt::Tool);
        inspector = new Inspector(window.get(), dock);
        dock->setWidget(inspector);
        window->addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->setFloating(false);
        window->resize(800, 700);
        window->show();
        settle();
    }

    QmdVormaController &controller() { return doc.controller; }
    // The inspector follows a burst of selection changes once it is over,
    // from the event loop.
    void select(const QmdItemIdSet &ids)
    {
        window->select(ids);
        settle();
        QCoreApplication::processEvents();
        settle();
    }
    int currentPage() const { return inspector->stack()->currentIndex(); }
    QWidget *page(int index) const { return inspector->stack()->widget(index); }
};

inline QmdItemId addTextBox(VormaDocument &doc)
{
    doc.controller.requestAddTextBox(QmdVorma::TickPoint(0, 0), QStringLiteral("<p>Hi</p>"), CreationFlags(),
                                     QmdRequestOptions{0, QStringLiteral("Text Box"), 0});
    settle();
    return lastElement(doc);
}

inline void setElementKey(VormaDocument &doc, QmdItemId id, const QString &key, const QVariant &value)
{
    doc.controller.requestSetData(key, value, doc.controller.elementIndex(id),
                                  QmdRequestOptions{Qmd::NoUndo, QString(), 0});
    settle();
}

#endif
