// The network document controller itself: its locks across threads, the
// locked and direct accessors, element creation with flags, the display
// toggles, the colour presets and the slots that answer without a request.
#include "MidiTestSupport.h"
#include "QmdVorma/VormaTestSupport.h"

#include "QmdVorma/InstrumentsModel.h"
#include "QmdVorma/ScaleModes.h"
#include "QmdVorma/ScaleKeysModel.h"
#include "QmdVorma/ScaleModesModel.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

using namespace QmdVorma;

class TstVormaController : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }

    void construction()
    {
        QObject parent;
        auto *c = new QmdVormaController(&parent);
        QCOMPARE(c->QObject::parent(), &parent);
        QCOMPARE(c->instrumentsModel()->QObject::parent(), c);
        QCOMPARE(c->scaleKeysModel()->QObject::parent(), c);
        QCOMPARE(c->scaleModesModel()->QObject::parent(), c);
        QCOMPARE(c->scaleKeysModel()->rowCount(), 12);
        QCOMPARE(c->instrumentsModel()->rowCount(), 0);
        QVERIFY(!c->sync());
        QCOMPARE(c->defaultScaleModeId(), 0u);
        QVERIFY(!builtInScaleModes().isEmpty());
        QCOMPARE(QMetaType::type("QmdVorma::TickPoint"), qMetaTypeId<TickPoint>());
        QCOMPARE(&c->elementStateMutex(), &c->nodeArrivalMutex());
    }

    // Without a model (detached, or the model gone first) the accessors and
    // the item models answer nothing.
    void withoutModel()
    {
        VormaDocument doc;
        doc.addElement({{Keys::Type, 2}});
        doc.attach();
        QmdVormaController &c = doc.controller;
        QVERIFY(c.scaleModesModel()->rowCount() > 0);
        c.setModel(nullptr);
        QVERIFY(c.elementIds().isEmpty());
        QVERIFY(!c.elementData(1, Keys::Type).isValid());
        QVERIFY(c.instrumentIds().isEmpty());
        QVERIFY(!c.lookupElementStateIndex(1).isValid());
        QCOMPARE(c.scaleModesModel()->rowCount(), 0);
        QCOMPARE(c.instrumentsModel()->rowCount(), 0);
        QCOMPARE(c.defaultScaleModeId(), 0u);

        auto *model = new QmdMemModel(Qmd::StrDict);
        c.setModel(model);
        QVERIFY(c.scaleModesModel()->rowCount() > 0);
        delete model;
        QVERIFY(c.elementIds().isEmpty());
        c.reset();
        QCOMPARE(c.scaleModesModel()->rowCount(), 0);
    }

    // A request holds the controller's lock from its beginning to its end:
    // a query from another thread waits for the end.
    void requestsBlockQueriesOfOtherThreads()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdRequestId rid = c.nextRequestId();
        c.beginRequest(rid, {}, QStringLiteral("Edit"));
        std::atomic<bool> answered{false};
        std::thread reader([&] {
            c.elementIds();
            answered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QVERIFY(!answered);
        c.endRequest(rid);
        reader.join();
        QVERIFY(answered);
    }

    void requestIdsAreUniqueAcrossThreads()
    {
        QmdVormaController c;
        std::vector<QmdRequestId> a(2000), b(2000);
        std::thread first([&] { for (auto &id : a) id = c.nextRequestId(); });
        std::thread second([&] { for (auto &id : b) id = c.nextRequestId(); });
        first.join();
        second.join();
        std::set<QmdRequestId> all(a.cbegin(), a.cend());
        all.insert(b.cbegin(), b.cend());
        QCOMPARE(all.size(), std::size_t(4000));
        QVERIFY(!all.count(0));
    }

    void lockedAccessors()
    {
        VormaDocument doc;
        const QmdItemId node = doc.addElement({{Keys::Type, 2}, {Keys::Notes, QStringLiteral("C3")}});
        const QmdItemId edge = doc.addElement({{Keys::Type, 1}, {Keys::FromNode, uint(node)}});
        doc.write([](QmdDirectModelInterface &d) {
            d.setType(Keys::Instruments, Qmd::IntDict);
            const QmdItemId id = d.addType(Qmd::StrDict, d.index(Keys::Instruments));
            d.setData(Keys::Label, QStringLiteral("Piano"), d.index(id, d.index(Keys::Instruments)));
        });
        doc.attach();
        const QmdVormaController &c = doc.controller;

        QCOMPARE(c.elementIds(), (QmdItemIdList{node, edge}));
        QCOMPARE(c.elementData(node, Keys::Notes).toString(), QStringLiteral("C3"));
        QCOMPARE(c.instrumentIds(), QmdItemIdList{1});
        QCOMPARE(c.instrumentData(1, Keys::Label).toString(), QStringLiteral("Piano"));
        QCOMPARE(c.elementsIndex().key(), Keys::Elements);
        QCOMPARE(c.instrumentsIndex().key(), Keys::Instruments);
        QCOMPARE(c.syncMidiInputsIndex().key(), Keys::SyncMidiInputs);
        QCOMPARE(c.syncMidiOutputsIndex().key(), Keys::SyncMidiOutputs);
        QCOMPARE(c.scaleModesContainerIndex().key(), Keys::ScaleModes);
        QCOMPARE(c.lookupTempIndex().key(), Keys::Temp);
        QCOMPARE(c.lookupElementStatesIndex().key(), Keys::ElementStates);
        QCOMPARE(c.lookupElementStateIndex(node).itemId(), node);

        // A missing element or instrument reads nothing, not the root's key
        // of the same name.
        for (QmdItemId missing : {QmdItemId(0), QmdItemId(99)}) {
            QVERIFY(!c.elementIndex(missing).isValid());
            QVERIFY(!c.elementData(missing, Keys::Tempo).isValid());
            QVERIFY(!c.instrumentData(missing, Keys::Tempo).isValid());
            QVERIFY(!c.lookupElementStateIndex(missing).isValid());
        }

        QVERIFY(c.isElementStateIndex(c.lookupElementStateIndex(edge)));
        QVERIFY(!c.isElementStateIndex(c.elementIndex(edge)));
        QVERIFY(!c.isElementStateIndex(QmdIndex()));
        QVERIFY(!c.isElementStateIndex(c.lookupElementStatesIndex()));
    }

    void directAccessors()
    {
        VormaDocument doc;
        const QmdItemId node = doc.addElement({{Keys::Type, 2}, {Keys::Notes, QStringLiteral("C3")}});
        const QmdItemId edge = doc.addElement({{Keys::Type, 1}, {Keys::FromNode, uint(node)}, {Keys::ToNode, 77u}});
        doc.attach();
        QmdVormaController &c = doc.controller;
        std::lock_guard<PriorityInheritanceMutex> lock(c.controllerMutex());
        QCOMPARE(c.directElementIds(), (QmdItemIdList{node, edge}));
        QCOMPARE(c.directElementData(node, Keys::Notes).toString(), QStringLiteral("C3"));
        QVERIFY(!c.directElementData(99, Keys::Tempo).isValid());
        QCOMPARE(c.referencedElementIndex(edge, Keys::FromNode), c.directElementIndex(node));
        QVERIFY(!c.referencedElementIndex(edge, Keys::ToNode).isValid());
        QCOMPARE(c.elementStateIndex(node), c.lookupElementStateIndex(node));
        QCOMPARE(c.notesTreeIndex(node).itemId(), node);
        QVERIFY(!c.notesTreeIndex(edge).isValid());
        QCOMPARE(c.tempIndex(), c.lookupTempIndex());
        QCOMPARE(c.elementStatesIndex(), c.lookupElementStatesIndex());
        QCOMPARE(c.nodeNotesTreesIndex().key(), Keys::NodeNotesTrees);
        QCOMPARE(c.scaleModeItemIndex(c.defaultScaleModeId()).itemId(), c.defaultScaleModeId());
        QVERIFY(!c.directInstrumentIndex(1).isValid());
    }

    void addElementWithFlags()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdRequestId rid = c.nextRequestId();
        c.beginRequest(rid, {}, QStringLiteral("Add"));
        const QmdItemId shown = c.addElementWithFlags(3, {{Keys::Text, QStringLiteral("a")}}, {}, CreationFlags());
        const QmdItemId hidden = c.addElementWithFlags(2, {}, {{Keys::ArcIdentifiers, Qmd::IntDict}}, CreateHidden);
        c.endRequest(rid);
        QCOMPARE(doc.dump(QStringLiteral("Elements/%1").arg(shown)), QStringLiteral("{Text: \"a\", Type: 3}"));
        QCOMPARE(doc.dump(QStringLiteral("Elements/%1").arg(hidden)),
                 QStringLiteral("{ArcIdentifiers: [], IsHidden: true, Type: 2}"));
    }

    void toggles_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("initial");
        QTest::newRow("grid") << "requestToggleShowGrid" << Keys::ShowGrid << true;
        QTest::newRow("snap") << "requestToggleSnapToGrid" << Keys::SnapToGrid << true;
        QTest::newRow("counters") << "requestToggleShowNodeCounters" << Keys::ShowNodeCounters << false;
        QTest::newRow("last notes") << "requestToggleShowNodeLastNotesSent" << Keys::ShowNodeLastNotesSent << false;
        QTest::newRow("signalling") << "requestToggleShowEdgeSignalling" << Keys::ShowEdgeSignalling << false;
        QTest::newRow("triggering") << "requestToggleMidiTriggering" << Keys::MidiTriggeringEnabled << false;
    }

    // Each toggle inverts its key (a missing one reads false) without ever
    // becoming an undo step or making the document unclean.
    void toggles()
    {
        QFETCH(QString, slot);
        QFETCH(QString, key);
        QFETCH(bool, initial);
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        QCOMPARE(doc.value(QString(), key).isValid(), key != Keys::MidiTriggeringEnabled);
        for (bool expected : {!initial, initial}) {
            QmdRequestId rid = 0;
            QVERIFY(QMetaObject::invokeMethod(&c, slot.toLatin1().constData(), Qt::DirectConnection,
                                              Q_RETURN_ARG(QmdRequestId, rid)));
            QVERIFY(rid != 0);
            settle();
            QCOMPARE(doc.value(QString(), key), QVariant(expected));
        }
        QVERIFY(!c.canUndo());
        QVERIFY(c.isAtCleanState());
    }

    void slotsWithoutRequests()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        ControllerSignalLog log(&c);
        const QString before = doc.dump();
        QCOMPARE(c.requestShuffleNodeNotes({1, 2}), 0u);
        settle();
        QVERIFY(log.take().isEmpty());
        // The transport answers no request id and leaves the document and
        // its history as they were.
        for (QmdRequestId rid : {c.requestPlay(), c.requestPause(), c.requestTogglePlayback(), c.requestGotoStart(),
                                 c.requestSetPlayback(true), c.requestPrimePlaybackForSyncStateChange(false)})
            QCOMPARE(rid, 0xFFFFFFFFu);
        c.requestPause();
        settle();
        QCOMPARE(doc.dump(), before);
        QVERIFY(!c.canUndo());
        QVERIFY(c.isAtCleanState());
    }

    void stylePresets()
    {
        QCOMPARE(QmdVormaController::stylePresetNames(), (QStringList{"Dark", "Light"}));
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QString dark = doc.dump();
        const QmdRequestId rid = c.requestLoadStylePreset(QStringLiteral("Light"));
        QVERIFY(rid != 0);
        settle();
        QCOMPARE(doc.value(QString(), Keys::StyleBackgroundColor), QVariant(QColor(255, 255, 255, 255)));
        QCOMPARE(doc.value(QString(), Keys::StyleDivisionPointsColor), QVariant(QColor(0, 0, 0, 0)));
        QCOMPARE(doc.value(QString(), Keys::StyleAnnotationColor), QVariant(QColor(0, 0, 0, 255)));
        QCOMPARE(c.undoText(), QStringLiteral("Color Preset: Light"));
        c.requestUndo();
        settle();
        QCOMPARE(doc.dump(), dark);

        ControllerSignalLog log(&c);
        QCOMPARE(c.requestLoadStylePreset(QStringLiteral("dark")), 0u);
        QCOMPARE(c.requestLoadStylePreset(QString()), 0u);
        settle();
        QVERIFY(log.take().isEmpty());
        QCOMPARE(doc.dump(), dark);
    }

    // A preset applied from another thread while the GUI thread holds the
    // controller and reads the presets: the two locks are never taken in
    // opposite orders (the thread sanitizer reports it if they are).
    void presetsAndControllerLockOrder()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        std::thread applier([&] {
            for (int i = 0; i < 50; ++i)
                c.requestLoadStylePreset(i % 2 ? QStringLiteral("Dark") : QStringLiteral("Light"));
        });
        for (int i = 0; i < 50; ++i) {
            std::lock_guard<PriorityInheritanceMutex> lock(c.controllerMutex());
            QCOMPARE(QmdVormaController::stylePresetNames().size(), 2);
        }
        applier.join();
        settle();
    }

    // The first port, in natural order, whose name holds "synth" in any
    // case; else the first port; else none.
    void defaultMidiOutputPort_data()
    {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QString>("port");
        QTest::newRow("a synthesizer") << QStringList{"MIDI Out 10", "MIDI Out 2", "Soft SYNTH A"} << "Soft SYNTH A";
        QTest::newRow("numbers in order") << QStringList{"MIDI Out 10", "MIDI Out 2"} << "MIDI Out 2";
        QTest::newRow("first of two synths") << QStringList{"Synth 12", "Synth 3", "Other"}
                                             << "Synth 3";
        QTest::newRow("no ports") << QStringList{} << "";
    }

    void defaultMidiOutputPort()
    {
        QFETCH(QStringList, ports);
        QFETCH(QString, port);
        ScopedFakeMidi midi;
        for (const QString &name : qAsConst(ports))
            midi->addPort(MidiDirection::Output, name);
        midi->addPort(MidiDirection::Input, QStringLiteral("Synth In"));
        QCOMPARE(QmdVormaController::defaultMidiOutputPort(), port);
    }

    void resetEmptiesTheFeedbackQueue()
    {
        VormaDocument doc;
        doc.attach();
        PlaybackEvent event;
        event.time = 5;
        QVERIFY(doc.controller.feedbackPipe().push(event));
        QVERIFY(doc.controller.feedbackPipe().push(event));
        doc.controller.reset();
        QVERIFY(doc.controller.feedbackPipe().isEmpty());
        QCOMPARE(doc.controller.feedbackPipe().capacity(), 1000);
    }
};

QTEST_GUILESS_MAIN(TstVormaController)
#include "tst_vormacontroller.moc"
