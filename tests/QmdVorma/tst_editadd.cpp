// Adding nodes, edges, text boxes, voice groups, instruments and edge
// controllers through the controller's requests: what each writes, the arc
// numbers and usage entries at the start node, the choices a new instrument
// gets, and undo and redo of each.
#include "QmdVorma/EditingTestSupport.h"
#include "MidiTestSupport.h"

#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/InstrumentPalette.h"

#include <QtTest>

using namespace QmdVorma;

namespace {

const QString NodeState = QStringLiteral(
    "{CurrentEdgeUsageId: u0, CurrentEdgeUsageUses: 0, CurrentUserMidiMessageId: 0, HitCount: 0, "
    "LastNotesSent: \"\"}");

QBitArray channelSet(const QList<int> &channels)
{
    QBitArray bits(16);
    for (int channel : channels)
        bits.setBit(channel);
    return bits;
}

QmdItemId lastInstrument(const VormaDocument &doc)
{
    const QmdItemIdList ids = doc.controller.instrumentIds();
    return ids.isEmpty() ? 0 : ids.last();
}

} // namespace

class TstEditAdd : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }

    // A node has exactly its keys, its run-time state and its notes tree;
    // undo takes all of it away, redo brings all of it back.
    void node()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QString empty = doc.dump();
        QmdItemId id = 0;
        const QmdRequestId rid = c.requestAddNode(TickPoint(3, -4), CreationFlags(), QmdRequestOptions(), &id);
        QVERIFY(rid != 0);
        QVERIFY(c.elementIndex(id).isValid());
        settle();
        QCOMPARE(doc.dump(elementPath(id)),
                 QStringLiteral("{ArcIdentifiers: [], Notes: \"C3:96:100%\", SignallingMethod: 0, "
                                "TickPos: QmdVorma::TickPoint(), Type: 2}"));
        QCOMPARE(doc.value(elementPath(id), Keys::TickPos).value<TickPoint>(), TickPoint(3, -4));
        QCOMPARE(doc.dump(statePath(id)), NodeState);
        QCOMPARE(doc.dump(treePath(id)), notesTreeOf(QStringLiteral("C3:96:100%")));
        const QString added = doc.dump();

        undo(doc);
        QCOMPARE(doc.dump(), empty);
        QVERIFY(c.canRedo());
        redo(doc);
        QCOMPARE(doc.dump(), added);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("node") << "node" << "Node";
        QTest::newRow("edge") << "edge" << "Edge";
        QTest::newRow("edge to its own node") << "loop" << "Edge";
        QTest::newRow("open edge") << "open edge" << "Edge";
        QTest::newRow("text box") << "text box" << "Text Box";
        QTest::newRow("voice group") << "voice group" << "Voice Group";
        QTest::newRow("instrument") << "instrument" << "Instrument";
        QTest::newRow("chosen instrument") << "chosen instrument" << "Instrument";
        QTest::newRow("controller") << "controller" << "Controller";
    }

    // Every kind, added with the shorter slot forms: one undo step under
    // the default text that undo and redo take away and bring back whole.
    void roundTrip()
    {
        QFETCH(QString, kind);
        QFETCH(QString, undoText);
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc, 0, 0);
        const QmdItemId b = addNode(doc, 665280, 0);
        const QmdItemId edge = addEdge(doc, a, b);
        c.requestAddInstrument();
        settle();
        const QString before = doc.dump();

        if (kind == QLatin1String("node"))
            c.requestAddNode(TickPoint(5, 5));
        else if (kind == QLatin1String("edge"))
            c.requestAddEdge(c.elementIndex(b), c.elementIndex(a));
        else if (kind == QLatin1String("loop"))
            c.requestAddEdge(c.elementIndex(a), c.elementIndex(a), Direct);
        else if (kind == QLatin1String("open edge"))
            c.requestAddEdge();
        else if (kind == QLatin1String("text box"))
            c.requestAddTextBox(TickPoint(1, 2));
        else if (kind == QLatin1String("voice group"))
            c.requestAddVoiceGroup(c.elementIndex(a));
        else if (kind == QLatin1String("instrument"))
            c.requestAddInstrument(QStringLiteral("Bass"), Qt::red, channelSet({9}));
        else if (kind == QLatin1String("chosen instrument"))
            c.requestAddInstrument();
        else if (kind == QLatin1String("controller"))
            c.requestAddControllerToEdge(c.elementIndex(edge), SingleValue, 7, -1);
        settle();
        const QString after = doc.dump();
        QVERIFY(after != before);
        QCOMPARE(c.undoText(), undoText);

        for (int pass = 0; pass < 2; ++pass) {
            undo(doc);
            QCOMPARE(doc.dump(), before);
            redo(doc);
            QCOMPARE(doc.dump(), after);
        }
    }

    void hidden_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("hidden");
        for (int type : {EdgeElement, NodeElement, TextBoxElement, VoiceGroupElement}) {
            QTest::addRow("type %d shown", type) << type << false;
            QTest::addRow("type %d hidden", type) << type << true;
        }
    }

    void hidden()
    {
        QFETCH(int, type);
        QFETCH(bool, hidden);
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId node = addNode(doc);
        const CreationFlags flags = hidden ? CreationFlags(CreateHidden) : CreationFlags();
        switch (type) {
        case EdgeElement:
            c.requestAddEdge(c.elementIndex(node), c.elementIndex(node), CityBlock, flags);
            break;
        case NodeElement:
            c.requestAddNode(TickPoint(), flags);
            break;
        case TextBoxElement:
            c.requestAddTextBox(TickPoint(), QStringLiteral("t"), flags);
            break;
        case VoiceGroupElement:
            c.requestAddVoiceGroup(c.elementIndex(node), flags);
            break;
        }
        settle();
        const QmdItemId id = lastElement(doc);
        QCOMPARE(c.elementData(id, Keys::Type).toInt(), type);
        QCOMPARE(c.elementData(id, Keys::IsHidden), hidden ? QVariant(true) : QVariant());
    }

    void edge()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc, 10, 10);
        const QString endNode = doc.dump(elementPath(b));
        QmdItemId id = 0;
        c.requestAddEdge(c.elementIndex(a), c.elementIndex(b), Direct, CreationFlags(), QmdRequestOptions(), &id);
        QVERIFY(c.elementIndex(id).isValid());
        settle();
        QCOMPARE(doc.dump(elementPath(id)),
                 QStringLiteral("{ContinuousControllers: [], FromNode: u%1, Path: 2, ToNode: u%2, Type: 1}")
                     .arg(a)
                     .arg(b));
        QCOMPARE(doc.dump(statePath(id)), QStringLiteral("{CurrentScaleId: 0}"));
        QCOMPARE(doc.dump(elementPath(a) + QStringLiteral("/ArcIdentifiers")), QStringLiteral("[%1: 0]").arg(id));
        QCOMPARE(doc.value(elementPath(a), Keys::ArcUsageList).toString(), QStringLiteral("%1=1").arg(id));
        QCOMPARE(doc.dump(elementPath(b)), endNode);
    }

    // Ends that are no node of the document stay open, and no node is
    // touched.
    void openEnds()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId node = addNode(doc);
        c.requestAddTextBox(TickPoint());
        settle();
        const QmdItemId box = lastElement(doc);
        VormaDocument other;
        other.attach();
        const QmdItemId foreign = addNode(other);
        const QString nodeBefore = doc.dump(elementPath(node));
        const QString boxBefore = doc.dump(elementPath(box));

        for (const QmdIndex &from : {QmdIndex(), c.elementIndex(box), other.controller.elementIndex(foreign),
                                     c.elementsIndex()}) {
            QmdItemId id = 0;
            c.requestAddEdge(from, from, CityBlock, CreationFlags(), QmdRequestOptions(), &id);
            settle();
            QCOMPARE(doc.dump(elementPath(id)), QStringLiteral("{ContinuousControllers: [], Path: 0, Type: 1}"));
        }
        QCOMPARE(doc.dump(elementPath(node)), nodeBefore);
        QCOMPARE(doc.dump(elementPath(box)), boxBefore);
    }

    // The lowest number the node's other edges do not have, freed numbers
    // first.
    void arcNumbers()
    {
        VormaDocument doc;
        doc.attach();
        const QmdItemId a = addNode(doc);
        const QmdItemId b = addNode(doc);
        QmdVormaController &c = doc.controller;
        QmdItemIdList edges;
        for (int i = 0; i < 3; ++i)
            edges.append(addEdge(doc, a, b));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(c.arcIdentifierOfEdge(a, edges.at(i)), i);
        removeElements(doc, {edges.first()});
        const QmdItemId reused = addEdge(doc, a, b);
        QCOMPARE(c.arcIdentifierOfEdge(a, reused), 0);
        QCOMPARE(c.arcIdentifierOfEdge(a, addEdge(doc, a, b)), 3);
    }

    void arcNumberAmongOthers_data()
    {
        QTest::addColumn<QVariantList>("numbers");
        QTest::addColumn<int>("number");
        QTest::newRow("none") << QVariantList{} << 0;
        QTest::newRow("a gap") << QVariantList{0, 2} << 1;
        QTest::newRow("zero free") << QVariantList{1, 2} << 0;
        QTest::newRow("unsigned and signed") << QVariantList{0u, 1, 2u} << 3;
        QTest::newRow("negative ones are not numbers below 0") << QVariantList{-1, 0} << 1;
    }

    void arcNumberAmongOthers()
    {
        QFETCH(QVariantList, numbers);
        QFETCH(int, number);
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        QHash<QmdItemId, QVariant> arcs;
        for (int i = 0; i < numbers.size(); ++i)
            arcs.insert(QmdItemId(1000 + i), numbers.at(i));
        if (!arcs.isEmpty())
            c.requestSetData(arcs, doc.index(elementPath(a) + QStringLiteral("/ArcIdentifiers")));
        settle();
        QCOMPARE(c.arcIdentifierOfEdge(a, addEdge(doc, a, a)), number);
    }

    void usageEntries_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("expected"); // %1: the new edge's id
        QTest::newRow("empty") << "" << "%1=1";
        QTest::newRow("two entries") << "4=1,7=2" << "4=1,7=2,%1=1";
    }

    void usageEntries()
    {
        QFETCH(QString, list);
        QFETCH(QString, expected);
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        c.requestSetData(Keys::ArcUsageList, list, c.elementIndex(a));
        settle();
        const QmdItemId edge = addEdge(doc, a, a);
        QCOMPARE(doc.value(elementPath(a), Keys::ArcUsageList).toString(), expected.arg(edge));
    }

    // Requests given one id are one undo step: a node and an edge to it.
    void sharedRequestId()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId a = addNode(doc);
        const QString before = doc.dump();
        const QmdRequestId rid = c.nextRequestId();
        const QmdRequestOptions options{0, QStringLiteral("Node and Edge"), rid};
        QmdItemId node = 0;
        QmdItemId edge = 0;
        QCOMPARE(c.requestAddNode(TickPoint(1, 1), CreationFlags(), options, &node), rid);
        QCOMPARE(c.requestAddEdge(c.elementIndex(a), c.elementIndex(node), CityBlock, CreationFlags(), options,
                                  &edge),
                 rid);
        settle();
        QCOMPARE(c.elementIds(), (QmdItemIdList{a, node, edge}));
        QVERIFY(doc.index(treePath(node)).isValid());
        undo(doc);
        QCOMPARE(doc.dump(), before);
        QCOMPARE(c.undoText(), QStringLiteral("Node"));
        QCOMPARE(c.redoText(), QStringLiteral("Node and Edge"));
    }

    void textBox()
    {
        VormaDocument doc;
        doc.attach();
        doc.controller.requestAddTextBox(TickPoint(7, 8));
        settle();
        const QmdItemId id = lastElement(doc);
        QCOMPARE(doc.dump(elementPath(id)),
                 QStringLiteral("{Text: \"<html><body>Text</body></html>\", TickPos: QmdVorma::TickPoint(), "
                                "Type: 3}"));
        QCOMPARE(doc.value(elementPath(id), Keys::TickPos).value<TickPoint>(), TickPoint(7, 8));
        QVERIFY(!doc.index(statePath(id)).isValid());
    }

    // A voice group starts on the first instrument of the document and the
    // default scale mode.
    void voiceGroup()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId node = addNode(doc);
        const QmdItemId alone = addVoiceGroup(doc, node);
        const QString keys = QStringLiteral(
            "{InitialDuration: \"1.0\", InitialInstrument: u%1, InitialPitch: \"C3\", InitialVelocity: \"96\", "
            "ScaleKey: u0, ScaleMode: u%2, ToNode: u%3, TriggeringQuantization: 3, Type: 4, UseScale: false}");
        QVERIFY(c.defaultScaleModeId() != 0);
        QCOMPARE(doc.dump(elementPath(alone)), keys.arg(0).arg(c.defaultScaleModeId()).arg(node));
        QVERIFY(!doc.index(statePath(alone)).isValid());

        c.requestAddInstrument();
        c.requestAddInstrument();
        settle();
        const QmdItemIdList instruments = c.instrumentIds();
        QCOMPARE(instruments.size(), 2);
        c.requestAddVoiceGroup(QmdIndex());
        settle();
        QCOMPARE(doc.dump(elementPath(lastElement(doc))),
                 keys.arg(instruments.first()).arg(c.defaultScaleModeId()).arg(0));
    }

    void instrument()
    {
        ScopedFakeMidi midi;
        midi->addPort(MidiDirection::Output, QStringLiteral("Synth A"));
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        c.requestAddInstrument(QStringLiteral("Lead"), QColor(1, 2, 3), channelSet({4, 5}));
        settle();
        const QmdItemId id = lastInstrument(doc);
        const QString path = QStringLiteral("Instruments/%1").arg(id);
        QCOMPARE(doc.model.keys(doc.index(path)).size(), 9);
        QCOMPARE(doc.value(path, Keys::Type), QVariant(QStringLiteral("midi")));
        QCOMPARE(doc.value(path, Keys::Color), QVariant(QColor(1, 2, 3)));
        QCOMPARE(doc.value(path, Keys::Label), QVariant(QStringLiteral("Lead")));
        QCOMPARE(doc.value(path, Keys::MidiPort), QVariant(QStringLiteral("Synth A")));
        QCOMPARE(doc.value(path, Keys::MidiChannels), QVariant(channelSet({4, 5})));
        QCOMPARE(doc.value(path, Keys::MidiDoProgramChange), QVariant(false));
        QCOMPARE(doc.value(path, Keys::MidiProgram), QVariant(1));
        QCOMPARE(doc.value(path, Keys::MidiBankMSB), QVariant(0));
        QCOMPARE(doc.value(path, Keys::MidiBankLSB), QVariant(0));
    }

    void instrumentLabel_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("label");
        QTest::newRow("first") << QStringList{} << "Instrument";
        QTest::newRow("numbered on") << QStringList{"Instrument", "Instrument 2"} << "Instrument 3";
        QTest::newRow("a gap at the start") << QStringList{"Instrument 2"} << "Instrument";
        QTest::newRow("case counts") << QStringList{"instrument"} << "Instrument";
    }

    void instrumentLabel()
    {
        QFETCH(QStringList, labels);
        QFETCH(QString, label);
        VormaDocument doc;
        doc.attach();
        for (const QString &used : qAsConst(labels))
            doc.controller.requestAddInstrument(used, QColor(), QBitArray());
        doc.controller.requestAddInstrument();
        settle();
        QCOMPARE(doc.controller.instrumentData(lastInstrument(doc), Keys::Label).toString(), label);
    }

    void instrumentChannel_data()
    {
        QTest::addColumn<QList<int>>("used");
        QTest::addColumn<QList<int>>("channels");
        QTest::newRow("first") << QList<int>{} << QList<int>{0};
        QTest::newRow("lowest free") << QList<int>{0, 1, 3} << QList<int>{2};
        QList<int> all;
        for (int channel = 0; channel < 16; ++channel)
            all.append(channel);
        QTest::newRow("all used") << all << QList<int>{};
    }

    // Each used channel belongs to an instrument of its own.
    void instrumentChannel()
    {
        QFETCH(QList<int>, used);
        QFETCH(QList<int>, channels);
        VormaDocument doc;
        doc.attach();
        for (int channel : qAsConst(used))
            doc.controller.requestAddInstrument(QString::number(channel), QColor(), channelSet({channel}));
        doc.controller.requestAddInstrument();
        settle();
        QCOMPARE(doc.controller.instrumentData(lastInstrument(doc), Keys::MidiChannels), QVariant(channelSet(channels)));
    }

    void instrumentColor_data()
    {
        QTest::addColumn<QVariantList>("used");
        QTest::addColumn<QColor>("color");
        QTest::newRow("first") << QVariantList{} << paletteColor(0);
        QTest::newRow("first two used") << QVariantList{paletteColor(1), paletteColor(0)} << paletteColor(2);
        QTest::newRow("a colour from a file") << QVariantList{paletteColor(0).name()} << paletteColor(1);
        QTest::newRow("no colour") << QVariantList{5} << paletteColor(0);
        QVariantList all;
        for (const PaletteEntry &entry : instrumentColorPalette())
            all.append(entry.color);
        QTest::newRow("all used") << all << QColor();
    }

    void instrumentColor()
    {
        QFETCH(QVariantList, used);
        QFETCH(QColor, color);
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        for (const QVariant &value : qAsConst(used)) {
            c.requestAddInstrument(QStringLiteral("x"), QColor(), QBitArray());
            settle();
            c.requestSetData(Keys::Color, value, c.instrumentIndex(lastInstrument(doc)));
        }
        c.requestAddInstrument();
        settle();
        QCOMPARE(c.instrumentData(lastInstrument(doc), Keys::Color), QVariant(color));
    }

    // The edge gets its controller dictionary outside the history: undo
    // takes the entry and leaves the dictionary.
    void controller()
    {
        VormaDocument doc;
        const QmdItemId a = doc.addElement({{Keys::Type, 2}});
        const QmdItemId edge = doc.addElement({{Keys::Type, 1}, {Keys::FromNode, uint(a)}, {Keys::ToNode, uint(a)}});
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdRequestId rid = c.requestAddControllerToEdge(c.elementIndex(edge), LinearCurve, -1, -2);
        QVERIFY(rid != 0);
        settle();
        const QString controllers = elementPath(edge) + QStringLiteral("/ContinuousControllers");
        QCOMPARE(doc.dump(controllers), QStringLiteral("[1: {CurveType: 2, LsbCode: -2, MsbCode: -1}]"));
        QCOMPARE(c.undoText(), QStringLiteral("Controller"));
        undo(doc);
        QCOMPARE(doc.dump(controllers), QStringLiteral("[]"));
        QVERIFY(!c.canUndo());
    }

    // Anything but an edge of the document gets no controller: the invalid
    // index would otherwise put the dictionary on the root.
    void controllerOnlyOnEdges()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        const QmdItemId node = addNode(doc);
        c.requestAddInstrument();
        settle();
        VormaDocument other;
        other.attach();
        const QmdItemId foreignNode = addNode(other);
        const QmdItemId foreignEdge = addEdge(other, foreignNode, foreignNode);
        const QString before = doc.dump();

        for (const QmdIndex &index : {QmdIndex(), c.elementsIndex(), c.elementIndex(node),
                                      c.instrumentIndex(lastInstrument(doc)),
                                      other.controller.elementIndex(foreignEdge)}) {
            QCOMPARE(c.requestAddControllerToEdge(index, SingleValue, 1, -1), 0u);
            settle();
            QCOMPARE(doc.dump(), before);
        }
        QCOMPARE(c.undoText(), QStringLiteral("Instrument"));
    }

    // A program without a GUI application has no clipboard: copying puts
    // nothing anywhere and pasting adds nothing.
    void clipboardWithoutGui()
    {
        VormaDocument doc;
        doc.attach();
        const QmdItemId node = addNode(doc);
        QVERIFY(doc.controller.requestCopy({node}) != 0);
        QVERIFY(!QmdVormaController::canPaste());
        const QString before = doc.dump();
        QVERIFY(doc.controller.requestPaste(TickPoint()) != 0);
        settle();
        QCOMPARE(doc.dump(), before);
    }
};

QTEST_GUILESS_MAIN(TstEditAdd)
#include "tst_editadd.moc"
