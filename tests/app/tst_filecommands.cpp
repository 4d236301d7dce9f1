#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "app/FileErrorMessage.h"
#include "app/VormaWindow.h"

#include "GuiTestMain.h"
#include "Mvc/MvcTestSupport.h"
#include "Qmd/QmdTestSupport.h"
#include "app/AppTestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QFileDialog>
#include <QSignalSpy>
#include <QtTest>

namespace Keys = QmdVorma::Keys;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void errorTexts_data();
    void errorTexts();
    void recentFilesMoveToTheFrontAndKeepTen();
    void untitledSaveAsksForAName();
    void saveAsSavesUnderTheTypedName();
    void cancelledSaveAsEndsAPendingClose();
    void failedSaveKeepsWindowDocumentAndOldFile();
    void loadStartsWithTheSelectionToolAndIsRecent();
    void failedLoadClosesOnlyItsWindow();
    void failedLoadSaysWhetherTheFileIsDamaged_data();
    void failedLoadSaysWhetherTheFileIsDamaged();

private:
    SettingsSandbox m_sandbox;
    QTemporaryDir m_dir;
};

void TestFileCommands::initTestCase()
{
    QVERIFY(m_sandbox.isReady());
    QVERIFY(m_dir.isValid());
    // A widget dialog, so the test can answer it.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void TestFileCommands::init()
{
    m_sandbox.startFreshStore();
}

void TestFileCommands::errorTexts_data()
{
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("informative");

    QTest::newRow("save, write error")
        << true << "/a/b/Net.vrm" << int(QFile::WriteError)
        << "The network could not be saved as \u201cNet.vrm\u201d. You may not have permission." << "";
    QTest::newRow("save, permissions") << true << "/x.vrm" << int(QFile::PermissionsError)
                                       << "The network could not be saved as \u201cx.vrm\u201d. You may not have "
                                          "permission."
                                       << "";
    QTest::newRow("save, resize error") << true << "/a/Net.vrm" << int(QFile::ResizeError)
                                        << "The network could not be saved as \u201cNet.vrm\u201d. An unknown error "
                                           "occurred."
                                        << "Code: 12";
    QTest::newRow("save, name without a folder")
        << true << "Net.vrm" << int(QFile::OpenError)
        << "The network could not be saved as \u201cUntitled\u201d. You may not have permission." << "";
    QTest::newRow("load, read error") << false << "/a/Net.vrm" << int(QFile::ReadError)
                                      << "The network \u201cNet.vrm\u201d could not be opened. You may not have "
                                         "permission."
                                      << "";
    QTest::newRow("load, unknown") << false << "/a/Net.vrm" << int(QFile::FatalError)
                                   << "The network \u201cNet.vrm\u201d could not be opened. An unknown error "
                                      "occurred."
                                   << "Code: 3";
}

void TestFileCommands::errorTexts()
{
    QFETCH(bool, saving);
    QFETCH(QString, fileName);
    QFETCH(int, error);
    QFETCH(QString, text);
    QFETCH(QString, informative);

    const FileErrorMessage message = saving ? FileErrorMessage::forSave(fileName, QFile::FileError(error))
                                            : FileErrorMessage::forLoad(fileName, QFile::FileError(error));
    QCOMPARE(message.text, text);
    QCOMPARE(message.informativeText, informative);
}

void TestFileCommands::recentFilesMoveToTheFrontAndKeepTen()
{
    for (int i = 0; i < 12; ++i)
        VormaWindow::addRecentFile(QStringLiteral("/n/%1.vrm").arg(i));
    QStringList recent = VormaWindow::recentFiles();
    QCOMPARE(recent.size(), 10);
    QCOMPARE(recent.first(), QStringLiteral("/n/11.vrm"));
    QCOMPARE(recent.last(), QStringLiteral("/n/2.vrm"));

    VormaWindow::addRecentFile(QStringLiteral("/n/10.vrm"));
    recent = VormaWindow::recentFiles();
    QCOMPARE(recent.size(), 10);
    QCOMPARE(recent.mid(0, 2), (QStringList{"/n/10.vrm", "/n/11.vrm"}));
    QCOMPARE(recent.count(QStringLiteral("/n/10.vrm")), 1);

    VormaWindow::addRecentFile(QStringLiteral("/N/10.vrm"));
    QCOMPARE(VormaWindow::recentFiles().mid(0, 2), (QStringList{"/N/10.vrm", "/n/10.vrm"}));

    // A relative name would point elsewhere from another working folder.
    VormaWindow::addRecentFile(QStringLiteral("rel.vrm"));
    QCOMPARE(VormaWindow::recentFiles().first(), QDir::current().absoluteFilePath(QStringLiteral("rel.vrm")));
}

void TestFileCommands::untitledSaveAsksForAName()
{
    VormaWindow window;
    settle();
    QSignalSpy requested(&window, &VormaWindow::saveRequested);
    SaveAsAnswerer answerer;
    window.save();
    QCOMPARE(requested.size(), 2);
    QCOMPARE(answerer.dialogs, 1);
    QCOMPARE(QFileInfo(answerer.proposed).fileName(), QStringLiteral("Untitled.vrm"));
    QVERIFY(window.controller()->fileName().isEmpty());
}

void TestFileCommands::saveAsSavesUnderTheTypedName()
{
    const QString path = m_dir.filePath(QStringLiteral("typed"));
    VormaWindow window;
    window.controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    SaveAsAnswerer answerer(path);
    window.saveAs();
    QCOMPARE(window.controller()->fileName(), path);
    QVERIFY(QFileInfo(path).isFile());
    QTRY_VERIFY(!window.isWindowModified());
    QCOMPARE(VormaWindow::recentFiles().value(0), path);

    // Saving again writes to the same file without asking.
    SaveAsAnswerer none;
    window.save();
    QCOMPARE(none.dialogs, 0);
}

void TestFileCommands::cancelledSaveAsEndsAPendingClose()
{
    VormaWindow window;
    window.show();
    window.controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    {
        MessageBoxAnswerer prompt(QMessageBox::Save);
        SaveAsAnswerer cancel;
        QVERIFY(!window.close());
        QCOMPARE(cancel.dialogs, 1);
    }
    QVERIFY(window.isVisible());

    // A later save of its own does not close the window.
    SaveAsAnswerer choose(m_dir.filePath(QStringLiteral("later.vrm")));
    window.save();
    QTRY_VERIFY(!window.isWindowModified());
    QTest::qWait(20);
    QVERIFY(window.isVisible());
}

void TestFileCommands::failedSaveKeepsWindowDocumentAndOldFile()
{
    QDir folder(m_dir.filePath(QStringLiteral("gone")));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    const QString path = folder.filePath(QStringLiteral("Net.vrm"));

    VormaWindow window;
    window.show();
    window.controller()->requestSave(path);
    const QByteArray saved = readAll(path);
    QVERIFY(!saved.isEmpty());

    // A save that fails leaves the file saved before as it was.
    window.controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    const QString blocked = folder.filePath(QStringLiteral("Blocked.vrm"));
    QVERIFY(folder.mkpath(QStringLiteral("Blocked.vrm")));
    {
        MessageBoxAnswerer ok;
        window.controller()->requestSave(blocked);
        QTRY_COMPARE(ok.texts.size(), 1);
        QVERIFY2(ok.texts.first().contains(QStringLiteral("\u201cBlocked.vrm\u201d")), qPrintable(ok.texts.first()));
    }
    QVERIFY(window.isWindowModified());
    QCOMPARE(readAll(path), saved);

    // A pending close that meets a failed save leaves the window open.
    QVERIFY(folder.removeRecursively());
    MessageBoxAnswerer answerer(QMessageBox::Save);
    QVERIFY(!window.close());
    QTRY_COMPARE(answerer.texts.size(), 2);
    QVERIFY2(answerer.texts.at(1).contains(QStringLiteral("\u201cNet.vrm\u201d")), qPrintable(answerer.texts.at(1)));
    answerer.setButton(QMessageBox::Ok);
    QTest::qWait(30);
    QVERIFY(window.isVisible());
    QVERIFY(window.isWindowModified());
    QCOMPARE(window.controller()->fileName(), path);

    // The close that waited for it is gone: a good save keeps the window.
    QVERIFY(QDir().mkpath(folder.path()));
    window.save();
    QTRY_VERIFY(!window.isWindowModified());
    QTest::qWait(30);
    QVERIFY(window.isVisible());
}

void TestFileCommands::loadStartsWithTheSelectionToolAndIsRecent()
{
    const QString path = m_dir.filePath(QStringLiteral("tool.vrm"));
    {
        VormaWindow writer;
        writer.controller()->requestSetData(Keys::Tool, 3);
        writer.controller()->requestSave(path);
    }
    VormaWindow window;
    window.controller()->requestLoad(path);
    settle();
    QCOMPARE(window.controller()->data(Keys::Tool).toInt(), 0);
    QVERIFY(!window.controller()->canUndo());
    QCOMPARE(VormaWindow::recentFiles().value(0), path);
}

void TestFileCommands::failedLoadClosesOnlyItsWindow()
{
    const QString path = m_dir.filePath(QStringLiteral("broken.vrm"));
    QVERIFY(writeFile(path, "no document"));
    VormaWindow other;
    other.show();
    QPointer<VormaWindow> window = new VormaWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    settle();
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    MessageBoxAnswerer answerer;
    window->controller()->requestLoad(path);
    QTRY_VERIFY(window.isNull());
    QVERIFY(answerer.texts.join(QLatin1Char('\n')).contains(QStringLiteral("\u201cbroken.vrm\u201d")));
    QVERIFY(other.isVisible());
    QVERIFY(quitting.isEmpty());
}

void TestFileCommands::failedLoadSaysWhetherTheFileIsDamaged_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content"); // written to `path` unless null
    QTest::addColumn<QString>("text");

    const QString damaged = QStringLiteral("The network \u201c%1\u201d is not a valid Vorma document: ");
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QImage(4, 4, QImage::Format_RGB32).save(&png, "PNG");

    QTest::newRow("truncated")
        << m_dir.filePath(QStringLiteral("truncated.vrm"))
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n    <dict>\n"
                      "        <key>Tempo</key>")
        << damaged.arg(QStringLiteral("truncated.vrm")) + QStringLiteral("line 4, column 24: premature end of document.");
    QTest::newRow("picture") << m_dir.filePath(QStringLiteral("picture.vrm")) << png.data()
                             << damaged.arg(QStringLiteral("picture.vrm"))
            + QStringLiteral("line 1, column 1: encountered incorrectly encoded content.");
    QTest::newRow("empty") << m_dir.filePath(QStringLiteral("empty.vrm")) << QByteArray("")
                           << damaged.arg(QStringLiteral("empty.vrm"))
            + QStringLiteral("line 1, column 0: premature end of document.");
    QTest::newRow("property list of no network")
        << m_dir.filePath(QStringLiteral("value.vrm")) << QByteArray("<plist version=\"1.0\"><integer>1</integer></plist>")
        << damaged.arg(QStringLiteral("value.vrm")) + QStringLiteral("the file holds no network.");

    // Unreadable even for root: a folder does not open, and this process's
    // own memory opens but fails at its first read.
    const QString unreadable = QStringLiteral("The network \u201c%1\u201d could not be opened. You may not have permission.");
    QTest::newRow("folder") << m_dir.path() << QByteArray() << unreadable.arg(QFileInfo(m_dir.path()).fileName());
    QTest::newRow("read fails") << QStringLiteral("/proc/self/mem") << QByteArray() << unreadable.arg(QStringLiteral("mem"));
}

void TestFileCommands::failedLoadSaysWhetherTheFileIsDamaged()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    if (!content.isNull())
        QVERIFY(writeFile(path, content));

    QPointer<VormaWindow> window = new VormaWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    settle();
    MessageBoxAnswerer answerer;
    window->controller()->requestLoad(path);
    QTRY_VERIFY(window.isNull());
    QCOMPARE(answerer.texts.size(), 1);
    QTEST(answerer.texts.first(), "text");
}

VORMA_GUI_TEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
