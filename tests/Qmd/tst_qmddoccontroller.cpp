// Save, load and template load of the file-backed controller: file names,
// clean state, history, the order of notifications, and failures, also with
// property-list files the way the document layer writes and reads them.
#include "QmdTestSupport.h"

#include "Qmd/QmdDocController.h"
#include "Qmd/QmdMemModel.h"
#include "Qmd/QmdPropertyListExporter.h"
#include "Qmd/QmdPropertyListImporter.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A save that fails with the given error.
class FailingController : public QmdDocController
{
public:
    QFile::FileError saveError = QFile::OpenError;

protected:
    QFile::FileError saveToFile(const QString &, QmdRequestId) override { return saveError; }
};

// Saves through a temporary file that replaces the target only when the
// whole document was written; loads only a text that is a property list.
class PlistController : public QmdDocController
{
protected:
    QFile::FileError saveToFile(const QString &fileName, QmdRequestId) override
    {
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            return file.error();
        QmdPropertyListExporter exporter(model(), &file);
        return exportDocument(exporter, file);
    }

    QmdFileStatus loadFromFile(const QString &fileName, QmdRequestId) override
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return file.error();
        QmdPropertyListImporter importer(model(), &file);
        return importDocument(importer);
    }
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TestQmdDocController : public QObject
{
    Q_OBJECT

private slots:
    void save();
    void failedSave();
    void loadForgetsHistory_data();
    void loadForgetsHistory();
    void failedLoadChangesNothing_data();
    void failedLoadChangesNothing();
    void propertyListFiles();
    void failedExportKeepsTheTarget();
};

void TestQmdDocController::save()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDocController c;
    c.setModel(&model);
    c.requestSetData("Tempo", 120);
    settle();
    ControllerSignalLog log(&c);

    // The file signals come from inside the slot, the relay afterwards.
    QCOMPARE(c.requestSave("a.vrm"), QmdRequestId(3));
    QCOMPARE(log.take(), (QStringList{"fileSaved(a.vrm) #3", "fileNameChanged(a.vrm) #3"}));
    settle();
    QCOMPARE(log.take(), (QStringList{"atCleanStateChanged(true) #3", "requestFinished(0) #3"}));
    QCOMPARE(c.fileName(), QStringLiteral("a.vrm"));
    QVERIFY(c.canUndo()); // a save keeps the history

    c.requestSave("a.vrm");
    settle();
    QCOMPARE(log.take(), (QStringList{"fileSaved(a.vrm) #4", "requestFinished(0) #4"}));
    c.requestSave("b.vrm");
    QCOMPARE(log.take(), (QStringList{"fileSaved(b.vrm) #5", "fileNameChanged(b.vrm) #5"}));
}

void TestQmdDocController::failedSave()
{
    QmdMemModel model(Qmd::StrDict);
    FailingController c;
    c.setModel(&model);
    c.saveError = QFile::NoError;
    c.requestSave("a.vrm");
    c.requestSetData("Tempo", 120);
    settle();
    ControllerSignalLog log(&c);

    c.saveError = QFile::OpenError;
    c.requestSave("b.vrm");
    settle();
    QCOMPARE(log.take(), (QStringList{QStringLiteral("fileSaveError(b.vrm, %1) #4").arg(int(QFile::OpenError)),
                                      "requestFinished(-1) #4"}));
    QCOMPARE(c.fileName(), QStringLiteral("a.vrm"));
    QVERIFY(!c.isAtCleanState());
}

void TestQmdDocController::loadForgetsHistory_data()
{
    QTest::addColumn<bool>("asTemplate");
    QTest::newRow("load") << false;
    QTest::newRow("template") << true;
}

// The replaced document's steps must not be undone or redone into the
// loaded one.
void TestQmdDocController::loadForgetsHistory()
{
    QFETCH(bool, asTemplate);
    QmdMemModel model(Qmd::StrDict);
    QmdDocController c;
    c.setModel(&model);
    c.requestSetData("a", 1);
    c.requestSetData("b", 2);
    c.requestUndo();
    settle();
    QVERIFY(c.canUndo() && c.canRedo());
    ControllerSignalLog log(&c);

    const QmdRequestId rid = asTemplate ? c.requestLoadTemplate("t.vrm") : c.requestLoad("x.vrm");
    QCOMPARE(rid, QmdRequestId(5));
    if (asTemplate)
        QCOMPARE(log.take(), (QStringList{"modelReset()", "templateLoaded() #5"}));
    else
        QCOMPARE(log.take(), (QStringList{"modelReset()", "fileLoaded(x.vrm) #5", "fileNameChanged(x.vrm) #5"}));
    settle();
    QCOMPARE(log.take(), (QStringList{"atCleanStateChanged(true) #5", "canRedoChanged(false) #5",
                                      "canUndoChanged(false) #5", "redoTextChanged() #5", "undoTextChanged() #5",
                                      "requestFinished(0) #5"}));
    QCOMPARE(c.fileName(), asTemplate ? QString() : QStringLiteral("x.vrm"));
    c.requestRedo();
    c.requestUndo();
    settle();
    QCOMPARE(dumpTree(&model), QStringLiteral("{a: 1}"));
    QVERIFY(c.isAtCleanState());
}

