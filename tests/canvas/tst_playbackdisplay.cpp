#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "canvas/GraphicsNodeItem.h"
#include "canvas/GraphicsVoiceGroupItem.h"

#include <QGraphicsSimpleTextItem>

using namespace QmdVorma;

// A node with a voice group on it, its instrument coloured.
struct PlayingNetwork : CanvasDocument
{
    QmdItemId node = 0;
    QmdItemId group = 0;
    QmdItemId instrument = 0;

    PlayingNetwork()
    {
        attach();
        doc.controller.requestAddInstrument(QStringLiteral("Lead"), QColor::fromHsvF(0.5, 0.9, 0.8, 1.0),
                                            QBitArray(16, true));
        settle();
        node = addNode(doc, 0, 0);
        group = addVoiceGroup(doc, node);
        instrument = doc.controller.elementData(group, Keys::InitialInstrument).toUInt();
    }

    void setInstrumentColor(const QVariant &color)
    {
        doc.controller.requestSetData(Keys::Color, color, doc.controller.instrumentIndex(instrument),
                                      QmdRequestOptions{0, QStringLiteral("Colour"), 0});
        settle();
    }

    PlaybackEvent event(int kind, Ticks time, int voice = 1, quint8 velocity = 100) const
    {
        PlaybackEvent e;
        e.kind = kind;
        e.time = time;
        e.voiceGroupId = qint32(group);
        e.voiceId = voice;
        e.nodeId = quint32(node);
        e.instrumentId = qint32(instrument);
        e.velocity = velocity;
        return e;
    }
    void push(const PlaybackEvent &e) { QVERIFY(doc.controller.feedbackPipe().push(e)); }

    GraphicsNodeItem *nodeItem() const { return item<GraphicsNodeItem>(node); }
    GraphicsVoiceGroupItem *groupItem() const { return item<GraphicsVoiceGroupItem>(group); }
};

class TestPlaybackDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void markerStandsOnItsNodeInItsInstrumentsColour()
    {
        PlayingNetwork p;
        GraphicsVoiceGroupItem *g = p.groupItem();
        QVERIFY(p.instrument != 0);
        QVERIFY(p.scene.isFeedbackTimerActive());
        QCOMPARE(g->toolTip(), QStringLiteral("Lead"));
        QCOMPARE(g->pos(), QPointF(0, 0));
        QVERIFY(g->path().boundingRect().right() <= -10 + 1e-9); // the tip touches the node's rim
        QCOMPARE(g->pen().color().rgba(), QColor::fromHsvF(0.5, 0.9, 0.8, 1.0).rgba());
        QVERIFY(std::fabs(g->brush().color().alphaF() - 0.3) < 0.001);
        g->setActiveVoiceCount(2);
        QVERIFY(std::fabs(g->brush().color().alphaF() - 0.7) < 0.001);

        p.setElement(p.node, Keys::TickPos, tickPos(240, 120));
        QCOMPARE(g->pos(), QPointF(240, 120));

        p.setElement(p.group, Keys::DontPlayNote, true);
        QCOMPARE(g->brush().style(), Qt::FDiagPattern);
        QCOMPARE(g->pen().style(), Qt::CustomDashLine);

        p.setElement(p.group, Keys::TriggeringMidiPitchList, QStringLiteral("60 64"));
        QVERIFY(g->pitchLabel()->isVisible());
        p.setElement(p.group, Keys::TriggeringMidiPitchList, QString());
        QVERIFY(!g->pitchLabel()->isVisible());
    }

    // An instrument without a valid colour would paint the marker black.
    void invalidColourShowsNeutral()
    {
        PlayingNetwork p;
        p.setInstrumentColor(QStringLiteral("no colour"));
        GraphicsVoiceGroupItem *g = p.groupItem();
        GraphicsVoiceGroupItem ghost(&p.scene);
        QCOMPARE(g->pen().color(), ghost.pen().color());
        QVERIFY(g->brush().color().rgb() == ghost.brush().color().rgb());
        QVERIFY(g->brush().color().alpha() > 0);
    }

    void dueEventsAreTakenInBatches()
    {
        PlayingNetwork p;
        for (int i = 0; i < 40; ++i)
            p.push(p.event(PlaybackEvent::VoiceStarted, i, i + 1));
        p.scene.checkFeedback(true, 1000);
        QCOMPARE(p.groupItem()->activeVoiceCount(), 32);
        QCOMPARE(p.doc.controller.feedbackPipe().size(), 8);
        p.scene.checkFeedback(true, 1000);
        QCOMPARE(p.groupItem()->activeVoiceCount(), 40);
        QVERIFY(p.doc.controller.feedbackPipe().isEmpty());
    }

    void futureEventBlocksThoseBehindIt()
    {
        PlayingNetwork p;
        p.push(p.event(PlaybackEvent::VoiceReachedNode, 10, 1));
        p.push(p.event(PlaybackEvent::VoiceReachedNode, 500, 2));
        p.push(p.event(PlaybackEvent::VoiceReachedNode, 20, 3));
        p.scene.checkFeedback(true, 15);
        QCOMPARE(p.nodeItem()->activeVoiceCount(), 1);
        QCOMPARE(p.doc.controller.feedbackPipe().size(), 2);
        // Paused: nothing is taken, whatever is due.
        p.scene.checkFeedback(false, 1000);
        QCOMPARE(p.doc.controller.feedbackPipe().size(), 2);
    }

    void sliceSaturationFollowsVelocity_data()
    {
        QTest::addColumn<int>("velocity");
        QTest::addColumn<double>("saturation");
        QTest::newRow("loudest") << 127 << 1.0;
        QTest::newRow("silent") << 0 << 0.3;
    }

    void sliceSaturationFollowsVelocity()
    {
        QFETCH(int, velocity);
        QFETCH(double, saturation);
        PlayingNetwork p;
        p.push(p.event(PlaybackEvent::VoiceReachedNode, 0, 1, quint8(velocity)));
        p.scene.checkFeedback(true, 0);
        const QColor slice = p.nodeItem()->activeVoiceColor(int(p.group), 1);
        QVERIFY(std::fabs(slice.hsvSaturationF() - saturation) < 0.01);
        QVERIFY(std::fabs(slice.hsvHueF() - 0.5) < 0.01);
        QVERIFY(std::fabs(slice.valueF() - 0.8) < 0.01);
        QVERIFY(std::fabs(slice.alphaF() - 0.6) < 0.01);
        p.push(p.event(PlaybackEvent::NoteEnded, 1, 1));
        p.scene.checkFeedback(true, 1);
        QCOMPARE(p.nodeItem()->activeVoiceCount(), 0);
        QCOMPARE(p.scene.soundingNodeCount(), 0);
    }

    void goToStartClearsEverything()
    {
        PlayingNetwork p;
        p.push(p.event(PlaybackEvent::VoiceReachedNode, 0, 1));
        p.push(p.event(PlaybackEvent::VoiceStarted, 0, 1));
        p.push(p.event(PlaybackEvent::NoFreeVoice, 0, 0));
        p.scene.checkFeedback(true, 0);
        QCOMPARE(p.nodeItem()->activeVoiceCount(), 1);
        QCOMPARE(p.groupItem()->activeVoiceCount(), 1);
        QVERIFY(p.groupItem()->warningLabel()->isVisible());
        emit p.doc.controller.playbackJogged();
        QTRY_COMPARE(p.nodeItem()->activeVoiceCount(), 0);
        QCOMPARE(p.groupItem()->activeVoiceCount(), 0);
        QVERIFY(!p.groupItem()->warningLabel()->isVisible());
        QCOMPARE(p.scene.soundingNodeCount(), 0);
    }

    // The warning's two seconds are monotonic time, and pass only while playing.
    void warningExpiresWhilePlaying()
    {
        PlayingNetwork p;
        p.push(p.event(PlaybackEvent::NoFreeVoice, 0, 0));
        p.scene.checkFeedback(true, 0);
        QVERIFY(p.groupItem()->warningLabel()->isVisible());
        QTest::qWait(int(NetworkScene::NoFreeVoiceWarningMs) + 100);
        p.scene.checkFeedback(false, 0);
        QVERIFY(p.groupItem()->warningLabel()->isVisible());
        p.scene.checkFeedback(true, 0);
        QVERIFY(!p.groupItem()->warningLabel()->isVisible());
    }

    // Events of removed elements are skipped, not applied to deleted items.
    void eventsOfRemovedElementsAreSkipped()
    {
        PlayingNetwork p;
        p.push(p.event(PlaybackEvent::VoiceStarted, 0, 1));
        p.scene.checkFeedback(true, 0);
        removeElements(p.doc, {p.group});
        p.push(p.event(PlaybackEvent::VoiceReturned, 1, 1));
        p.push(p.event(PlaybackEvent::VoiceReachedNode, 1, 1));
        p.scene.checkFeedback(true, 1);
        emit p.doc.controller.playbackJogged();
        settle();
        QCOMPARE(p.scene.soundingNodeCount(), 0);
    }
};

VORMA_GUI_TEST_MAIN(TestPlaybackDisplay)
#include "tst_playbackdisplay.moc"
