// Saving and loading network documents: the exact file of a document with
// every element type and key, both ways; what a saved file leaves out; and
// every failure leaving the file on disk, or the open document, as it was.
#include "GuiTestMain.h"
#include "QmdVorma/VormaTestSupport.h"

#include "QmdVorma/ScaleModes.h"

#include <QBitArray>
#include <QDir>
#include <QFile>
#include <QPolygonF>
#include <QTemporaryDir>
#include <QtTest>

using namespace QmdVorma;

namespace {

const QString EveryKeyFixture = QStringLiteral(VORMA_TEST_DATA_DIR "/vorma/every-key.vrm");

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &fileName, const QByteArray &content)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Adds an entry with the values to the integer-keyed dictionary `key`
// under parent (made when missing); returns the entry's index.
QmdIndex addEntry(QmdDirectModelInterface &d, const QString &key, const QmdIndex &parent,
                  const QHash<QString, QVariant> &values)
{
    d.setTypeIfInvalid(key, Qmd::IntDict, parent);
    const QmdIndex dict = d.index(key, parent);
    const QmdIndex entry = d.index(d.addType(Qmd::StrDict, dict), dict);
    d.model()->setData(values, entry);
    return entry;
}

// Nodes 1 and 2, the edge 3 from 1 to 2, the voice group 4 on node 1 and
// the text box 5; two instruments, a scale mode of the document's own that
// the group names and one that nothing names, MIDI sync ports, and every
// root key that a user or a view writes.
void writeEveryKey(VormaDocument &doc)
{
    doc.write([](QmdDirectModelInterface &d) {
        QHash<QString, QVariant> root{
            {Keys::Tempo, 96u},
            {Keys::PrincipalsToBeatsNumerator, 3u},
            {Keys::PrincipalsToBeatsDenominator, 2u},
            {Keys::DivsPerPrincipal, 6u},
            {Keys::ScaleKey, 9u},
            {Keys::ShowGrid, false},
            {Keys::SnapToGrid, true},
            {Keys::ShowNodeCounters, true},
            {Keys::ShowNodeLastNotesSent, true},
            {Keys::ShowEdgeSignalling, true},
            {Keys::ZoomScale, 0.75},
            {Keys::Tool, 0},
            {Keys::StyleNodesColor, QColor(10, 20, 30, 40)},
            {Keys::SyncType, QStringLiteral("internal")},
            {Keys::MidiTriggeringEnabled, true},
            {Keys::PlaybackPosDisplayMode, 2},
            {Keys::Title, QStringLiteral("Every key")},
            {Keys::Author, QStringLiteral("Vorma tests")},
            {Keys::Comment, QStringLiteral("Line one\r\nLine two & <three> \u00e9\U0001F3B5")},
        };
        d.model()->setData(root, QmdIndex());

        QBitArray firstChannels(16);
        firstChannels.setBit(0);
        firstChannels.setBit(9);
        addEntry(d, Keys::Instruments, QmdIndex(),
                 {{Keys::Type, QStringLiteral("midi")}, {Keys::Color, QColor(255, 128, 0)},
                  {Keys::Label, QStringLiteral("Instrument")}, {Keys::MidiPort, QStringLiteral("Synth Port 1")},
                  {Keys::MidiChannels, firstChannels}, {Keys::MidiDoProgramChange, true}, {Keys::MidiProgram, 12},
                  {Keys::MidiBankMSB, 1}, {Keys::MidiBankLSB, 2}});
        addEntry(d, Keys::Instruments, QmdIndex(),
                 {{Keys::Type, QStringLiteral("midi")}, {Keys::Color, QColor(0, 128, 255)},
                  {Keys::Label, QStringLiteral("Instrument 2")}, {Keys::MidiPort, QString()},
                  {Keys::MidiChannels, QBitArray(16, true)}, {Keys::MidiDoProgramChange, false},
                  {Keys::MidiProgram, 1}, {Keys::MidiBankMSB, 0}, {Keys::MidiBankLSB, 0}});

        const QmdIndex used = addEntry(d, Keys::ScaleModes, QmdIndex(),
                                       {{Keys::Label, QStringLiteral("Fifths")},
                                        {Keys::ChromaticScaleDegreeSet, 0x81}});
        addEntry(d, Keys::ScaleModes, QmdIndex(),
                 {{Keys::Label, QStringLiteral("Unused")}, {Keys::ChromaticScaleDegreeSet, 0x7}});

        d.setType(Keys::SyncMidiInputs, Qmd::StrDict);
        d.setType(QStringLiteral("Clock In"), Qmd::StrDict, d.index(Keys::SyncMidiInputs));
        d.setData(Keys::MidiSync, true, d.index(QStringLiteral("Clock In"), d.index(Keys::SyncMidiInputs)));
        d.setType(Keys::SyncMidiOutputs, Qmd::StrDict);
        d.setType(QStringLiteral("Clock Out"), Qmd::StrDict, d.index(Keys::SyncMidiOutputs));
        d.setData(Keys::MidiSync, false, d.index(QStringLiteral("Clock Out"), d.index(Keys::SyncMidiOutputs)));

        const QmdIndex first = addEntry(d, Keys::Elements, QmdIndex(),
                                        {{Keys::Type, 2},
                                         {Keys::Notes, QStringLiteral("[C3 E3] // chord\n{G3 A3:80} C4:96:100%")},
                                         {Keys::TickPos, QVariant::fromValue(TickPoint(-665280, 1330560))},
                                         {Keys::SignallingMethod, 2},
                                         {Keys::ArcUsageList, QStringLiteral("3=1")},
                                         {Keys::DontPlayNote, false},
                                         {Keys::DoInstrumentChange, true},
                                         {Keys::Instrument, 2u},
                                         {Keys::UserMidiMessageList, QStringLiteral("B0 07 64")}});
        d.setType(Keys::ArcIdentifiers, Qmd::IntDict, first);
        d.setData(3, 0, d.index(Keys::ArcIdentifiers, first));
        addEntry(d, Keys::Elements, QmdIndex(),
                 {{Keys::Type, 2},
                  {Keys::Notes, QStringLiteral("C3:96:100%")},
                  {Keys::TickPos, QVariant::fromValue(TickPoint(0, 0))},
                  {Keys::SignallingMethod, 0},
                  {Keys::IsHidden, true}});
        const QmdIndex edge = addEntry(d, Keys::Elements, QmdIndex(),
                                       {{Keys::Type, 1}, {Keys::FromNode, 1u}, {Keys::ToNode, 2u},
                                        {Keys::Path, 2}, {Keys::IsWormhole, true}});
        addEntry(d, Keys::ContinuousControllers, edge,
                 {{Keys::CurveType, 3}, {Keys::MsbCode, 7}, {Keys::LsbCode, 39},
                  {Keys::CurvePoints, QVariant::fromValue(QPolygonF({{0, 0}, {0.333333333, 8192}, {1, 16383}}))}});
        addEntry(d, Keys::Elements, QmdIndex(),
                 {{Keys::Type, 4},
                  {Keys::ToNode, 1u},
                  {Keys::TriggeringQuantization, 2},
                  {Keys::InitialPitch, QStringLiteral("D3")},
                  {Keys::InitialVelocity, QStringLiteral("100")},
                  {Keys::InitialDuration, QStringLiteral("0.5")},
                  {Keys::InitialInstrument, 1u},
                  {Keys::UseScale, false},
                  {Keys::ScaleKey, 2u},
                  {Keys::ScaleMode, used.itemId()},
                  {Keys::DontPlayNote, false},
                  {Keys::TriggeringMidiPitchList, QStringLiteral("C3,D3")},
                  {Keys::TriggeringMidiVelocityScaling, true}});
        addEntry(d, Keys::Elements, QmdIndex(),
                 {{Keys::Type, 3},
                  {Keys::TickPos, QVariant::fromValue(TickPoint(166320, -166320))},
                  {Keys::Text, QStringLiteral("<html><body>Text</body></html>")}});
    });
}

} // namespace

