// The window's menu bar: which entries a window enables, the texts that say
// what an entry will do, the tool entries, and the recent-file and example
// submenus. Runs from a folder of its own, whose Examples folder and manual
// it makes.

#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "app/VormaMenuBar.h"
#include "app/VormaWindow.h"
#include "inspector/Inspector.h"

#include "GuiTestMain.h"
#include "Mvc/MvcTestSupport.h"
#include "Qmd/QmdTestSupport.h"
#include "app/AppTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QDir>
#include <QDockWidget>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace Keys = QmdVorma::Keys;

namespace {

QAction *action(QObject *menuBar, const char *name)
{
    return menuBar->findChild<QAction *>(QLatin1String(name));
}

QMenu *menu(QObject *menuBar, const char *name)
{
    return menuBar->findChild<QMenu *>(QLatin1String(name));
}

// What a submenu shows: its entries' texts, "-" for a separator, a
// disabled entry in parentheses.
QStringList entries(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            texts << QStringLiteral("-");
        else
            texts << (action->isEnabled() ? action->text() : QLatin1Char('(') + action->text() + QLatin1Char(')'));
    }
    return texts;
}

// The most recent first, as the window keeps them.
void writeRecentFiles(const QStringList &paths)
{
    for (auto path = paths.crbegin(); path != paths.crend(); ++path)
        VormaWindow::addRecentFile(*path);
}

const QmdRequestOptions NoUndo{Qmd::NoUndo, QString(), 0};

// Where the build puts the manual: beside the program.
QString manualPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Vorma Manual.pdf");
}

} // namespace

class TestMenuBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void nullWindowDisablesTheWindowEntries();
    void windowEnablesItsEntries();
    void displaySwitchTextsFollowTheirKeysWithoutUndo_data();
    void displaySwitchTextsFollowTheirKeysWithoutUndo();
    void playBecomesPauseAndBack();
    void blockedWindowDisablesItsCommands();
    void afterResetsOneTriggerMakesOneRequest();
    void toolEntries();
    void undoTextNamesTheStep();
    void editEntriesActOnTheFocusedTextField();
    void windowEntriesDriveTheWindow();
    void inspectorEntryShowsAndHidesTheInspector();
    void recentMenu();
    void recentMenuWithoutFiles();
    void recentFileTexts_data();
    void recentFileTexts();
    void examplesMenu();
    void manualEntryFollowsTheFile();

private:
    SettingsSandbox m_sandbox;
    QTemporaryDir m_dir;
};

void TestMenuBar::initTestCase()
{
    QVERIFY(m_sandbox.isReady());
    QVERIFY(m_dir.isValid());
    QDir(VormaMenuBar::examplesFolder()).removeRecursively();
    QFile::remove(manualPath());
}

void TestMenuBar::init()
{
    m_sandbox.startFreshStore();
}

void TestMenuBar::cleanupTestCase()
{
    QDir(VormaMenuBar::examplesFolder()).removeRecursively();
    QFile::remove(manualPath());
}

void TestMenuBar::nullWindowDisablesTheWindowEntries()
{
    VormaMenuBar bar(nullptr);
    QCOMPARE(bar.actions().size(), 6);
    for (const char *name : {"editMenu", "controlMenu", "toolMenu"})
        QVERIFY2(!menu(&bar, name)->isEnabled(), name);
    for (const char *name : {"fileMenu", "viewMenu", "helpMenu"})
        QVERIFY2(menu(&bar, name)->isEnabled(), name);
    for (const char *name : {"actionClose", "actionSave", "actionSaveAs", "actionPageSetup", "actionPrint",
                             "actionActualSize", "actionZoomIn", "actionZoomOut", "actionShowGrid",
                             "actionSnapToGrid", "actionShowNodeCounters", "actionShowNodeLastNotesSent",
                             "actionShowEdgeSignalling", "actionUndo", "actionRedo"})
        QVERIFY2(!action(&bar, name)->isEnabled(), name);
    for (const char *name : {"actionNew", "actionOpen", "actionExit", "actionAbout"})
        QVERIFY2(action(&bar, name)->isEnabled(), name);
    QVERIFY(bar.openRecentMenu()->menuAction()->isEnabled());
    QVERIFY(bar.openExampleMenu()->menuAction()->isEnabled());
    QCOMPARE(action(&bar, "actionUndo")->text(), QStringLiteral("&Undo"));
    QCOMPARE(action(&bar, "actionRedo")->text(), QStringLiteral("&Redo"));
    QCOMPARE(action(&bar, "actionShowGrid")->text(), QStringLiteral("Show &Grid"));
    QCOMPARE(action(&bar, "actionPlayPause")->text(), QStringLiteral("Play"));
    // Nothing to act on: choosing a tool changes nothing and does not crash.
    bar.toolAction(3)->trigger();
}

