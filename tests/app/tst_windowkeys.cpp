// Keys typed into a whole document window, with its menu bar, its tool bar
// and its inspector: the window's shortcuts see a key before the focused
// widget does, so only here does it show who gets it.

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "app/VormaWindow.h"
#include "canvas/ElementItem.h"
#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"
#include "inspector/CCItemEdit.h"
#include "inspector/CCListEdit.h"
#include "inspector/EdgeUsageListEditor.h"
#include "inspector/EdgeUsageTile.h"
#include "inspector/HoverPoints.h"
#include "inspector/Inspector.h"
#include "inspector/InstrumentsView.h"
#include "inspector/NotesEdit.h"

#include "GuiTestMain.h"
#include "Mvc/MvcTestSupport.h"
#include "Qmd/QmdTestSupport.h"
#include "canvas/CanvasTestSupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

namespace Keys = QmdVorma::Keys;
using QmdVorma::TickPoint;

namespace {

constexpr qint64 Principal = QmdVorma::TicksPerPrincipal;

QmdItemId addNode(QmdVormaController *c, qint64 x, qint64 y)
{
    QmdItemId id = 0;
    c->requestAddNode(TickPoint(x, y), {}, QmdRequestOptions(), &id);
    return id;
}

QmdItemId addEdge(QmdVormaController *c, QmdItemId from, QmdItemId to)
{
    QmdItemId id = 0;
    c->requestAddEdge(c->elementIndex(from), c->elementIndex(to), QmdVorma::EdgePath(0), {}, QmdRequestOptions(),
                      &id);
    return id;
}

// Counts the presses of one key that reach a widget.
class KeyCounter : public QObject
{
public:
    KeyCounter(QWidget *widget, int key)
        : m_key(key)
    {
        widget->installEventFilter(this);
    }

    int presses = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == m_key)
            ++presses;
        return false;
    }

private:
    int m_key;
};

// A shown window that is the active one, as the user types into it.
struct ActiveWindow
{
    VormaWindow window;

    ActiveWindow()
    {
        window.resize(1200, 800);
        window.show();
        QApplication::setActiveWindow(&window);
        Q_UNUSED(QTest::qWaitForWindowActive(&window));
        settle();
    }

    QmdVormaController *controller() { return window.controller(); }
    Inspector *inspector() { return window.inspector(); }

    // A node with edges a and b going out of it.
    QmdItemId node = 0;
    QmdItemId a = 0;
    QmdItemId b = 0;
    void addNodeWithTwoEdges()
    {
        QmdVormaController *c = controller();
        node = addNode(c, 0, 0);
        a = addEdge(c, node, addNode(c, Principal, 0));
        b = addEdge(c, node, addNode(c, 0, Principal));
        settle();
    }

    // The inspector follows a change of the canvas selection from the
    // event loop, once a burst of changes is over.
    void select(const QmdItemIdList &ids)
    {
        window.scene()->clearSelection();
        for (QmdItemId id : ids)
            window.scene()->elementItem(id)->graphicsItem()->setSelected(true);
        settle();
        QCoreApplication::processEvents();
        settle();
    }

    bool focus(QWidget *widget)
    {
        widget->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([widget] { return QApplication::focusWidget() == widget; }, 1000);
    }

    bool playing() { return controller()->sync()->isPlaying(); }
};

} // namespace

class TestWindowKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void editKeysWithTheMenuBarFocusedReachTheWindow_data();
    void editKeysWithTheMenuBarFocusedReachTheWindow();
    void deleteKeysStayWithTheFocusedEditor_data();
    void deleteKeysStayWithTheFocusedEditor();
    void spaceGoesToTheWidgetThatUsesIt_data();
    void spaceGoesToTheWidgetThatUsesIt();

private:
    SettingsSandbox m_sandbox;
};

void TestWindowKeys::initTestCase()
{
    QVERIFY(m_sandbox.isReady());
    initTestScaleFactors();
}

void TestWindowKeys::init()
{
    m_sandbox.startFreshStore();
    QGuiApplication::clipboard()->clear();
}

void TestWindowKeys::cleanup()
{
    // A popup a key opened would take the next test's keys.
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
}

void TestWindowKeys::editKeysWithTheMenuBarFocusedReachTheWindow_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("copiedBefore");
    QTest::addColumn<int>("elementsAfter");
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<bool>("onClipboard");

    // Three nodes, the first selected.
    QTest::newRow("copy") << int(Qt::Key_C) << int(Qt::ControlModifier) << false << 3 << 1 << true;
    QTest::newRow("cut") << int(Qt::Key_X) << int(Qt::ControlModifier) << false << 2 << 0 << true;
    QTest::newRow("paste") << int(Qt::Key_V) << int(Qt::ControlModifier) << true << 4 << 1 << true;
    QTest::newRow("select all") << int(Qt::Key_A) << int(Qt::ControlModifier) << false << 3 << 3 << false;
    QTest::newRow("delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << false << 2 << 0 << false;
}

