#include "Qmd/QmdMemModel.h"
#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/ScaleFactors.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "app/VormaWindow.h"
#include "canvas/NetworkScene.h"

#include "GuiTestMain.h"
#include "Mvc/MvcTestSupport.h"
#include "Qmd/QmdTestSupport.h"
#include "app/AppTestSupport.h"

#include <QAction>
#include <QSignalSpy>
#include <QtTest>

namespace Keys = QmdVorma::Keys;

namespace {

// A document file whose title tells where a window's content came from.
QByteArray documentTitled(const QString &title)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
<key>ContainerType</key><string>StrDict</string>
<key>Title</key><string>%1</string>
</dict>
</plist>
)")
        .arg(title)
        .toUtf8();
}

QmdRequestOptions noUndo()
{
    QmdRequestOptions options;
    options.flags = Qmd::NoUndo;
    return options;
}

} // namespace

class TestVormaWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshWindowIsUntitledAndClean();
    void templateOrder_data();
    void templateOrder();
    void titleFollowsTheFileName();
    void toolWithoutActionIsRewrittenToSelection();
    void zoomLimitsAreAnnounced();
    void selectionAndPastePositionServeTheCanvas();
    void cleanWindowClosesWithoutAsking();
    void closePrompt_data();
    void closePrompt();
    void failedLoadReportsAndCloses();
    void closingAPlayingWindowJoinsItsThreadsFirst();

private:
    QString besideProgram() const { return QCoreApplication::applicationDirPath() + "/template.vrm"; }

    SettingsSandbox m_sandbox;
    QTemporaryDir m_dir;
};

void TestVormaWindow::initTestCase()
{
    QVERIFY(m_sandbox.isReady());
    QVERIFY(m_dir.isValid());
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    QmdVorma::initScaleFactors(&image);
}

void TestVormaWindow::init()
{
    m_sandbox.startFreshStore();
    QFile::remove(besideProgram());
}

void TestVormaWindow::cleanup()
{
    QFile::remove(besideProgram());
}

void TestVormaWindow::freshWindowIsUntitledAndClean()
{
    VormaWindow window;
    settle();
    QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Vorma"));
    QCOMPARE(window.displayName(), QStringLiteral("Untitled"));
    QVERIFY(!window.isWindowModified());
    QmdVormaController *controller = window.controller();
    QVERIFY(controller->fileName().isEmpty());
    QVERIFY(controller->isAtCleanState());
    QVERIFY(!controller->canUndo());
    QCOMPARE(controller->undoRedoLimit(), VormaWindow::UndoLimit);
    QCOMPARE(controller->data(Keys::ZoomScale).toDouble(), 0.75);
    QCOMPARE(window.scene()->selectedElementIds(), QmdItemIdSet());
    QVERIFY(!window.isBlockedByDialog());
}

void TestVormaWindow::templateOrder_data()
{
    QTest::addColumn<bool>("custom");
    QTest::addColumn<bool>("customExists");
    QTest::addColumn<bool>("beside");
    QTest::addColumn<QString>("title");

    QTest::newRow("custom file first") << true << true << true << "custom";
    QTest::newRow("missing custom file: the one beside the program") << true << false << true << "beside";
    QTest::newRow("no setting: the one beside the program") << false << false << true << "beside";
    QTest::newRow("neither: the defaults") << true << false << false << "";
}

void TestVormaWindow::templateOrder()
{
    QFETCH(bool, custom);
    QFETCH(bool, customExists);
    QFETCH(bool, beside);
    QFETCH(QString, title);

    const QString customPath = m_dir.filePath("custom.vrm");
    QFile::remove(customPath);
    if (customExists)
        QVERIFY(writeFile(customPath, documentTitled("custom")));
    if (custom)
        QSettings().setValue(templateFileKey(), customPath);
    if (beside)
        QVERIFY(writeFile(besideProgram(), documentTitled("beside")));

    VormaWindow window;
    settle();
    QCOMPARE(window.controller()->data(Keys::Title).toString(), title);
    QVERIFY(window.controller()->fileName().isEmpty());
    QVERIFY(window.controller()->isAtCleanState());
    QVERIFY(!window.isWindowModified());
    QCOMPARE(window.controller()->data(Keys::ZoomScale).toDouble(), 0.75);
}

void TestVormaWindow::titleFollowsTheFileName()
{
    const QString path = m_dir.filePath("My.Net.vrm");
    QVERIFY(writeFile(path, documentTitled("file")));
    VormaWindow window;
    window.controller()->requestLoad(path);
    settle();
    QCOMPARE(window.windowTitle(), QStringLiteral("My.Net[*] - Vorma"));
    QCOMPARE(window.windowFilePath(), path);

    window.controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    QVERIFY(window.isWindowModified());
    window.controller()->requestUndo();
    settle();
    QVERIFY(!window.isWindowModified());
}

void TestVormaWindow::toolWithoutActionIsRewrittenToSelection()
{
    VormaWindow window;
    settle();
    QmdVormaController *controller = window.controller();
    const auto actions = window.findChildren<QAction *>(QStringLiteral("actionZoomTool"));
    QCOMPARE(actions.size(), 1);

    controller->requestSetData(Keys::Tool, 1, QmdIndex(), noUndo());
    settle();
    QVERIFY(actions.first()->isChecked());

    controller->requestSetData(Keys::Tool, 7, QmdIndex(), noUndo());
    QTRY_COMPARE(controller->data(Keys::Tool).toInt(), 0);
    QTRY_VERIFY(window.findChild<QAction *>(QStringLiteral("actionSelectionTool"))->isChecked());
    QVERIFY(!controller->canUndo());
}

