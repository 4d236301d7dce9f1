// What follows a change of the document: removing nodes takes their edges
// and voice groups along and cleans the start nodes, all in the removal's
// undo step; removing instruments clears every reference to them; undo and
// redo replay that instead of repeating it; notes trees follow the nodes'
// notes texts; instruments and scale modes are announced.
#include "QmdVorma/EditingTestSupport.h"

#include <QSignalSpy>
#include <QtTest>

using namespace QmdVorma;

namespace {

QString arcsPath(QmdItemId node)
{
    return elementPath(node) + QStringLiteral("/ArcIdentifiers");
}

QmdItemId addInstrument(VormaDocument &doc)
{
    doc.controller.requestAddInstrument();
    settle();
    return doc.controller.instrumentIds().last();
}

} // namespace

class TstConsistency : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isReady());
        qRegisterMetaType<QmdItemIdList>("QmdItemIdList");
        qRegisterMetaType<QmdRequestId>("QmdRequestId");
        qRegisterMetaType<QmdItemId>("QmdItemId");
    }

    // A node with two outgoing edges, one incoming edge and a voice group:
    // all of it goes, the other node forgets the incoming edge, and one undo
    // brings everything back, the notes tree included.
    void nodeRemoval()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId n = addNode(doc, 0, 0);
        const QmdItemId b = addNode(doc, 1, 0);
        const QmdItemId other = addNode(doc, 2, 0);
        const QmdItemId out1 = addEdge(doc, n, b);
        const QmdItemId out2 = addEdge(doc, n, other);
        const QmdItemId kept = addEdge(doc, b, other);
        const QmdItemId in = addEdge(doc, b, n);
        const QmdItemId group = addVoiceGroup(doc, n);
        c.requestSetData(Keys::Notes, QStringLiteral("[E3 G3]"), c.elementIndex(n));
        settle();
        QCOMPARE(doc.value(elementPath(b), Keys::ArcUsageList).toString(),
                 QStringLiteral("%1=1,%2=1").arg(kept).arg(in));
        const QString before = doc.dump();

        ControllerSignalLog log(&c);
        const QmdRequestId rid = removeElements(doc, {n});
        QCOMPARE(log.take(QStringLiteral("elementsRemoved")),
                 (QStringList{QStringLiteral("elementsRemoved(%1) #%2").arg(n).arg(rid),
                              QStringLiteral("elementsRemoved(%1,%2,%3,%4) #%5")
                                  .arg(out1)
                                  .arg(out2)
                                  .arg(in)
                                  .arg(group)
                                  .arg(rid)}));
        QCOMPARE(c.elementIds(), (QmdItemIdList{b, other, kept}));
        QCOMPARE(doc.dump(arcsPath(b)), QStringLiteral("[%1: 0]").arg(kept));
        QCOMPARE(doc.value(elementPath(b), Keys::ArcUsageList).toString(), QStringLiteral("%1=1").arg(kept));
        QCOMPARE(doc.controller.itemIds(c.lookupElementStatesIndex()), (QmdItemIdList{b, other, kept}));
        QVERIFY(!doc.index(treePath(n)).isValid());
        QCOMPARE(c.undoText(), QStringLiteral("Remove"));
        const QString after = doc.dump();

        undo(doc);
        QCOMPARE(doc.dump(), before);
        QCOMPARE(c.redoText(), QStringLiteral("Remove"));
        redo(doc);
        QCOMPARE(doc.dump(), after);
        undo(doc);
        QCOMPARE(doc.dump(), before);
        QCOMPARE(doc.dump(treePath(n)), notesTreeOf(QStringLiteral("[E3 G3]")));
    }

    // A node and its incoming edge in one request: the edge's start node is
    // cleaned all the same.
    void nodeAndEdgeTogether()
    {
        VormaDocument doc;
        doc.attach();
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc);
        const QmdItemId ab = addEdge(doc, a, b);
        addEdge(doc, b, a);
        const QString before = doc.dump();
        removeElements(doc, {b, ab});
        QCOMPARE(doc.controller.elementIds(), QmdItemIdList{a});
        QCOMPARE(doc.dump(arcsPath(a)), QStringLiteral("[]"));
        QCOMPARE(doc.value(elementPath(a), Keys::ArcUsageList).toString(), QString());
        undo(doc);
        QCOMPARE(doc.dump(), before);
    }

    void usageListOfRemovedEdge_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QVariant>("remaining");
        QTest::newRow("every entry of the edge") << "3=1,5=2,3=4" << QVariant(QStringLiteral("5=2"));
        QTest::newRow("its only entry") << "3=1" << QVariant(QString());
        QTest::newRow("empty entries stay") << "5=2,,3=1" << QVariant(QStringLiteral("5=2,"));
        QTest::newRow("an entry without count") << "3,5=2" << QVariant(QStringLiteral("5=2"));
        QTest::newRow("no entry of the edge") << "5=2" << QVariant(QStringLiteral("5=2"));
        QTest::newRow("no list") << QString() << QVariant();
    }

    // Edge 3 of node 1 goes; edge 5 keeps its arc number and entries.
    void usageListOfRemovedEdge()
    {
        QFETCH(QString, list);
        QFETCH(QVariant, remaining);
        VormaDocument doc;
        QHash<QString, QVariant> node{{Keys::Type, 2}};
        if (!list.isNull())
            node.insert(Keys::ArcUsageList, list);
        QCOMPARE(doc.addElement(node), 1u);
        QCOMPARE(doc.addElement({{Keys::Type, 2}}), 2u);
        QCOMPARE(doc.addElement({{Keys::Type, 1}, {Keys::FromNode, 1u}, {Keys::ToNode, 2u}}), 3u);
        QCOMPARE(doc.addElement({{Keys::Type, 3}}), 4u);
        QCOMPARE(doc.addElement({{Keys::Type, 1}, {Keys::FromNode, 1}, {Keys::ToNode, 2}}), 5u);
        doc.write([](QmdDirectModelInterface &d) {
            const QmdIndex node = d.index(1, d.index(Keys::Elements));
            d.setType(Keys::ArcIdentifiers, Qmd::IntDict, node);
            d.setData(3, 0, d.index(Keys::ArcIdentifiers, node));
            d.setData(5, 1, d.index(Keys::ArcIdentifiers, node));
        });
        doc.attach();
        removeElements(doc, {3});
        QCOMPARE(doc.value(elementPath(1), Keys::ArcUsageList), remaining);
        QCOMPARE(doc.dump(arcsPath(1)), QStringLiteral("[5: 1]"));
    }

    // An edge removed before its addition has been relayed is still
    // forgotten at its start node.
    void edgeRemovedAtOnce()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        QmdItemId edge = 0;
        c.requestAddEdge(c.elementIndex(a), c.elementIndex(a), CityBlock, CreationFlags(), QmdRequestOptions(),
                         &edge);
        c.requestRemove(QmdItemIdList{edge}, c.elementsIndex());
        settle();
        QCOMPARE(doc.dump(arcsPath(a)), QStringLiteral("[]"));
        QCOMPARE(doc.value(elementPath(a), Keys::ArcUsageList).toString(), QString());
        QVERIFY(!doc.index(statePath(edge)).isValid());
    }

    // Undo and redo replay the recorded clean-up: nothing new is recorded,
    // so the redo history survives.
    void replayKeepsTheHistory()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc);
        addEdge(doc, a, b);
        addVoiceGroup(doc, b);
        const QString full = doc.dump();
        for (int i = 0; i < 4; ++i)
            undo(doc);
        QCOMPARE(c.elementIds(), QmdItemIdList{});
        QVERIFY(doc.dump(QStringLiteral("Temp")).contains(QStringLiteral("NodeNotesTrees: []")));
        QCOMPARE(c.redoText(), QStringLiteral("Node"));
        for (int i = 0; i < 4; ++i)
            redo(doc);
        QCOMPARE(doc.dump(), full);
        QVERIFY(!c.canRedo());
    }

    // Nodes and voice groups that used a removed instrument use none; undo
    // gives the instrument and its uses back.
    void instrumentRemoval()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId gone = addInstrument(doc);
        const QmdItemId stays = addInstrument(doc);
        const QmdItemId user = addNode(doc);
        const QmdItemId otherUser = addNode(doc);
        const QmdItemId group = addVoiceGroup(doc, user);
        c.requestSetData(QHash<QString, QVariant>{{Keys::DoInstrumentChange, true}, {Keys::Instrument, uint(gone)}},
                         c.elementIndex(user));
        c.requestSetData(QHash<QString, QVariant>{{Keys::DoInstrumentChange, true}, {Keys::Instrument, stays}},
                         c.elementIndex(otherUser));
        settle();
        QCOMPARE(c.elementData(group, Keys::InitialInstrument), QVariant(uint(gone)));
        QVERIFY(c.instruments().contains(gone));
        const QString before = doc.dump();

        QSignalSpy removed(&c, &QmdVormaController::instrumentsRemoved);
        QSignalSpy added(&c, &QmdVormaController::instrumentsAdded);
        const QmdRequestId rid = c.requestRemove(QmdItemIdList{gone}, c.instrumentsIndex());
        settle();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).value<QmdItemIdList>(), QmdItemIdList{gone});
        QCOMPARE(removed.at(0).at(1).value<QmdRequestId>(), rid);
        QCOMPARE(c.elementData(user, Keys::DoInstrumentChange), QVariant(false));
        QCOMPARE(c.elementData(user, Keys::Instrument), QVariant(0u));
        QCOMPARE(c.elementData(group, Keys::InitialInstrument), QVariant(0u));
        QCOMPARE(c.elementData(otherUser, Keys::DoInstrumentChange), QVariant(true));
        QCOMPARE(c.elementData(otherUser, Keys::Instrument).toUInt(), stays);
        QCOMPARE(c.instruments().keys(), QList<QmdItemId>{stays});

        undo(doc);
        QCOMPARE(doc.dump(), before);
        QVERIFY(c.instruments().contains(gone));
        QCOMPARE(added.count(), 1);
        QCOMPARE(added.at(0).at(0).value<QmdItemIdList>(), QmdItemIdList{gone});
        redo(doc);
        QCOMPARE(c.elementData(group, Keys::InitialInstrument), QVariant(0u));
        QCOMPARE(removed.count(), 2);
        QVERIFY(!c.instruments().contains(gone));
    }

    void instrumentAndScaleModeSignals()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId instrument = addInstrument(doc);
        const QmdItemId node = addNode(doc);
        const QmdItemId group = addVoiceGroup(doc, node);
        const QmdItemId mode = c.defaultScaleModeId();
        QSignalSpy effected(&c, &QmdVormaController::instrumentDataEffected);
        QSignalSpy modeEffected(&c, &QmdVormaController::scaleModeDataEffected);
        QSignalSpy modesRemoved(&c, &QmdVormaController::scaleModesRemoved);

        const QmdRequestId rid = c.requestSetData(Keys::Label, QStringLiteral("Keys"), c.instrumentIndex(instrument));
        c.requestRemove(Keys::MidiProgram, c.instrumentIndex(instrument));
        c.requestSetData(Keys::Label, QStringLiteral("Mine"),
                         c.index(mode, c.scaleModesContainerIndex()));
        settle();
        QCOMPARE(effected.count(), 2);
        QCOMPARE(effected.at(0).at(0).value<QmdItemId>(), instrument);
        QCOMPARE(effected.at(0).at(1).toStringList(), QStringList{Keys::Label});
        QCOMPARE(effected.at(0).at(2).value<QmdRequestId>(), rid);
        QCOMPARE(effected.at(1).at(1).toStringList(), QStringList{Keys::MidiProgram});
        QCOMPARE(modeEffected.count(), 1);

        // The groups that use a removed mode keep naming it.
        const QString groupBefore = doc.dump(elementPath(group));
        c.requestRemove(QmdItemIdList{mode}, c.scaleModesContainerIndex());
        settle();
        QCOMPARE(modesRemoved.count(), 1);
        QCOMPARE(doc.dump(elementPath(group)), groupBefore);
        QCOMPARE(c.elementData(group, Keys::ScaleMode).toUInt(), mode);
    }

    // The tree follows the text: changed, undone, converted from the lists
    // of older documents.
    void notesTrees()
    {
        VormaDocument doc;
        const QmdItemId old = doc.addElement({{Keys::Type, 2}, {Keys::PitchList, QStringLiteral("D3,E3")},
                                              {Keys::VelocityList, QStringLiteral("80")}});
        doc.attach();
        QmdVormaController &c = doc.controller;
        QCOMPARE(c.elementData(old, Keys::Notes).toString(), QStringLiteral("D3,E3:80"));
        QCOMPARE(doc.dump(treePath(old)), notesTreeOf(QStringLiteral("D3,E3:80")));

        const QmdItemId node = addNode(doc);
        c.requestSetData(Keys::Notes, QStringLiteral("{A3 B3}"), c.elementIndex(node));
        settle();
        QCOMPARE(doc.dump(treePath(node)), notesTreeOf(QStringLiteral("{A3 B3}")));
        undo(doc);
        QCOMPARE(doc.dump(treePath(node)), notesTreeOf(QStringLiteral("C3:96:100%")));
        redo(doc);
        QCOMPARE(doc.dump(treePath(node)), notesTreeOf(QStringLiteral("{A3 B3}")));
    }
};

QTEST_GUILESS_MAIN(TstConsistency)
#include "tst_consistency.moc"