// Alt pressed and released alone hands the keyboard to the menu bar, which
// has edit slots of its own: they must not call themselves.
void TestWindowKeys::editKeysWithTheMenuBarFocusedReachTheWindow()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, copiedBefore);
    QFETCH(int, elementsAfter);
    QFETCH(int, selectedAfter);
    QFETCH(bool, onClipboard);

    ActiveWindow w;
    QmdVormaController *c = w.controller();
    const QmdItemId first = addNode(c, 0, 0);
    addNode(c, Principal, 0);
    addNode(c, 2 * Principal, Principal);
    settle();
    w.select({first});
    if (copiedBefore)
        w.window.copy();
    QVERIFY(w.focus(w.window.view()));

    QTest::keyPress(&w.window, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(&w.window, Qt::Key_Alt, Qt::NoModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.window.menuBar()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    settle();
    QCOMPARE(c->elementIds().size(), elementsAfter);
    QCOMPARE(w.window.selectedElementIds().size(), selectedAfter);
    QCOMPARE(QmdVormaController::canPaste(), onClipboard);
}

void TestWindowKeys::deleteKeysStayWithTheFocusedEditor_data()
{
    QTest::addColumn<bool>("curve");
    QTest::addColumn<int>("key");

    QTest::newRow("usage tile, Delete") << false << int(Qt::Key_Delete);
    QTest::newRow("usage tile, Backspace") << false << int(Qt::Key_Backspace);
    QTest::newRow("curve point, Delete") << true << int(Qt::Key_Delete);
    QTest::newRow("curve point, Backspace") << true << int(Qt::Key_Backspace);
}

// The window's Edit > Delete deletes the canvas selection; a selected
// usage tile or curve point in the inspector is what the user means.
void TestWindowKeys::deleteKeysStayWithTheFocusedEditor()
{
    QFETCH(bool, curve);
    QFETCH(int, key);

    ActiveWindow w;
    QmdVormaController *c = w.controller();
    w.addNodeWithTwoEdges();
    const QmdItemId node = w.node;
    const QmdItemId a = w.a;
    const QmdItemId b = w.b;
    const int elements = c->elementIds().size();

    if (!curve) {
        c->requestSetData(Keys::ArcUsageList, QStringLiteral("%1=1,%2=2").arg(a).arg(b), c->elementIndex(node),
                          QmdRequestOptions{0, QStringLiteral("Edge Usage"), 0});
        settle();
        w.select({node});
        EdgeUsageListEditor *editor = w.inspector()->nodeForm.edgeUsageList;
        QCOMPARE(editor->tiles().size(), 2);
        QVERIFY(w.focus(editor));
        editor->scene()->setFocusItem(editor->tiles().first());
        editor->tiles().first()->setSelected(true);

        QTest::keyClick(editor, Qt::Key(key));
        settle();
        QCOMPARE(c->elementData(node, Keys::ArcUsageList).toString(), QStringLiteral("%1=2").arg(b));
    } else {
        c->requestAddControllerToEdge(c->elementIndex(a), QmdVorma::LinearCurve, 1, -1,
                                      QmdRequestOptions{0, QStringLiteral("Controller"), 0});
        settle();
        const QmdIndex controllers = c->index(Keys::ContinuousControllers, c->elementIndex(a));
        const QmdItemId entry = c->itemIds(controllers).value(0);
        const QmdIndex entryIndex = c->index(entry, controllers);
        const QPolygonF points(QVector<QPointF>{{0, 0}, {0.5, 8192}, {1, 16383}});
        c->requestSetData(Keys::CurvePoints, QVariant::fromValue(points), entryIndex,
                          QmdRequestOptions{0, QStringLiteral("Curve Points"), 0});
        settle();
        w.select({a});
        CCItemEdit *row = w.inspector()->edgeForm.ccListEdit->rows().value(entry);
        QVERIFY(row);
        row->hoverPoints()->setCurrentIndex(1);
        QVERIFY(w.focus(row->curveEdit));

        QTest::keyClick(row->curveEdit, Qt::Key(key));
        settle();
        const QPolygonF left(QVector<QPointF>{{0, 0}, {1, 16383}});
        QCOMPARE(c->data(Keys::CurvePoints, entryIndex).value<QPolygonF>(), left);
    }
    QCOMPARE(c->elementIds().size(), elements);
}

void TestWindowKeys::spaceGoesToTheWidgetThatUsesIt_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("plays");

    QTest::newRow("canvas") << "canvas" << true;
    QTest::newRow("tool bar button") << "tool bar" << true;
    QTest::newRow("usage tiles") << "usage tiles" << true;
    QTest::newRow("push button") << "push button" << false;
    QTest::newRow("check box") << "check box" << false;
    QTest::newRow("radio button") << "radio button" << false;
    QTest::newRow("combo box") << "combo box" << false;
    QTest::newRow("list") << "list" << false;
    QTest::newRow("table") << "table" << false;
    QTest::newRow("text field") << "text field" << false;
    QTest::newRow("check box, floating inspector") << "floating check box" << false;
    QTest::newRow("check box in a dialog") << "dialog check box" << false;
}