void TestQmdDocController::failedLoadChangesNothing_data()
{
    QTest::addColumn<bool>("asTemplate");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("error");
    QTest::newRow("load, not a property list") << false << "damaged.vrm" << int(QFile::ReadError);
    QTest::newRow("load, missing file") << false << "missing.vrm" << int(QFile::OpenError);
    QTest::newRow("template, not a property list") << true << "damaged.vrm" << int(QFile::ReadError);
}

void TestQmdDocController::failedLoadChangesNothing()
{
    QFETCH(bool, asTemplate);
    QFETCH(QString, file);
    QFETCH(int, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString named = dir.filePath("named.vrm");
    const QString path = dir.filePath(file);
    QVERIFY(writeFile(dir.filePath("damaged.vrm"), "<plist version=\"1.0\"><dict><key>a</key>"));

    QmdMemModel model(Qmd::StrDict);
    PlistController c;
    c.setModel(&model);
    c.requestSetData("a", 1);
    c.requestSave(named);
    c.requestSetData("b", 2);
    settle();
    ControllerSignalLog log(&c);

    if (error == QFile::ReadError)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Parse error"));
    const QmdRequestId rid = asTemplate ? c.requestLoadTemplate(path) : c.requestLoad(path);
    settle();
    QCOMPARE(log.take(), (QStringList{QStringLiteral("%1(%2, %3) #%4")
                                          .arg(asTemplate ? "templateLoadError" : "fileLoadError", path)
                                          .arg(error)
                                          .arg(rid),
                                      QStringLiteral("requestFinished(-1) #%1").arg(rid)}));
    QCOMPARE(dumpTree(&model), QStringLiteral("{a: 1, b: 2}"));
    QCOMPARE(c.fileName(), named);
    QVERIFY(!c.isAtCleanState());
    QCOMPARE(c.undoText(), QStringLiteral("Set Data"));
    c.requestUndo();
    settle();
    QVERIFY(c.isAtCleanState());
}

void TestQmdDocController::propertyListFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("a.vrm");
    QmdMemModel model(Qmd::StrDict);
    PlistController c;
    c.setModel(&model);
    c.requestSetType("Elements", Qmd::IntDict);
    c.requestAddType(Qmd::StrDict, c.index("Elements"));
    c.requestSetData("Notes", "C3 <D3>", c.index(1, c.index("Elements")));
    c.requestSetData("Tempo", 120.5);
    c.requestSave(path);
    settle();
    const QString saved = dumpTree(&model);
    QVERIFY(readFile(path).endsWith("</plist>"));

    QmdMemModel other(Qmd::StrDict);
    PlistController reader;
    reader.setModel(&other);
    reader.requestSetData("Stale", true);
    settle();
    ControllerSignalLog log(&reader);
    reader.requestLoad(path);
    settle();
    QCOMPARE(dumpTree(&other), saved);
    // Views learn of the new content from the reset alone.
    QCOMPARE(log.take().filter(QRegularExpression("^(modelReset|root|item|file)")),
             (QStringList{"modelReset()", QStringLiteral("fileLoaded(%1) #3").arg(path),
                          QStringLiteral("fileNameChanged(%1) #3").arg(path), "rootChanged() #3"}));
    QCOMPARE(reader.fileName(), path);
    QVERIFY(reader.isAtCleanState());
}

// A document that cannot be written whole leaves the file it would replace
// as it was.
void TestQmdDocController::failedExportKeepsTheTarget()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("a.vrm");
    QVERIFY(writeFile(path, "earlier content"));
    QmdMemModel model(Qmd::StrDict);
    PlistController c;
    c.setModel(&model);
    c.requestSetData("Text", QString("bell ") + QChar(7));
    settle();
    ControllerSignalLog log(&c);

    c.requestSave(path);
    QCOMPARE(log.take(), QStringList{QStringLiteral("fileSaveError(%1, %2) #3").arg(path).arg(int(QFile::WriteError))});
    QCOMPARE(readFile(path), QByteArray("earlier content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.vrm"});
    QCOMPARE(c.fileName(), QString());
    QVERIFY(!c.isAtCleanState());
}

QTEST_GUILESS_MAIN(TestQmdDocController)
#include "tst_qmddoccontroller.moc"