void TestMenuBar::windowEnablesItsEntries()
{
    VormaWindow window;
    auto *bar = qobject_cast<VormaMenuBar *>(window.menuBar());
    QVERIFY(bar);
    QCOMPARE(bar->vormaWindow(), &window);
    for (const char *name : {"editMenu", "controlMenu", "toolMenu"})
        QVERIFY2(menu(bar, name)->isEnabled(), name);
    for (const char *name : {"actionClose", "actionSave", "actionSaveAs", "actionPageSetup", "actionPrint",
                             "actionActualSize", "actionShowGrid", "actionGotoStart", "actionPlayPause"})
        QVERIFY2(action(bar, name)->isEnabled(), name);
    QCOMPARE(action(bar, "actionZoomIn")->isEnabled(), window.canZoomIn());
    QVERIFY(!action(bar, "actionUndo")->isEnabled());
    QCOMPARE(action(bar, "actionUndo")->text(), QStringLiteral("&Undo "));
    // At the largest zoom Zoom In goes off, and comes back below it.
    window.controller()->requestSetData(Keys::ZoomScale, 8.0, QmdIndex(), NoUndo);
    settle();
    QVERIFY(!action(bar, "actionZoomIn")->isEnabled());
    QVERIFY(action(bar, "actionZoomOut")->isEnabled());
    window.controller()->requestSetData(Keys::ZoomScale, 1.0, QmdIndex(), NoUndo);
    settle();
    QVERIFY(action(bar, "actionZoomIn")->isEnabled());
}

void TestMenuBar::displaySwitchTextsFollowTheirKeysWithoutUndo_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("offText");
    QTest::addColumn<QString>("onText");
    QTest::newRow("grid") << "actionShowGrid" << Keys::ShowGrid << "Show &Grid" << "Hide &Grid";
    QTest::newRow("snap") << "actionSnapToGrid" << Keys::SnapToGrid << "Turn &Snap to Grid On"
                          << "Turn &Snap to Grid Off";
    QTest::newRow("counters") << "actionShowNodeCounters" << Keys::ShowNodeCounters << "Show Node &Counters"
                              << "Hide Node &Counters";
    QTest::newRow("last notes") << "actionShowNodeLastNotesSent" << Keys::ShowNodeLastNotesSent
                                << "Show Node &Last Note(s) Sent" << "Hide Node &Last Note(s) Sent";
    QTest::newRow("signalling") << "actionShowEdgeSignalling" << Keys::ShowEdgeSignalling
                                << "Show &Edge Signalling" << "Hide &Edge Signalling";
    QTest::newRow("triggering") << "actionMidiTriggering" << Keys::MidiTriggeringEnabled
                                << "Enable MIDI &Triggering" << "Disable MIDI &Triggering";
}

void TestMenuBar::displaySwitchTextsFollowTheirKeysWithoutUndo()
{
    QFETCH(QString, actionName);
    QFETCH(QString, key);
    QFETCH(QString, offText);
    QFETCH(QString, onText);
    VormaWindow window;
    QmdVormaController *c = window.controller();
    QAction *entry = action(window.menuBar(), qPrintable(actionName));
    QVERIFY(entry);

    // What the document holds when the window opens decides the first text.
    c->requestSetData(key, true, QmdIndex(), NoUndo);
    settle();
    QCOMPARE(entry->text(), onText);
    c->requestSetData(key, false, QmdIndex(), NoUndo);
    settle();
    QCOMPARE(entry->text(), offText);

    entry->trigger();
    settle();
    QCOMPARE(c->data(key).toBool(), true);
    QCOMPARE(entry->text(), onText);
    entry->trigger();
    settle();
    QCOMPARE(c->data(key).toBool(), false);
    QCOMPARE(entry->text(), offText);
    QVERIFY(!c->canUndo());
    QVERIFY(!entry->isCheckable());
}