// Space plays and pauses from anywhere that has no use for it; a focused
// button, box, list or text field keeps its own Space.
void TestWindowKeys::spaceGoesToTheWidgetThatUsesIt()
{
    QFETCH(QString, where);
    QFETCH(bool, plays);

    ActiveWindow w;
    QmdVormaController *c = w.controller();
    w.addNodeWithTwoEdges();
    const QmdItemId node = w.node;
    c->requestAddInstrument();
    c->requestAddInstrument();
    settle();
    w.select({node});
    Inspector *inspector = w.inspector();
    // Widgets the program has nowhere yet, on a page of the inspector.
    QWidget *nodePage = inspector->stack()->widget(Inspector::NodePage);
    auto *radio = new QRadioButton(QStringLiteral("Radio"), nodePage);
    auto *table = new QTableWidget(2, 2, nodePage);
    table->setCurrentCell(0, 0);
    radio->show();
    table->show();
    QDialog dialog(&w.window);
    auto *dialogCheckBox = new QCheckBox(QStringLiteral("Option"), &dialog);
    (new QVBoxLayout(&dialog))->addWidget(dialogCheckBox);

    QWidget *target = nullptr;
    std::function<bool()> acted = [] { return true; };
    if (where == "canvas") {
        target = w.window.view();
    } else if (where == "tool bar") {
        target = w.window.toolChooserForm().zoomTool;
    } else if (where == "usage tiles") {
        target = inspector->nodeForm.edgeUsageList;
    } else if (where == "push button") {
        inspector->transformToPage(Inspector::InstrumentPage, true, false);
        settle();
        target = inspector->instrumentForm.listAddButton;
        acted = [c] { return c->instrumentIds().size() == 3; };
    } else if (where == "check box") {
        QCheckBox *box = inspector->nodeForm.muteCheckBox;
        target = box;
        acted = [c, node] { return c->elementData(node, Keys::DontPlayNote).toBool(); };
    } else if (where == "radio button") {
        target = radio;
        acted = [radio] { return radio->isChecked(); };
    } else if (where == "combo box") {
        inspector->transformToPage(Inspector::DocumentPage, true, false);
        settle();
        QComboBox *box = inspector->documentForm.keyComboBox;
        target = box;
        acted = [box] { return box->view()->isVisible(); };
    } else if (where == "list") {
        inspector->transformToPage(Inspector::InstrumentPage, true, false);
        settle();
        QAbstractItemView *list = inspector->instrumentForm.listView;
        list->selectionModel()->clear();
        list->selectionModel()->setCurrentIndex(list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
        target = list;
        acted = [list] { return list->selectionModel()->isSelected(list->model()->index(0, 0)); };
    } else if (where == "table") {
        target = table;
    } else if (where == "text field") {
        NotesEdit *edit = inspector->nodeForm.noteListEdit;
        target = edit;
        acted = [edit] { return edit->toPlainText().contains(QLatin1Char(' ')); };
    } else if (where == "floating check box") {
        w.window.inspectorDock()->setFloating(true);
        QApplication::setActiveWindow(w.window.inspectorDock());
        QVERIFY(QTest::qWaitForWindowActive(w.window.inspectorDock()));
        QCheckBox *box = inspector->nodeForm.muteCheckBox;
        target = box;
        acted = [c, node] { return c->elementData(node, Keys::DontPlayNote).toBool(); };
    } else if (where == "dialog check box") {
        dialog.open();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        target = dialogCheckBox;
        acted = [dialogCheckBox] { return dialogCheckBox->isChecked(); };
    }
    QVERIFY(target);
    QVERIFY(w.focus(target));
    KeyCounter reached(target, Qt::Key_Space);

    QVERIFY(!w.playing());
    QTest::keyClick(target, Qt::Key_Space);
    settle();
    if (plays) {
        QTRY_VERIFY(w.playing());
        c->requestTogglePlayback();
        QTRY_VERIFY(!w.playing());
    } else {
        QCOMPARE(reached.presses, 1);
        QVERIFY(acted());
        QTest::qWait(50);
        QVERIFY(!w.playing());
    }
}

VORMA_GUI_TEST_MAIN(TestWindowKeys)
#include "tst_windowkeys.moc"
