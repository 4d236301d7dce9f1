// The reset of a network document: the keys with their types and defaults,
// the run-time subtree, the conversion of older documents, the merge of the
// built-in scale modes and the repair of scale-mode references.
#include "QmdVorma/VormaTestSupport.h"

#include "QmdVorma/DocumentConversion.h"
#include "QmdVorma/DocumentDefaults.h"
#include "QmdVorma/InstrumentPalette.h"
#include "QmdVorma/InstrumentsModel.h"
#include "QmdVorma/ScaleModes.h"
#include "QmdVorma/StylePresets.h"

#include <QBitArray>
#include <QtTest>

#include <cstring>
#include <limits>

using namespace QmdVorma;

namespace {

// "Label=degrees@order" of every scale mode of the document, sorted by id,
// with "*" after those not built in.
QString describeScaleModes(const VormaDocument &doc)
{
    QStringList parts;
    const QmdIndex modes = doc.index(Keys::ScaleModes);
    for (const QmdIndex &mode : doc.model.indexes(modes)) {
        const auto value = [&](const QString &key) { return doc.value(QStringLiteral("ScaleModes/%1").arg(mode.itemId()), key); };
        parts << QStringLiteral("%1=%2@%3%4")
                     .arg(value(Keys::Label).toString())
                     .arg(value(Keys::ChromaticScaleDegreeSet).toInt())
                     .arg(value(Keys::DisplayOrder).toInt())
                     .arg(value(Keys::IsBuiltIn).toBool() ? "" : "*");
    }
    return parts.join(QStringLiteral("; "));
}

QString builtInDescription(const BuiltInScaleModeList &list)
{
    QStringList parts;
    for (const BuiltInScaleMode &mode : list)
        parts << QStringLiteral("%1=%2@%3").arg(mode.label).arg(mode.degreeSet).arg(mode.displayOrder);
    return parts.join(QStringLiteral("; "));
}

QmdItemId addScaleMode(VormaDocument &doc, const QString &label, int degrees, const QVariantMap &more = {})
{
    QmdItemId id = 0;
    doc.write([&](QmdDirectModelInterface &d) {
        d.setTypeIfInvalid(Keys::ScaleModes, Qmd::IntDict);
        const QmdIndex modes = d.index(Keys::ScaleModes);
        id = d.addType(Qmd::StrDict, modes);
        QHash<QString, QVariant> values{{Keys::Label, label}, {Keys::ChromaticScaleDegreeSet, degrees}};
        for (auto it = more.cbegin(); it != more.cend(); ++it)
            values.insert(it.key(), it.value());
        doc.model.setData(values, d.index(id, modes));
    });
    return id;
}

using ArcUsages = QList<QPair<uint, int>>;

} // namespace