void TestMenuBar::playBecomesPauseAndBack()
{
    VormaWindow window;
    QAction *play = action(window.menuBar(), "actionPlayPause");
    QCOMPARE(play->text(), QStringLiteral("Play"));
    play->trigger();
    QTRY_COMPARE(play->text(), QStringLiteral("Pause"));
    QVERIFY(window.controller()->sync()->isPlaying());
    // Stopped elsewhere (the transport), the entry follows.
    window.controller()->requestPause();
    QTRY_COMPARE(play->text(), QStringLiteral("Play"));
    play->trigger();
    QTRY_COMPARE(play->text(), QStringLiteral("Pause"));
    play->trigger();
    QTRY_COMPARE(play->text(), QStringLiteral("Play"));
    QVERIFY(!window.controller()->sync()->isPlaying());
}

void TestMenuBar::blockedWindowDisablesItsCommands()
{
    VormaWindow window;
    QMenuBar *bar = window.menuBar();
    const QList<QAction *> commands{action(bar, "actionSave"), action(bar, "actionSaveAs"), action(bar, "actionClose"),
                                    action(bar, "actionPrint"), action(bar, "actionPageSetup")};
    const QList<QMenu *> menus{menu(bar, "editMenu"), menu(bar, "controlMenu"), menu(bar, "toolMenu")};
    window.beginBlockByDialog();
    for (QAction *command : commands)
        QVERIFY2(!command->isEnabled(), qPrintable(command->objectName()));
    for (QMenu *each : menus)
        QVERIFY2(!each->isEnabled(), qPrintable(each->objectName()));
    QVERIFY(!action(bar, "actionTool2")->isEnabled());
    window.endBlockByDialog();
    for (QAction *command : commands)
        QVERIFY2(command->isEnabled(), qPrintable(command->objectName()));
    for (QMenu *each : menus)
        QVERIFY2(each->isEnabled(), qPrintable(each->objectName()));
}

void TestMenuBar::afterResetsOneTriggerMakesOneRequest()
{
    VormaWindow window;
    QmdVormaController *c = window.controller();
    const QString file = m_dir.filePath(QStringLiteral("reset.vrm"));
    QVERIFY(QFile::copy(QStringLiteral(VORMA_TEST_DATA_DIR "/vorma/every-key.vrm"), file));
    // Two loads and a blocking prompt: each binds the menu bar again.
    c->requestLoad(file);
    settle();
    c->requestLoad(file);
    settle();
    window.beginBlockByDialog();
    window.endBlockByDialog();

    QSignalSpy changes(c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged));
    const bool grid = c->data(Keys::ShowGrid).toBool();
    action(window.menuBar(), "actionShowGrid")->trigger();
    settle();
    QCOMPARE(c->data(Keys::ShowGrid).toBool(), !grid);
    int gridChanges = 0;
    for (const QList<QVariant> &change : qAsConst(changes))
        gridChanges += change.at(1).toStringList().contains(Keys::ShowGrid) ? 1 : 0;
    QCOMPARE(gridChanges, 1);
}

void TestMenuBar::toolEntries()
{
    VormaWindow window;
    auto *bar = qobject_cast<VormaMenuBar *>(window.menuBar());
    QmdVormaController *c = window.controller();
    const QStringList texts{"   &Selection", "   &Zoom", "   &Node && Edge", "   &Voice Group", "   &Text Box"};
    for (int tool = 0; tool < 5; ++tool) {
        QCOMPARE(bar->toolAction(tool)->text(), texts.at(tool));
        QCOMPARE(bar->toolAction(tool)->shortcut(), QKeySequence(QStringLiteral("Ctrl+%1").arg(tool + 1)));
        QVERIFY(bar->toolAction(tool)->isCheckable());
    }

    c->requestSetData(Keys::Tool, 2, QmdIndex(), NoUndo);
    settle();
    QVERIFY(bar->toolAction(2)->isChecked());

    // Chosen from the menu: written without an undo step.
    bar->toolAction(4)->trigger();
    settle();
    QCOMPARE(c->data(Keys::Tool).toInt(), 4);
    QVERIFY(bar->toolAction(4)->isChecked());
    QVERIFY(!c->canUndo());

    // A number no entry carries falls back to the selection tool.
    c->requestSetData(Keys::Tool, 7, QmdIndex(), NoUndo);
    settle();
    QCOMPARE(c->data(Keys::Tool).toInt(), 0);
    QVERIFY(bar->toolAction(0)->isChecked());
    QVERIFY(!c->canUndo());
}

