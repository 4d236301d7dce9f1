// A network drawn with the mouse plays through to a MIDI port and back onto
// the canvas: the view's tools, the document, the playback threads, the fake
// MIDI system and the scene's playback display, all real, together.
#include "GuiTestMain.h"
#include "QmdVorma/playback/PlaybackTestSupport.h"
#include "canvas/CanvasTestSupport.h"

#include "canvas/GraphicsNodeItem.h"

#include <QMouseEvent>

using namespace QmdVorma;

namespace {

// The played network shown on a scene and view, drawn on in scene units.
struct DrawnNetwork : PlayedNetwork
{
    NetworkScene scene;
    NetworkView view;

    DrawnNetwork()
    {
        scene.setController(&c());
        showViewOnOrigin(view, scene, c());
        settle();
    }

    void setTool(int tool)
    {
        c().requestSetData(Keys::Tool, tool, QmdIndex(), QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
    }

    void send(QEvent::Type type, const QPointF &at, Qt::MouseButtons buttons)
    {
        const QPoint p = view.mapFromScene(at);
        QMouseEvent event(type, p, view.viewport()->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &event);
    }
    // Press at `from`, move in steps to `to`, release there.
    void drag(const QPointF &from, const QPointF &to)
    {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int i = 1; i <= 4; ++i)
            send(QEvent::MouseMove, from + (to - from) * i / 4.0, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
        settle();
    }

    QmdItemIdList elementsOfType(int type) const
    {
        QmdItemIdList ids;
        for (QmdItemId id : doc.controller.elementIds()) {
            if (doc.controller.elementData(id, Keys::Type).toInt() == type)
                ids << id;
        }
        return ids;
    }
    QmdItemId nodeAt(const QPointF &at) const
    {
        for (QmdItemId id : elementsOfType(2)) {
            if (doc.controller.elementData(id, Keys::TickPos).value<TickPoint>() == ticksAt(at.x(), at.y()))
                return id;
        }
        return 0;
    }
    int sliceCount() const
    {
        int n = 0;
        for (QmdItemId id : elementsOfType(2)) {
            if (auto *item = dynamic_cast<GraphicsNodeItem *>(scene.elementItem(id)))
                n += item->activeVoiceCount();
        }
        return n;
    }
};

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void drawnRingPlaysToThePortAndShowsItsNotes()
    {
        DrawnNetwork net;
        // A square one principal a side, drawn clockwise: the first node on
        // its own, each next one dragged out of the last, the ring closed
        // from the last node back onto the first.
        const QList<QPointF> corners{{0, 0}, {120, 0}, {120, 120}, {0, 120}};
        net.setTool(NetworkView::NodeAndEdgeTool);
        net.drag(corners[0], corners[0]);
        QTRY_COMPARE(net.elementsOfType(2).size(), 1);
        for (int i = 1; i < corners.size(); ++i) {
            net.drag(corners[i - 1], corners[i]);
            QTRY_COMPARE(net.elementsOfType(2).size(), i + 1);
        }
        net.drag(corners[3], corners[0]);
        QTRY_COMPARE(net.elementsOfType(1).size(), 4);
        QCOMPARE(net.elementsOfType(2).size(), 4);

        QmdItemIdList ring;
        const QStringList notes{"C3", "E3", "G3", "C4"};
        for (int i = 0; i < corners.size(); ++i) {
            ring << net.nodeAt(corners[i]);
            QVERIFY2(ring.last() != 0, qPrintable(QString::number(i)));
            net.set(ring.last(), Keys::Notes, notes[i]);
        }
        for (QmdItemId edge : net.elementsOfType(1)) {
            const int from = ring.indexOf(net.c().elementData(edge, Keys::FromNode).toUInt());
            QCOMPARE(ring.indexOf(net.c().elementData(edge, Keys::ToNode).toUInt()), (from + 1) % 4);
        }

        net.setTool(NetworkView::VoiceGroupTool);
        net.drag(corners[0], corners[0]);
        QTRY_COMPARE(net.elementsOfType(4).size(), 1);
        const QmdItemId group = net.elementsOfType(4).first();
        QCOMPARE(net.c().elementData(group, Keys::ToNode).toUInt(), ring[0]);

        net.c().requestPlay();
        // Once round the ring and back to its start, in the drawn order.
        QVERIFY(net.waitForNotesOn(5, 30000));
        QCOMPARE(net.notesOn().mid(0, 5), (QList<int>{0x3c, 0x40, 0x43, 0x48, 0x3c}));
        QTRY_VERIFY_WITH_TIMEOUT(net.scene.soundingNodeCount() > 0, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(net.sliceCount() > 0, 30000);

        net.c().requestPause();
        QTRY_VERIFY_WITH_TIMEOUT(!net.c().sync()->isPlaying(), 30000);
        QTest::qWait(500);
        const int played = net.notesOn().size();
        QTest::qWait(1000);
        QCOMPARE(net.notesOn().size(), played);
    }
};

VORMA_GUI_TEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
