#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "QmdVorma/playback/AbstractSync.h"
#include "canvas/GraphicsEdgeItem.h"
#include "canvas/NetworkView.h"

#include <QContextMenuEvent>
#include <QGraphicsItem>
#include <QMenu>
#include <QMouseEvent>
#include <QPropertyAnimation>

using namespace QmdVorma;

// Stands in for the document window: records the edit commands it gets.
class EditTarget : public QObject
{
    Q_OBJECT
public:
    QStringList calls;
public slots:
    void cut() { calls << QStringLiteral("cut"); }
    void copy() { calls << QStringLiteral("copy"); }
    void paste() { calls << QStringLiteral("paste"); }
    void del() { calls << QStringLiteral("del"); }
    void selectAll() { calls << QStringLiteral("selectAll"); }
    void setPastePos(const QmdVorma::TickPoint &) {}
};

struct MenuFixture : ShownCanvasDocument<EditTarget>
{
    QGraphicsItem *itemOf(QmdItemId id) const { return scene.elementItem(id)->graphicsItem(); }
    void select(const QmdItemIdList &ids)
    {
        scene.clearSelection();
        for (QmdItemId id : ids)
            itemOf(id)->setSelected(true);
    }

    // Opens the menu with a right-click at the scene point; the menu stays
    // up without blocking, so the test reads and triggers its entries.
    QMenu *openMenuAt(const QPointF &scenePoint)
    {
        const QPoint at = view.mapFromScene(scenePoint);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        QMenu *menu = view.contextMenu();
        menu->hide();
        return menu;
    }
    QMenu *openMenu() { return openMenuAt(QPointF(250, 150)); }

    static QStringList shown(QMenu *menu)
    {
        QStringList texts;
        for (QAction *action : menu->actions())
            if (action->isVisible() && !action->isSeparator())
                texts << action->text();
        return texts;
    }
    static QAction *entry(QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }
    QVariant value(QmdItemId id, const QString &key) const { return doc.controller.elementData(id, key); }

    void key(QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(type, key, modifiers);
        QApplication::sendEvent(&view, &event);
    }
    bool pulsing() const
    {
        return scene.findChild<QPropertyAnimation *>()->state() == QAbstractAnimation::Running;
    }
};

namespace {
const QStringList EditEntries{QStringLiteral("Cu&t"), QStringLiteral("&Copy"), QStringLiteral("&Paste"),
                              QStringLiteral("&Delete"), QStringLiteral("Select A&ll")};
}

class TestViewMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void nothingSelectedShowsTheEditEntries()
    {
        MenuFixture f;
        addNode(f.doc, 0, 0);
        f.scene.clearSelection();
        QMenu *menu = f.openMenu();
        QCOMPARE(MenuFixture::shown(menu), EditEntries);
        for (const char *text : {"Cu&t", "&Copy", "&Delete"})
            QVERIFY(!MenuFixture::entry(menu, QString::fromLatin1(text))->isEnabled());
        QAction *all = MenuFixture::entry(menu, QStringLiteral("Select A&ll"));
        QVERIFY(all->isEnabled());
        all->trigger();
        QCOMPARE(f.target.calls, QStringList{QStringLiteral("selectAll")});
    }

    void unselectedItemUnderThePointerShowsTheEditEntries()
    {
        MenuFixture f;
        const QmdItemId a = addNode(f.doc, 0, 0);
        const QmdItemId b = addNode(f.doc, TicksPerPrincipal, 0);
        f.select({a});
        QMenu *menu = f.openMenuAt(f.itemOf(b)->sceneBoundingRect().center());
        QCOMPARE(MenuFixture::shown(menu), EditEntries);
        QVERIFY(MenuFixture::entry(menu, QStringLiteral("&Delete"))->isEnabled());
        // Over the selected one, its entries are there.
        menu = f.openMenuAt(f.itemOf(a)->sceneBoundingRect().center());
        QVERIFY(MenuFixture::shown(menu).contains(QStringLiteral("&Sequential")));
        QVERIFY(f.itemOf(a)->isSelected() && !f.itemOf(b)->isSelected());
    }

    void muteOfANodeAndAVoiceGroupIsOneStep()
    {
        MenuFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        const QmdItemId g = addVoiceGroup(f.doc, n);
        f.select({n, g});
        QMenu *menu = f.openMenu();
        const QStringList elementEntries{QStringLiteral("&Sequential"), QStringLiteral("Para&llel"),
                                         QStringLiteral("&Random"), QStringLiteral("&Play"), QStringLiteral("&Mute")};
        QCOMPARE(MenuFixture::shown(menu), EditEntries + elementEntries);
        // Stopped, the controller would refuse: the entry says so.
        QVERIFY(!MenuFixture::entry(menu, QStringLiteral("&Play"))->isEnabled());

        QAction *mute = MenuFixture::entry(menu, QStringLiteral("&Mute"));
        QVERIFY(!mute->isChecked());
        mute->trigger();
        settle();
        QCOMPARE(f.value(n, Keys::DontPlayNote), QVariant(true));
        QCOMPARE(f.value(g, Keys::DontPlayNote), QVariant(true));
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Mute"));
        undo(f.doc);
        QVERIFY(!f.value(n, Keys::DontPlayNote).toBool());
        QVERIFY(!f.value(g, Keys::DontPlayNote).toBool());
    }

    // Opening the menu on a selection whose values differ writes nothing,
    // and one choice writes only its own keys.
    void choicesWriteOnlyTheirOwnKeys()
    {
        MenuFixture f;
        const QmdItemId a = addNode(f.doc, 0, 0);
        const QmdItemId b = addNode(f.doc, 2 * TicksPerPrincipal, TicksPerPrincipal);
        const QmdItemId ab = addEdge(f.doc, a, b, CityBlock);
        const QmdItemId ba = addEdge(f.doc, b, a, Direct);
        f.setElement(a, Keys::SignallingMethod, 0);
        f.setElement(b, Keys::SignallingMethod, 2);
        const QString undoBefore = f.doc.controller.undoText();
        f.select({a, b, ab, ba});
        QMenu *menu = f.openMenu();
        settle();
        QCOMPARE(f.doc.controller.undoText(), undoBefore);
        QCOMPARE(f.view.contextMenuEdgePath(), 0); // mixed: city block
        QVERIFY(MenuFixture::entry(menu, QStringLiteral("City &Block"))->isChecked());

        MenuFixture::entry(menu, QStringLiteral("Direc&t"))->trigger();
        settle();
        QCOMPARE(f.value(ab, Keys::Path).toInt(), int(Direct));
        QCOMPARE(f.value(ba, Keys::Path).toInt(), int(Direct));
        QCOMPARE(f.value(a, Keys::SignallingMethod).toInt(), 0);
        QCOMPARE(f.value(b, Keys::SignallingMethod).toInt(), 2);
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Path"));

        menu = f.openMenu();
        MenuFixture::entry(menu, QStringLiteral("Para&llel"))->trigger();
        settle();
        QCOMPARE(f.value(a, Keys::SignallingMethod).toInt(), 1);
        QCOMPARE(f.value(b, Keys::SignallingMethod).toInt(), 1);
        QCOMPARE(f.value(ab, Keys::Path).toInt(), int(Direct));
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Signalling"));

        MenuFixture::entry(menu, QStringLiteral("&Wormhole"))->trigger();
        settle();
        QVERIFY(f.value(ab, Keys::IsWormhole).toBool() && f.value(ba, Keys::IsWormhole).toBool());
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Wormhole"));
    }

    void playStopOfAMixedSelection()
    {
        MenuFixture f;
        QmdItemIdList groups;
        for (qint64 x : {0, 2 * 665280}) {
            const QmdItemId n = addNode(f.doc, x, 0);
            addEdge(f.doc, n, n);
            groups << addVoiceGroup(f.doc, n);
        }
        QmdVormaController &c = f.doc.controller;
        c.requestPlay();
        QTRY_VERIFY(c.isVoiceGroupRunning(groups[0]) && c.isVoiceGroupRunning(groups[1]));
        c.requestStopVoiceGroups({groups[1]});
        QTRY_VERIFY(!c.isVoiceGroupRunning(groups[1]));
        f.select(groups);
        QMenu *menu = f.openMenu();
        QAction *toggle = MenuFixture::entry(menu, QStringLiteral("&Toggle Play / Stop"));
        QVERIFY(toggle && toggle->isVisible() && toggle->isEnabled());
        toggle->trigger();
        QTRY_VERIFY(!c.isVoiceGroupRunning(groups[0]) && c.isVoiceGroupRunning(groups[1]));
        f.select({groups[1]});
        QCOMPARE(MenuFixture::entry(f.openMenu(), QStringLiteral("&Stop")), toggle);
        f.select({groups[0]});
        QCOMPARE(MenuFixture::entry(f.openMenu(), QStringLiteral("&Play")), toggle);
        c.requestPause();
        settle();
    }

    void keys()
    {
        MenuFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        f.select({n});
        f.key(QEvent::KeyPress, Qt::Key_Delete);
        f.key(QEvent::KeyPress, Qt::Key_Backspace);
        QCOMPARE(f.target.calls, (QStringList{QStringLiteral("del"), QStringLiteral("del")}));

        // Shift bends a new edge the other way while held.
        f.setRoot(Keys::Tool, int(NetworkView::NodeAndEdgeTool));
        const QPoint at = f.view.mapFromScene(QPointF(0, 0));
        QMouseEvent press(QEvent::MouseButtonPress, at, f.view.viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.view.viewport(), &press);
        QVERIFY(f.view.ghostEdge());
        f.key(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
        QCOMPARE(f.view.ghostEdge()->pathType(), int(CityBlockFlipped));
        f.key(QEvent::KeyRelease, Qt::Key_Shift);
        QCOMPARE(f.view.ghostEdge()->pathType(), int(CityBlock));
        f.key(QEvent::KeyPress, Qt::Key_Escape);
        QVERIFY(!f.view.ghostEdge() && !f.view.ghostNode());
    }

    void altTurnsTheZoomToolAndPulsesWhilePlaying()
    {
        MenuFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        addEdge(f.doc, n, n);
        addVoiceGroup(f.doc, n);
        f.setRoot(Keys::Tool, int(NetworkView::ZoomTool));
        f.key(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(f.view.zoomDirection(), 1);
        f.key(QEvent::KeyRelease, Qt::Key_Alt);
        QCOMPARE(f.view.zoomDirection(), 0);

        f.setRoot(Keys::Tool, int(NetworkView::SelectionTool));
        f.key(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(!f.pulsing()); // only while playing
        f.doc.controller.requestPlay();
        QTRY_VERIFY(f.doc.controller.sync()->isPlaying());
        f.key(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(f.pulsing());
        f.key(QEvent::KeyRelease, Qt::Key_Alt);
        QVERIFY(!f.pulsing());
        f.doc.controller.requestPause();
        settle();
    }

    // Alt let go while another widget has the focus never reaches the view.
    void focusOutEndsWhatAltStarted()
    {
        MenuFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        addEdge(f.doc, n, n);
        addVoiceGroup(f.doc, n);
        f.doc.controller.requestPlay();
        QTRY_VERIFY(f.doc.controller.sync()->isPlaying());
        f.setRoot(Keys::Tool, int(NetworkView::SelectionTool));
        f.key(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(f.pulsing());
        f.setRoot(Keys::Tool, int(NetworkView::ZoomTool));
        f.key(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(f.view.zoomDirection(), 1);
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(&f.view, &out);
        QVERIFY(!f.pulsing());
        QCOMPARE(f.view.zoomDirection(), 0);
        f.doc.controller.requestPause();
        settle();
    }
};

VORMA_GUI_TEST_MAIN(TestViewMenu)
#include "tst_viewmenu.moc"