void TestMenuBar::undoTextNamesTheStep()
{
    VormaWindow window;
    QmdVormaController *c = window.controller();
    QAction *undo = action(window.menuBar(), "actionUndo");
    QAction *redo = action(window.menuBar(), "actionRedo");
    c->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    QVERIFY(!c->undoText().isEmpty());
    QCOMPARE(undo->text(), QStringLiteral("&Undo ") + c->undoText());
    QVERIFY(undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    c->requestUndo();
    settle();
    QCOMPARE(redo->text(), QStringLiteral("&Redo ") + c->redoText());
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());
}

void TestMenuBar::editEntriesActOnTheFocusedTextField()
{
    VormaWindow window;
    auto *field = new QLineEdit(QStringLiteral("tempo 120"), &window);
    window.show();
    window.activateWindow();
    field->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(field));
    QApplication::clipboard()->clear();
    field->setSelection(6, 3);
    action(window.menuBar(), "actionCopy")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("120"));
    action(window.menuBar(), "actionSelectAll")->trigger();
    QCOMPARE(field->selectedText(), QStringLiteral("tempo 120"));
    action(window.menuBar(), "actionCut")->trigger();
    QCOMPARE(field->text(), QString());
    action(window.menuBar(), "actionPaste")->trigger();
    QCOMPARE(field->text(), QStringLiteral("tempo 120"));
}

void TestMenuBar::windowEntriesDriveTheWindow()
{
    VormaWindow window;
    QmdVormaController *c = window.controller();
    QMenuBar *bar = window.menuBar();
    action(bar, "actionActualSize")->trigger();
    settle();
    QCOMPARE(c->data(Keys::ZoomScale).toDouble(), 1.0);
    action(bar, "actionZoomIn")->trigger();
    settle();
    QCOMPARE(c->data(Keys::ZoomScale).toDouble(), 2.0);
    action(bar, "actionZoomOut")->trigger();
    settle();
    QCOMPARE(c->data(Keys::ZoomScale).toDouble(), 1.0);

    const int elements = c->elementIds().size();
    c->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    action(bar, "actionUndo")->trigger();
    settle();
    QCOMPARE(c->elementIds().size(), elements);
    action(bar, "actionRedo")->trigger();
    settle();
    QCOMPARE(c->elementIds().size(), elements + 1);
}

// Once closed, the inspector comes back from the View menu; the dock's own
// entry in the tool bar's context menu is named for the inspector, not for
// the page it shows.
void TestMenuBar::inspectorEntryShowsAndHidesTheInspector()
{
    VormaMenuBar lone(nullptr);
    QVERIFY(action(&lone, "actionInspector"));
    QCOMPARE(action(&lone, "actionInspector")->text(), QStringLiteral("Show &Inspector"));
    QVERIFY(!action(&lone, "actionInspector")->isEnabled());
    action(&lone, "actionInspector")->trigger();

    VormaWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QDockWidget *dock = window.inspectorDock();
    QAction *entry = action(window.menuBar(), "actionInspector");
    QVERIFY(entry && entry->isEnabled());
    QCOMPARE(entry->text(), QStringLiteral("Hide &Inspector"));
    window.inspector()->transformToPage(Inspector::NodePage, true, false);
    settle();
    QCOMPARE(dock->windowTitle(), QStringLiteral("Node"));
    QCOMPARE(dock->toggleViewAction()->text(), QStringLiteral("Inspector"));

    entry->trigger();
    QVERIFY(dock->isHidden());
    QCOMPARE(entry->text(), QStringLiteral("Show &Inspector"));
    entry->trigger();
    QVERIFY(dock->isVisible());
    QCOMPARE(entry->text(), QStringLiteral("Hide &Inspector"));
    // Closed from its own title bar, as users lose it.
    dock->close();
    QCOMPARE(entry->text(), QStringLiteral("Show &Inspector"));
    entry->trigger();
    QVERIFY(dock->isVisible());
    QCOMPARE(dock->toggleViewAction()->text(), QStringLiteral("Inspector"));
}