class TstVormaFiles : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Compares a saved file with the fixture; on a difference the saved file
    // is kept beside the tests' folder for a look.
    static bool matchesFixture(const QString &saved)
    {
        if (readAll(saved) == readAll(EveryKeyFixture))
            return true;
        const QString kept = QDir::temp().filePath(QStringLiteral("every-key.actual.vrm"));
        QFile::remove(kept);
        QFile::copy(saved, kept);
        qWarning("saved file differs from the fixture; kept as %s", qPrintable(kept));
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isReady());
        QVERIFY(m_dir.isValid());
        // Keys of string-keyed dictionaries are written in hash order.
        QVERIFY2(qgetenv("QT_HASH_SEED") == "0", "run with QT_HASH_SEED=0 (ctest sets it)");
    }

    // A document with every element type and key, saved and loaded, saves
    // as exactly the fixture; the fixture loaded and saved gives the same
    // bytes again. (The first save can order keys differently: hash order
    // follows the order in which keys were added.)
    void everyKeyRoundTrip()
    {
        VormaDocument built;
        writeEveryKey(built);
        built.attach();
        ControllerSignalLog log(&built.controller);
        const QString first = path(QStringLiteral("built.vrm"));
        const QmdRequestId rid = built.controller.requestSave(first);
        settle();
        QVERIFY(log.take().contains(QStringLiteral("fileSaved(%1) #%2").arg(first).arg(rid)));

        for (const QString &source : {first, EveryKeyFixture}) {
            VormaDocument loaded;
            loaded.attach();
            loaded.controller.requestLoad(source);
            settle();
            QCOMPARE(loaded.controller.fileName(), source);
            const QString again = path(QStringLiteral("again.vrm"));
            loaded.controller.requestSave(again);
            QVERIFY(matchesFixture(again));
        }

        VormaDocument loaded;
        loaded.attach();
        loaded.controller.requestLoad(EveryKeyFixture);
        settle();
        // The values come back with their own types.
        QCOMPARE(loaded.value(QStringLiteral("Elements/1"), Keys::TickPos),
                 QVariant::fromValue(TickPoint(-665280, 1330560)));
        QCOMPARE(loaded.value(QString(), Keys::StyleNodesColor), QVariant(QColor(10, 20, 30, 40)));
        QCOMPARE(loaded.value(QString(), Keys::Comment), built.value(QString(), Keys::Comment));
        QCOMPARE(loaded.value(QStringLiteral("Instruments/2"), Keys::MidiChannels), QVariant(QBitArray(16, true)));
        QCOMPARE(loaded.value(QStringLiteral("Elements/3/ContinuousControllers/1"), Keys::CurvePoints)
                     .value<QPolygonF>().at(1),
                 QPointF(0.333333, 8192));
        QCOMPARE(loaded.value(QStringLiteral("Elements/1"), Keys::SignallingMethod), QVariant(2));
        // The file held no run-time state; the reset made it anew.
        QVERIFY(loaded.index(QStringLiteral("Temp/NodeNotesTrees/1")).isValid());
        QVERIFY(loaded.controller.isAtCleanState());
        QVERIFY(!loaded.controller.canUndo());
    }

    // A saved file leaves out `Temp` and the scale modes nothing names;
    // loading it brings every built-in mode back.
    void whatASavedFileHolds()
    {
        const QByteArray fixture = readAll(EveryKeyFixture);
        QVERIFY(!fixture.isEmpty());
        QVERIFY(!fixture.contains("<key>Temp</key>"));
        QVERIFY(!fixture.contains("<string>Unused</string>"));
        QVERIFY(!fixture.contains("<string>Major</string>"));
        QVERIFY(fixture.contains("<string>Fifths</string>"));
        QVERIFY(fixture.contains("<string>Chromatic</string>"));
        QVERIFY(fixture.contains("<key>StyleAnnotationColor</key>\n        <string>#ffffff80</string>"));
        QVERIFY(fixture.contains("<key>StyleDivisionLinesColor</key>\n        <string>#00000000</string>"));
        QVERIFY(fixture.contains("<key>Color</key>\n"));
        QVERIFY(fixture.contains("<string>#ff8000</string>"));

        VormaDocument doc;
        doc.attach();
        doc.controller.requestLoad(EveryKeyFixture);
        settle();
        QCOMPARE(doc.model.itemIds(doc.index(Keys::ScaleModes)).size(), builtInScaleModes().size() + 1);
    }

    void saveCreatesAndReplaces()
    {
        VormaDocument doc;
        doc.attach();
        const QString target = path(QStringLiteral("new.vrm"));
        doc.controller.requestSave(target);
        settle();
        const QByteArray first = readAll(target);
        QVERIFY(first.startsWith("<?xml"));
        QVERIFY(!first.contains("<key>Temp</key>"));

        doc.controller.requestSetData(Keys::Title, QStringLiteral("Second"));
        doc.controller.requestSave(target);
        settle();
        QVERIFY(readAll(target).contains("<string>Second</string>"));
        QVERIFY(doc.controller.isAtCleanState());
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(QStringLiteral("new.vrm")).size(), 1);
    }

    // A target that cannot be written: the error comes back and whatever
    // was there is untouched. CI runs as root, who may write anywhere, so a
    // read-only file is recognised by its permission bits.
    void unwritableTargets_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("read-only file") << "read-only" << int(QFile::PermissionsError);
        QTest::newRow("folder in its place") << "folder" << -1;
        QTest::newRow("missing folder") << "missing" << -1;
        QTest::newRow("text XML cannot hold") << "unexportable" << int(QFile::WriteError);
    }

    void unwritableTargets()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QString target;
        const QByteArray old("old content");
        if (kind == QLatin1String("read-only")) {
            target = path(QStringLiteral("read-only.vrm"));
            QVERIFY(writeAll(target, old));
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else if (kind == QLatin1String("folder")) {
            target = path(QStringLiteral("folder.vrm"));
            QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.vrm/inside")));
        } else if (kind == QLatin1String("unexportable")) {
            target = path(QStringLiteral("writable.vrm"));
            QVERIFY(writeAll(target, old));
        } else {
            target = path(QStringLiteral("no/such/folder/doc.vrm"));
        }
        VormaDocument doc;
        doc.attach();
        doc.controller.requestSetData(Keys::Title, kind == QLatin1String("unexportable") ? QStringLiteral("Bell \u0007")
                                                                                        : QStringLiteral("Unsaved"));
        settle();
        ControllerSignalLog log(&doc.controller);
        doc.controller.requestSave(target);
        settle();
        const QStringList errors = log.take(QStringLiteral("fileSaveError"));
        QCOMPARE(errors.size(), 1);
        if (error >= 0)
            QVERIFY2(errors.first().contains(QStringLiteral(", %1)").arg(error)), qPrintable(errors.first()));
        QVERIFY(doc.controller.fileName().isEmpty());
        QVERIFY(!doc.controller.isAtCleanState());
        if (kind == QLatin1String("read-only") || kind == QLatin1String("unexportable"))
            QCOMPARE(readAll(target), old);
        else if (kind == QLatin1String("folder"))
            QVERIFY(QFileInfo(target + QStringLiteral("/inside")).isDir());
        else
            QVERIFY(!QFileInfo::exists(path(QStringLiteral("no"))));
        // Nothing is left over beside the target.
        QCOMPARE(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files).filter(QStringLiteral(".vrm.")).size(), 0);
    }

    // Files that are no network document: the load fails and the open
    // document, its name and its clean state stay as they were.
    void unreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray fixture = readAll(EveryKeyFixture);
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("truncated") << fixture.left(fixture.size() / 2);
        QTest::newRow("not XML") << QByteArray("Tempo = 120\n");
        QTest::newRow("other XML") << QByteArray("<?xml version=\"1.0\"?><html><body/></html>");
        QTest::newRow("wrong version") << QByteArray("<plist version=\"2.0\"><dict/></plist>");
        QTest::newRow("empty plist") << QByteArray("<plist version=\"1.0\"></plist>");
        QTest::newRow("text value") << QByteArray("<plist version=\"1.0\"><string>x</string></plist>");
        QTest::newRow("integer-keyed root")
            << QByteArray("<plist version=\"1.0\"><dict><key>ContainerType</key><string>IntDict</string>"
                          "<key>1</key><integer>5</integer></dict></plist>");
        QTest::newRow("dict without kind") << QByteArray("<plist version=\"1.0\"><dict><key>Tempo</key>"
                                                         "<integer>5</integer></dict></plist>");
    }

    void unreadableFiles()
    {
        QFETCH(QByteArray, content);
        const QString name = path(QStringLiteral("unreadable.vrm"));
        QFile::remove(name);
        if (!content.isEmpty())
            QVERIFY(writeAll(name, content));

        VormaDocument doc;
        doc.attach();
        const QString saved = path(QStringLiteral("good.vrm"));
        doc.controller.requestSave(saved);
        doc.controller.requestSetData(Keys::Title, QStringLiteral("Unsaved"));
        settle();
        const QString before = doc.dump();
        ControllerSignalLog log(&doc.controller);
        doc.controller.requestLoad(name);
        settle();
        QCOMPARE(log.take(QStringLiteral("fileLoadError")).size(), 1);
        QCOMPARE(log.resets(), 0);
        QCOMPARE(doc.dump(), before);
        QCOMPARE(doc.controller.fileName(), saved);
        QVERIFY(!doc.controller.isAtCleanState());
        QVERIFY(doc.controller.canUndo());
    }

    // Run-time keys in a file (written by other means) are read and then
    // replaced by the reset.
    void runTimeStateInAFile()
    {
        const QString name = path(QStringLiteral("with-temp.vrm"));
        QVERIFY(writeAll(name,
                         "<plist version=\"1.0\"><dict><key>ContainerType</key><string>StrDict</string>"
                         "<key>Elements</key><dict><key>ContainerType</key><string>IntDict</string>"
                         "<key>1</key><dict><key>ContainerType</key><string>StrDict</string>"
                         "<key>Type</key><string>Node</string></dict></dict>"
                         "<key>Temp</key><dict><key>ContainerType</key><string>StrDict</string>"
                         "<key>ElementStates</key><dict><key>ContainerType</key><string>IntDict</string>"
                         "<key>1</key><dict><key>ContainerType</key><string>StrDict</string>"
                         "<key>HitCount</key><integer>9</integer></dict></dict></dict></dict></plist>"));
        VormaDocument doc;
        doc.attach();
        doc.controller.requestLoad(name);
        settle();
        QCOMPARE(doc.dump(QStringLiteral("Temp/ElementStates/1/HitCount")), QStringLiteral("0"));
        QCOMPARE(doc.dump(QStringLiteral("Temp/NodeNotesTrees/1")), QStringLiteral("{SignallingMethod: 0}"));
        QCOMPARE(doc.dump(QStringLiteral("Tool")), QStringLiteral("2"));
    }
};

VORMA_GUI_TEST_MAIN(TstVormaFiles)
#include "tst_vormafiles.moc"