void TestVormaWindow::zoomLimitsAreAnnounced()
{
    VormaWindow window;
    settle();
    QSignalSpy zoomIn(&window, &VormaWindow::canZoomInChanged);
    QSignalSpy zoomOut(&window, &VormaWindow::canZoomOutChanged);
    window.controller()->requestSetData(Keys::ZoomScale, 8.0, QmdIndex(), noUndo());
    QTRY_COMPARE(zoomIn.size(), 1);
    QCOMPARE(zoomIn.first().first().toBool(), false);
    QCOMPARE(zoomOut.size(), 1);
    QCOMPARE(zoomOut.first().first().toBool(), true);
}

void TestVormaWindow::selectionAndPastePositionServeTheCanvas()
{
    VormaWindow window;
    settle();
    QSignalSpy selection(&window, &VormaWindow::elementSelectionChanged);
    QmdItemId node = 0;
    window.controller()->requestAddNode(QmdVorma::TickPoint(0, 0), {}, QmdRequestOptions(), &node);
    QTRY_COMPARE(window.selectedElementIds(), QmdItemIdSet{node});
    QVERIFY(!selection.isEmpty());

    // The view knows the window only as its edit target.
    QVERIFY(!window.isPastePosSet());
    QVERIFY(QMetaObject::invokeMethod(&window, "setPastePos",
                                      Q_ARG(QmdVorma::TickPoint, QmdVorma::TickPoint(665280, -3))));
    QVERIFY(window.isPastePosSet());
    QCOMPARE(window.pastePos(), QmdVorma::TickPoint(665280, -3));
}

void TestVormaWindow::cleanWindowClosesWithoutAsking()
{
    VormaWindow window;
    window.show();
    settle();
    MessageBoxAnswerer answerer(QMessageBox::Cancel);
    QVERIFY(window.close());
    QVERIFY(answerer.texts.isEmpty());
}

void TestVormaWindow::closePrompt_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");

    QTest::newRow("discard") << int(QMessageBox::Discard) << true;
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false;
    // Save keeps the window until the save has succeeded.
    QTest::newRow("save") << int(QMessageBox::Save) << false;
}

void TestVormaWindow::closePrompt()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);

    VormaWindow window;
    window.show();
    window.controller()->requestAddNode(QmdVorma::TickPoint(0, 0));
    settle();
    QVERIFY(window.isWindowModified());

    QSignalSpy blocked(&window, &VormaWindow::blockedByDialogChanged);
    MessageBoxAnswerer answerer{QMessageBox::StandardButton(answer)};
    // Saving the untitled document asks for a name; cancelled, the window stays.
    SaveAsAnswerer cancelSaveAs;
    QCOMPARE(window.close(), closes);
    QCOMPARE(answerer.texts,
             QStringList{QStringLiteral("Do you want to save the changes you made to the network \u201cUntitled\u201d?")});
    // Save blocks once more for its Save As dialog.
    QCOMPARE(blocked.size(), answer == QMessageBox::Save ? 4 : 2);
    QCOMPARE(blocked.at(0).first().toBool(), true);
    QCOMPARE(blocked.at(1).first().toBool(), false);
    QVERIFY(!window.isBlockedByDialog());
    QCOMPARE(window.isVisible(), !closes);
    QVERIFY(window.isWindowModified());
}

void TestVormaWindow::failedLoadReportsAndCloses()
{
    const QString path = m_dir.filePath("broken.vrm");
    QVERIFY(writeFile(path, "this is no document"));
    QPointer<VormaWindow> window = new VormaWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    settle();

    MessageBoxAnswerer answerer;
    window->controller()->requestLoad(path);
    QCOMPARE(answerer.texts.size(), 1);
    QVERIFY2(answerer.texts.first().contains(QStringLiteral("\u201cbroken.vrm\u201d")), qPrintable(answerer.texts.first()));
    QTRY_VERIFY(window.isNull());
}

void TestVormaWindow::closingAPlayingWindowJoinsItsThreadsFirst()
{
    // A voice group on a node with an edge back to itself keeps a voice
    // travelling while the window goes.
    auto *window = new VormaWindow;
    QmdVormaController *controller = window->controller();
    QmdItemId node = 0;
    controller->requestAddNode(QmdVorma::TickPoint(0, 0), {}, QmdRequestOptions(), &node);
    QmdItemId other = 0;
    controller->requestAddNode(QmdVorma::TickPoint(665280 / 8, 0), {}, QmdRequestOptions(), &other);
    settle();
    controller->requestAddEdge(controller->elementIndex(node), controller->elementIndex(other));
    controller->requestAddEdge(controller->elementIndex(other), controller->elementIndex(node));
    controller->requestAddVoiceGroup(controller->elementIndex(node));
    settle();
    controller->requestSetPlayback(true);
    QTRY_VERIFY(controller->sync()->isPlaying());
    QTest::qWait(50);

    QStringList order;
    connect(controller, &QObject::destroyed, [&order] { order << "controller"; });
    connect(window->findChild<QmdMemModel *>(), &QObject::destroyed, [&order] { order << "model"; });
    delete window;
    QCOMPARE(order, (QStringList{"controller", "model"}));
}

VORMA_GUI_TEST_MAIN(TestVormaWindow)
#include "tst_vormawindow.moc"