void TestMenuBar::recentMenu()
{
    QDir dir(m_dir.path());
    QVERIFY(dir.mkpath(QStringLiteral("a")) && dir.mkpath(QStringLiteral("b")));
    const QStringList files{dir.filePath(QStringLiteral("a/Song.vrm")), dir.filePath(QStringLiteral("b/Song.vrm")),
                            dir.filePath(QStringLiteral("Other.vrm"))};
    for (const QString &file : files)
        QVERIFY(writeFile(file, "x"));
    writeRecentFiles({files.at(0), files.at(1), dir.filePath(QStringLiteral("Gone.vrm")), files.at(2)});

    VormaMenuBar bar(nullptr);
    QMenu *recent = bar.openRecentMenu();
    emit recent->aboutToShow();
    QCOMPARE(entries(recent), (QStringList{QStringLiteral("Song \u2014 a"), QStringLiteral("Song \u2014 b"),
                                           QStringLiteral("Other"), QStringLiteral("-"),
                                           QStringLiteral("&Clear Menu")}));
    QCOMPARE(recent->actions().at(1)->data().toString(), files.at(1));

    // Clearing empties the settings; the menu shows it the next time.
    recent->actions().last()->trigger();
    QVERIFY(!QSettings().contains(recentFilesKey() + QStringLiteral("/size")));
    emit recent->aboutToShow();
    QCOMPARE(entries(recent), QStringList{QStringLiteral("(&Clear Menu)")});
}

void TestMenuBar::recentMenuWithoutFiles()
{
    VormaMenuBar bar(nullptr);
    emit bar.openRecentMenu()->aboutToShow();
    QCOMPARE(entries(bar.openRecentMenu()), QStringList{QStringLiteral("(&Clear Menu)")});
}

void TestMenuBar::recentFileTexts_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("shared base name") << QStringList{"/x/a/Song.vrm", "/x/b/Song.vrm", "/x/Other.vrm"}
                                      << QStringList{"Song \u2014 a", "Song \u2014 b", "Other"};
    QTest::newRow("alone") << QStringList{"/x/b/Song.vrm", "/x/Other.vrm"} << QStringList{"Song", "Other"};
    QTest::newRow("dot in the name") << QStringList{"/x/Take.2.vrm"} << QStringList{"Take.2"};
    QTest::newRow("none") << QStringList() << QStringList();
}

void TestMenuBar::recentFileTexts()
{
    QFETCH(QStringList, paths);
    QFETCH(QStringList, texts);
    QCOMPARE(VormaMenuBar::recentFileTexts(paths), texts);
}

void TestMenuBar::examplesMenu()
{
    {
        VormaMenuBar bar(nullptr);
        emit bar.openExampleMenu()->aboutToShow();
        QCOMPARE(entries(bar.openExampleMenu()), QStringList{QStringLiteral("((Empty))")});
    }

    QDir examples(VormaMenuBar::examplesFolder());
    QVERIFY(examples.mkpath(QStringLiteral("Folder.vrm")));
    QVERIFY(writeFile(examples.filePath(QStringLiteral("Intro.vrm")), "x"));
    QVERIFY(writeFile(examples.filePath(QStringLiteral("Notes.txt")), "x"));
    VormaMenuBar bar(nullptr);
    QMenu *menu = bar.openExampleMenu();
    // The folder is read in the background.
    QTRY_VERIFY((emit menu->aboutToShow(), entries(menu) != QStringList{QStringLiteral("((Empty))")}));
    QCOMPARE(entries(menu), QStringList{QStringLiteral("Intro")});
    QCOMPARE(menu->actions().first()->data().toString(), examples.filePath(QStringLiteral("Intro.vrm")));
}

void TestMenuBar::manualEntryFollowsTheFile()
{
    {
        VormaMenuBar bar(nullptr);
        QVERIFY(!action(&bar, "actionManual")->isEnabled());
    }
    // A manual put there while the program runs is offered the next time the
    // menu opens, and one taken away is no longer.
    VormaMenuBar bar(nullptr);
    QVERIFY(writeFile(manualPath(), "%PDF-1.4"));
    emit menu(&bar, "helpMenu")->aboutToShow();
    QVERIFY(action(&bar, "actionManual")->isEnabled());
    VormaMenuBar barMadeWithTheFile(nullptr);
    QVERIFY(action(&barMadeWithTheFile, "actionManual")->isEnabled());
    QVERIFY(QFile::remove(manualPath()));
    emit menu(&bar, "helpMenu")->aboutToShow();
    QVERIFY(!action(&bar, "actionManual")->isEnabled());
}

VORMA_GUI_TEST_MAIN(TestMenuBar)
#include "tst_menubar.moc"