class TstDocumentReset : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }

    void emptyDocument_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value"); // in dumpTree form
        QTest::newRow("Tempo") << Keys::Tempo << "u120";
        QTest::newRow("PrincipalsToBeatsNumerator") << Keys::PrincipalsToBeatsNumerator << "u1";
        QTest::newRow("PrincipalsToBeatsDenominator") << Keys::PrincipalsToBeatsDenominator << "u1";
        QTest::newRow("DivsPerPrincipal") << Keys::DivsPerPrincipal << "u4";
        QTest::newRow("ScaleKey") << Keys::ScaleKey << "u0";
        QTest::newRow("ShowGrid") << Keys::ShowGrid << "true";
        QTest::newRow("SnapToGrid") << Keys::SnapToGrid << "true";
        QTest::newRow("ShowNodeCounters") << Keys::ShowNodeCounters << "false";
        QTest::newRow("ShowNodeLastNotesSent") << Keys::ShowNodeLastNotesSent << "false";
        QTest::newRow("ShowEdgeSignalling") << Keys::ShowEdgeSignalling << "false";
        QTest::newRow("ZoomScale") << Keys::ZoomScale << "r1";
        QTest::newRow("Tool") << Keys::Tool << "2";
        QTest::newRow("SyncType") << Keys::SyncType << "\"internal\"";
        QTest::newRow("Elements") << Keys::Elements << "[]";
        QTest::newRow("Instruments") << Keys::Instruments << "[]";
        QTest::newRow("SyncMidiInputs") << Keys::SyncMidiInputs << "{}";
        QTest::newRow("SyncMidiOutputs") << Keys::SyncMidiOutputs << "{}";
        QTest::newRow("Temp") << Keys::Temp << "{ElementStates: [], NodeNotesTrees: []}";
    }

    void emptyDocument()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        VormaDocument doc;
        doc.attach();
        QCOMPARE(doc.dump(key), value);
    }

    // Exactly these keys, the style of "Dark" with its alpha values, every
    // built-in scale mode in its order, and the default one chosen.
    void emptyDocumentAsAWhole()
    {
        VormaDocument doc;
        doc.attach();
        StylePreset dark;
        QVERIFY(stylePreset(QStringLiteral("Dark"), &dark));
        QStringList expected;
        for (const KeyValue &entry : rootDefaults())
            expected << entry.key;
        expected << dark.keys() << Keys::SyncType << Keys::Tool << Keys::Elements << Keys::Instruments
                 << Keys::ScaleModes << Keys::SyncMidiInputs << Keys::SyncMidiOutputs << Keys::Temp;
        QStringList keys = doc.model.keys(QmdIndex());
        keys.sort();
        expected.sort();
        QCOMPARE(keys, expected);
        for (auto it = dark.cbegin(); it != dark.cend(); ++it) {
            const QVariant stored = doc.value(QString(), it.key());
            QCOMPARE(stored.userType(), int(QMetaType::QColor));
            QCOMPARE(stored.value<QColor>().rgba(), it.value().value<QColor>().rgba());
        }
        QCOMPARE(doc.value(QString(), Keys::StyleAnnotationColor).value<QColor>().alpha(), 128);

        QCOMPARE(describeScaleModes(doc), builtInDescription(builtInScaleModes()));
        const QmdItemId chromatic = doc.controller.defaultScaleModeId();
        QCOMPARE(doc.value(QStringLiteral("ScaleModes/%1").arg(chromatic), Keys::Label).toString(),
                 QStringLiteral("Chromatic"));
        QCOMPARE(doc.dump(Keys::ScaleMode), QStringLiteral("u%1").arg(chromatic));
        QVERIFY(!doc.controller.canUndo());
        QVERIFY(doc.controller.isAtCleanState());
    }

    // Present keys keep their values and types; `Tool` and `Temp` are
    // always new; a value of the wrong type gets the default; a dictionary
    // key holding a plain value becomes a dictionary.
    void presentKeys()
    {
        VormaDocument doc;
        doc.write([](QmdDirectModelInterface &d) {
            d.setData(Keys::Tempo, 90);
            d.setData(Keys::Tool, 4);
            d.setData(Keys::StyleNodesColor, QColor(1, 2, 3, 4));
            d.setData(Keys::ZoomScale, 0.75);
            d.setData(Keys::ShowGrid, QStringLiteral("no"));
            d.setData(Keys::Instruments, QStringLiteral("damaged"));
            d.setType(Keys::Temp, Qmd::StrDict);
            d.setType(Keys::ElementStates, Qmd::IntDict, d.index(Keys::Temp));
            d.setType(5, Qmd::StrDict, d.index(Keys::ElementStates, d.index(Keys::Temp)));
            d.setData(Keys::HitCount, 9, d.index(5, d.index(Keys::ElementStates, d.index(Keys::Temp))));
        });
        doc.attach();
        QCOMPARE(doc.dump(Keys::Tempo), QStringLiteral("90"));
        QCOMPARE(doc.dump(Keys::Tool), QStringLiteral("2"));
        QCOMPARE(doc.dump(Keys::ZoomScale), QStringLiteral("r0.75"));
        QCOMPARE(doc.dump(Keys::ShowGrid), QStringLiteral("true"));
        QCOMPARE(doc.value(QString(), Keys::StyleNodesColor), QVariant(QColor(1, 2, 3, 4)));
        QCOMPARE(doc.value(QString(), Keys::StyleEdgesColor), QVariant(QColor(113, 117, 137, 255)));
        QCOMPARE(doc.dump(Keys::Instruments), QStringLiteral("[]"));
        QCOMPARE(doc.dump(Keys::Temp), QStringLiteral("{ElementStates: [], NodeNotesTrees: []}"));
    }

    void rootValuesMadeUsable_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("expected");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        StylePreset dark;
        stylePreset(QStringLiteral("Dark"), &dark);

        QTest::newRow("tempo text") << Keys::Tempo << QVariant("fast") << QVariant(120u);
        QTest::newRow("tempo NaN") << Keys::Tempo << QVariant(nan) << QVariant(120u);
        QTest::newRow("tempo 0") << Keys::Tempo << QVariant(0) << QVariant(1u);
        QTest::newRow("tempo negative") << Keys::Tempo << QVariant(-40) << QVariant(1u);
        QTest::newRow("tempo too fast") << Keys::Tempo << QVariant(5000u) << QVariant(999u);
        QTest::newRow("tempo fraction") << Keys::Tempo << QVariant(90.6) << QVariant(91u);
        QTest::newRow("tempo wide integer") << Keys::Tempo << QVariant(qlonglong(100)) << QVariant(100u);
        QTest::newRow("tempo bool") << Keys::Tempo << QVariant(true) << QVariant(120u);
        QTest::newRow("tempo int kept") << Keys::Tempo << QVariant(90) << QVariant(90);
        QTest::newRow("tempo uint kept") << Keys::Tempo << QVariant(999u) << QVariant(999u);
        QTest::newRow("divisions infinite") << Keys::DivsPerPrincipal << QVariant(inf) << QVariant(4u);
        QTest::newRow("divisions 0") << Keys::DivsPerPrincipal << QVariant(0u) << QVariant(1u);
        QTest::newRow("divisions beyond ticks") << Keys::DivsPerPrincipal << QVariant(665281) << QVariant(665280u);
        QTest::newRow("divisions kept") << Keys::DivsPerPrincipal << QVariant(665280) << QVariant(665280);
        QTest::newRow("numerator 0") << Keys::PrincipalsToBeatsNumerator << QVariant(0) << QVariant(1u);
        QTest::newRow("denominator 129") << Keys::PrincipalsToBeatsDenominator << QVariant(129) << QVariant(128u);
        QTest::newRow("denominator kept") << Keys::PrincipalsToBeatsDenominator << QVariant(128) << QVariant(128);
        QTest::newRow("scale key 12") << Keys::ScaleKey << QVariant(12) << QVariant(11u);
        QTest::newRow("zoom -inf") << Keys::ZoomScale << QVariant(-inf) << QVariant(1.0);
        QTest::newRow("zoom NaN") << Keys::ZoomScale << QVariant(nan) << QVariant(1.0);
        QTest::newRow("zoom text") << Keys::ZoomScale << QVariant("big") << QVariant(1.0);
        QTest::newRow("zoom too far in") << Keys::ZoomScale << QVariant(100.0) << QVariant(8.0);
        QTest::newRow("zoom too far out") << Keys::ZoomScale << QVariant(0.0) << QVariant(0.25);
        QTest::newRow("zoom integer") << Keys::ZoomScale << QVariant(2) << QVariant(2.0);
        QTest::newRow("zoom kept") << Keys::ZoomScale << QVariant(1.0 / 3.0) << QVariant(1.0 / 3.0);
        QTest::newRow("zoom smallest kept") << Keys::ZoomScale << QVariant(0.25) << QVariant(0.25);
        QTest::newRow("grid flag number") << Keys::ShowGrid << QVariant(0) << QVariant(true);
        QTest::newRow("grid flag kept") << Keys::ShowGrid << QVariant(false) << QVariant(false);
        QTest::newRow("colour text") << Keys::StyleNodesColor << QVariant("no colour")
                                     << dark.value(Keys::StyleNodesColor);
        QTest::newRow("colour name kept") << Keys::StyleNodesColor << QVariant("#102030") << QVariant("#102030");
        QTest::newRow("sync type number") << Keys::SyncType << QVariant(3) << QVariant("internal");
    }

    // Values a damaged or foreign file brings are mended by the reset,
    // outside the undo history; usable ones stay exactly as they are.
    void rootValuesMadeUsable()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, expected);
        VormaDocument doc;
        doc.write([&](QmdDirectModelInterface &d) { d.setData(key, stored); });
        doc.attach();
        const QVariant value = doc.value(QString(), key);
        QCOMPARE(value.userType(), expected.userType());
        if (expected.userType() == QMetaType::Double) {
            // QVariant compares doubles fuzzily.
            const double got = value.toDouble();
            const double want = expected.toDouble();
            QCOMPARE(std::memcmp(&got, &want, sizeof got), 0);
        } else {
            QCOMPARE(value, expected);
        }
        QVERIFY(!doc.controller.canUndo());
        QVERIFY(doc.controller.isAtCleanState());
    }

    void elementStates()
    {
        VormaDocument doc;
        const QmdItemId node = doc.addElement({{Keys::Type, 2}, {Keys::Notes, QStringLiteral("C3")}});
        const QmdItemId badNode = doc.addElement({{Keys::Type, 2}, {Keys::Notes, QStringLiteral("C3:96:")}});
        const QmdItemId edge = doc.addElement({{Keys::Type, 1}});
        const QmdItemId box = doc.addElement({{Keys::Type, 3}});
        const QmdItemId group = doc.addElement({{Keys::Type, 4}});
        const QmdItemId untyped = doc.addElement({{Keys::Notes, QStringLiteral("C3")}});
        doc.write([](QmdDirectModelInterface &d) { d.setData(50, QStringLiteral("not an element"), d.index(Keys::Elements)); });
        doc.attach();
        const QString nodeState = QStringLiteral("{CurrentEdgeUsageId: u0, CurrentEdgeUsageUses: 0, "
                                                 "CurrentUserMidiMessageId: 0, HitCount: 0, LastNotesSent: \"\"}");
        const QString states = QStringLiteral("Temp/ElementStates/");
        QCOMPARE(doc.dump(states + QString::number(node)), nodeState);
        QCOMPARE(doc.dump(states + QString::number(badNode)), nodeState);
        QCOMPARE(doc.dump(states + QString::number(edge)), QStringLiteral("{CurrentScaleId: 0}"));
        for (QmdItemId none : {box, group, untyped, QmdItemId(50)})
            QVERIFY(!doc.index(states + QString::number(none)).isValid());
        const QString trees = QStringLiteral("Temp/NodeNotesTrees/");
        QVERIFY(doc.index(trees + QString::number(node)).isValid());
        QVERIFY(!doc.index(trees + QString::number(badNode)).isValid());

        // A single state made anew: the paste request's way.
        QmdVormaController &c = doc.controller;
        c.requestSetData(Keys::HitCount, 5, doc.index(states + QString::number(node)));
        settle();
        const QmdRequestId rid = c.nextRequestId();
        c.beginRequest(rid, Qmd::NoUndo, QString());
        c.resetElementState(node);
        c.resetElementState(box);
        c.endRequest(rid);
        QCOMPARE(doc.dump(states + QString::number(node)), nodeState);
        QCOMPARE(doc.dump(states + QString::number(box)), QStringLiteral("{}"));
    }

    // The reset is no undo step: the history and the clean state stay as
    // they were.
    void resetLeavesTheHistory()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        c.requestSetData(Keys::Title, QStringLiteral("Song"));
        c.requestMarkAsCleanState();
        settle();
        ControllerSignalLog log(&c);
        c.reset();
        settle();
        QVERIFY(c.canUndo());
        QVERIFY(c.isAtCleanState());
        QCOMPARE(c.undoText(), QStringLiteral("Set Data"));
        QCOMPARE(log.take(QStringLiteral("modelReset")).size(), 1);
        c.requestUndo();
        settle();
        QVERIFY(!doc.value(QString(), Keys::Title).isValid());
    }

    void arcUsages_data()
    {
        QTest::addColumn<ArcUsages>("usages");
        QTest::addColumn<QString>("list");
        QTest::newRow("two entries") << ArcUsages{{3, 2}, {5, 1}} << "3=2,5=1";
        QTest::newRow("no entry") << ArcUsages{} << "";
    }

    void arcUsages()
    {
        QFETCH(ArcUsages, usages);
        QFETCH(QString, list);
        VormaDocument doc;
        const QmdItemId node = doc.addElement({{Keys::Type, 2}, {Keys::ArcUsageList, QStringLiteral("9=9")}});
        doc.write([&](QmdDirectModelInterface &d) {
            const QmdIndex element = d.index(node, d.index(Keys::Elements));
            d.setType(Keys::OrderedArcUsages, Qmd::IntDict, element);
            const QmdIndex ordered = d.index(Keys::OrderedArcUsages, element);
            for (const auto &usage : usages) {
                const QmdItemId id = d.addType(Qmd::StrDict, ordered);
                d.setData(Keys::Arc, usage.first, d.index(id, ordered));
                d.setData(Keys::UsageRule, usage.second, d.index(id, ordered));
            }
        });
        doc.attach();
        const QString path = QStringLiteral("Elements/%1").arg(node);
        QCOMPARE(doc.value(path, Keys::ArcUsageList).toString(), list);
        QVERIFY(!doc.index(path + QLatin1Char('/') + Keys::OrderedArcUsages).isValid());
    }

    void noteLists_data()
    {
        QTest::addColumn<QVariantMap>("node");
        QTest::addColumn<QString>("notes");
        QTest::newRow("all three") << QVariantMap{{Keys::PitchList, "C3,E3"}, {Keys::VelocityList, ""},
                                                  {Keys::DurationList, "1"}}
                                   << "C3,E3:+0:1";
        QTest::newRow("velocities only") << QVariantMap{{Keys::PitchList, ""}, {Keys::VelocityList, "80"}} << "+0:80";
        QTest::newRow("pitches only") << QVariantMap{{Keys::PitchList, "C3"}} << "C3";
        QTest::newRow("durations only") << QVariantMap{{Keys::DurationList, "2"}} << "+0:+0:2";
        QTest::newRow("pitches and velocities") << QVariantMap{{Keys::PitchList, "C3"}, {Keys::VelocityList, "64"}}
                                                << "C3:64";
        QTest::newRow("notes already there") << QVariantMap{{Keys::Notes, "D3"}, {Keys::PitchList, "C3"},
                                                            {Keys::DurationList, "2"}}
                                             << "D3";
    }

    // The old lists become one `Notes` text (and that text its notes tree).
    void noteLists()
    {
        QFETCH(QVariantMap, node);
        QFETCH(QString, notes);
        VormaDocument doc;
        QHash<QString, QVariant> values{{Keys::Type, 2}};
        for (auto it = node.cbegin(); it != node.cend(); ++it)
            values.insert(it.key(), it.value());
        const QmdItemId id = doc.addElement(values);
        doc.attach();
        const QString path = QStringLiteral("Elements/%1").arg(id);
        QCOMPARE(doc.value(path, Keys::Notes).toString(), notes);
        for (const QString &old : {Keys::PitchList, Keys::VelocityList, Keys::DurationList})
            QVERIFY(!doc.value(path, old).isValid());
        QVERIFY(doc.index(QStringLiteral("Temp/NodeNotesTrees/%1").arg(id)).isValid());
    }

    // A voice group that carried its own MIDI output gets an instrument of
    // its own and keeps none of the old keys.
    void voiceGroupInstruments()
    {
        VormaDocument doc;
        QBitArray channels(16);
        channels.setBit(0);
        const QmdItemId full = doc.addElement({{Keys::Type, 4},
                                               {Keys::Identifier, 0},
                                               {Keys::OutputType, QStringLiteral("midi")},
                                               {Keys::MidiPort, QStringLiteral("Port A")},
                                               {Keys::MidiChannels, channels},
                                               {Keys::MidiDoProgramChange, true},
                                               {Keys::MidiProgram, 5},
                                               {Keys::MidiBankMSB, 1},
                                               {Keys::MidiBankLSB, 2}});
        const QmdItemId bare = doc.addElement({{Keys::Type, 4}, {Keys::Identifier, 3}});
        const QmdItemId outside = doc.addElement({{Keys::Type, 4}, {Keys::Identifier, 1000}});
        const QmdItemId current = doc.addElement({{Keys::Type, 4}, {Keys::InitialInstrument, 7u}});
        doc.attach();

        auto instrumentOf = [&](QmdItemId group) {
            return QStringLiteral("Instruments/%1").arg(doc.value(QStringLiteral("Elements/%1").arg(group),
                                                                  Keys::InitialInstrument).toUInt());
        };
        QCOMPARE(doc.dump(QStringLiteral("Elements/%1").arg(full)),
                 QStringLiteral("{DontPlayNote: false, InitialInstrument: u1, ScaleKey: u0, ScaleMode: u%1, "
                                "Type: 4, UseScale: false}")
                     .arg(doc.controller.defaultScaleModeId()));
        QCOMPARE(doc.value(instrumentOf(full), Keys::Color), QVariant(paletteColor(0)));
        QCOMPARE(doc.dump(instrumentOf(full)),
                 QStringLiteral("{Color: QColor(%1), Label: \"Instrument 1\", MidiBankLSB: 2, MidiBankMSB: 1, "
                                "MidiChannels: QBitArray(), MidiDoProgramChange: true, MidiPort: \"Port A\", "
                                "MidiProgram: 5, Type: \"midi\"}")
                     .arg(paletteColor(0).name()));
        QCOMPARE(doc.value(instrumentOf(full), Keys::MidiChannels), QVariant(channels));

        QCOMPARE(doc.dump(instrumentOf(bare)),
                 QStringLiteral("{Color: QColor(%1), Label: \"Instrument 4\", MidiBankLSB: ~, MidiBankMSB: ~, "
                                "MidiChannels: ~, MidiDoProgramChange: ~, MidiPort: ~, MidiProgram: ~, Type: ~}")
                     .arg(paletteColor(3).name()));
        QCOMPARE(doc.value(instrumentOf(outside), Keys::Color), QVariant(QColor(Qt::black)));
        QCOMPARE(doc.value(QStringLiteral("Elements/%1").arg(current), Keys::InitialInstrument), QVariant(7u));
        QCOMPARE(doc.controller.instrumentIds().size(), 3);
        QCOMPARE(doc.controller.instrumentsModel()->rowCount(), 3);
    }

    void scaleModeMerge()
    {
        VormaDocument doc;
        const QmdItemId mine = addScaleMode(doc, QStringLiteral("Mine"), 3, {{Keys::DisplayOrder, 10007}});
        const QmdItemId major = addScaleMode(doc, QStringLiteral("Major"), 2741,
                                             {{Keys::DisplayOrder, 77}, {Keys::IsBuiltIn, false}});
        const QmdItemId wrongMajor = addScaleMode(doc, QStringLiteral("Major"), 2740);
        doc.write([](QmdDirectModelInterface &d) { d.setData(9, 1, d.index(Keys::ScaleModes)); });
        doc.attach();
        auto mode = [&](QmdItemId id) {
            const QString path = QStringLiteral("ScaleModes/%1").arg(id);
            return QStringLiteral("%1@%2%3")
                .arg(doc.value(path, Keys::Label).toString())
                .arg(doc.value(path, Keys::DisplayOrder).toInt())
                .arg(doc.value(path, Keys::IsBuiltIn).toBool() ? "" : "*");
        };
        QCOMPARE(mode(mine), QStringLiteral("Mine@10000*"));
        QCOMPARE(mode(major), QStringLiteral("Major@1"));
        QCOMPARE(mode(wrongMajor), QStringLiteral("Major@10001*"));
        QCOMPARE(doc.dump(QStringLiteral("ScaleModes/9")), QStringLiteral("1"));
        // Every built-in mode once, Major being the document's own entry.
        const QString all = describeScaleModes(doc);
        for (const BuiltInScaleMode &builtIn : builtInScaleModes()) {
            const QString entry = QStringLiteral("%1=%2@%3").arg(builtIn.label).arg(builtIn.degreeSet).arg(builtIn.displayOrder);
            QCOMPARE(all.split(QStringLiteral("; ")).count(entry), 1);
        }
        QCOMPARE(doc.model.itemIds(doc.index(Keys::ScaleModes)).size(), builtInScaleModes().size() + 3);

        // A second reset numbers the document's own modes the same way.
        const QString before = describeScaleModes(doc);
        doc.controller.reset();
        QCOMPARE(describeScaleModes(doc), before);
    }

    // The merge with other built-in lists: a mode listed twice is added
    // once; without the default mode there is no default id.
    void scaleModeMergeWithOtherLists()
    {
        DirectDocument doc;
        doc.change([&] { doc.d.setType(Keys::ScaleModes, Qmd::IntDict); });
        const QmdIndex modes = doc.d.index(Keys::ScaleModes);
        const BuiltInScaleMode major(QStringLiteral("Major"), 2741, 0);
        const BuiltInScaleMode chromatic(QStringLiteral("Chromatic"), 4095, 1);
        const BuiltInScaleModeList list{major, chromatic, BuiltInScaleMode(QStringLiteral("Major"), 2741, 2)};
        const BuiltInScaleModeSet set{major, chromatic};
        QmdItemId defaultId = 0;
        doc.change([&] { defaultId = mergeBuiltInScaleModes(doc.d, modes, list, set, defaultScaleMode()); });
        QCOMPARE(defaultId, QmdItemId(2));
        QCOMPARE(dumpTree(&doc.model, modes),
                 QStringLiteral("[1: {ChromaticScaleDegreeSet: 2741, DisplayOrder: 0, IsBuiltIn: true, Label: \"Major\"}, "
                                "2: {ChromaticScaleDegreeSet: 4095, DisplayOrder: 1, IsBuiltIn: true, Label: \"Chromatic\"}]"));

        doc.change([&] { defaultId = mergeBuiltInScaleModes(doc.d, modes, {major}, {major}, defaultScaleMode()); });
        QCOMPARE(defaultId, QmdItemId(0));
        QCOMPARE(doc.d.data(Keys::IsBuiltIn, doc.d.index(2, modes)), QVariant(false));
        QCOMPARE(doc.d.data(Keys::DisplayOrder, doc.d.index(2, modes)), QVariant(FirstUserDisplayOrder));
    }

    void scaleModeReferences()
    {
        VormaDocument doc;
        const QmdItemId mine = addScaleMode(doc, QStringLiteral("Mine"), 3);
        doc.write([](QmdDirectModelInterface &d) { d.setData(Keys::ScaleMode, 99u); });
        const QmdItemId bare = doc.addElement({{Keys::Type, 4}});
        const QmdItemId dangling = doc.addElement({{Keys::Type, 4}, {Keys::ScaleMode, 99}, {Keys::UseScale, true},
                                                   {Keys::ScaleKey, 5}, {Keys::DontPlayNote, true}});
        const QmdItemId own = doc.addElement({{Keys::Type, 4}, {Keys::ScaleMode, int(mine)}});
        doc.attach();
        const QmdItemId chromatic = doc.controller.defaultScaleModeId();
        QVERIFY(chromatic != 0 && chromatic != mine);
        QCOMPARE(doc.dump(Keys::ScaleMode), QStringLiteral("u%1").arg(chromatic));
        QCOMPARE(doc.dump(QStringLiteral("Elements/%1").arg(bare)),
                 QStringLiteral("{DontPlayNote: false, ScaleKey: u0, ScaleMode: u%1, Type: 4, UseScale: false}")
                     .arg(chromatic));
        QCOMPARE(doc.dump(QStringLiteral("Elements/%1").arg(dangling)),
                 QStringLiteral("{DontPlayNote: true, ScaleKey: 5, ScaleMode: u%1, Type: 4, UseScale: true}")
                     .arg(chromatic));
        QCOMPARE(doc.dump(QStringLiteral("Elements/%1").arg(own) + QLatin1Char('/') + Keys::ScaleMode),
                 QString::number(mine));
    }

    // Without a default mode, the root and groups naming no mode get 0.
    void scaleModeReferencesWithoutDefault()
    {
        DirectDocument doc;
        doc.change([&] {
            doc.d.setType(Keys::Elements, Qmd::IntDict);
            doc.d.setType(Keys::ScaleModes, Qmd::IntDict);
            doc.d.setData(Keys::ScaleMode, 4u);
            const QmdIndex elements = doc.d.index(Keys::Elements);
            doc.d.setType(1, Qmd::StrDict, elements);
            doc.d.setData(Keys::Type, 4, doc.d.index(1, elements));
            doc.d.setData(Keys::ScaleMode, 4u, doc.d.index(1, elements));
            repairScaleModeReferences(doc.d, elements, doc.d.index(Keys::ScaleModes), 0);
        });
        QCOMPARE(doc.d.data(Keys::ScaleMode), QVariant(0u));
        QCOMPARE(doc.d.data(Keys::ScaleMode, doc.d.index(1, doc.d.index(Keys::Elements))), QVariant(0u));
    }

    // Divisions of the grid stay whole and above 0 whatever a file holds.
    void ticksPerDivision_data()
    {
        QTest::addColumn<QVariant>("divs");
        QTest::addColumn<qulonglong>("ticks");
        QTest::newRow("default") << QVariant(4u) << qulonglong(166320);
        QTest::newRow("int from a file") << QVariant(3) << qulonglong(221760);
        QTest::newRow("zero") << QVariant(0) << qulonglong(665280);
        QTest::newRow("negative") << QVariant(-5) << qulonglong(665280);
        QTest::newRow("missing") << QVariant() << qulonglong(665280);
        QTest::newRow("text") << QVariant(QStringLiteral("many")) << qulonglong(665280);
        QTest::newRow("huge") << QVariant(4294967295u) << qulonglong(1);
    }

    void ticksPerDivision()
    {
        QFETCH(QVariant, divs);
        QFETCH(qulonglong, ticks);
        QCOMPARE(qulonglong(QmdVorma::ticksPerDivision(divs)), ticks);
    }
};

QTEST_GUILESS_MAIN(TstDocumentReset)
#include "tst_documentreset.moc"
