#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "app/CanvasPrint.h"
#include "app/VormaWindow.h"
#include "canvas/GraphicsNodeItem.h"
#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"

#include "GuiTestMain.h"
#include "Mvc/MvcTestSupport.h"
#include "Qmd/QmdTestSupport.h"
#include "canvas/CanvasTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QGraphicsItem>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <limits>

namespace Keys = QmdVorma::Keys;
using QmdVorma::TickPoint;

namespace {

QmdRequestOptions noUndo()
{
    return QmdRequestOptions{Qmd::NoUndo, QString(), 0};
}

QmdItemId addNode(QmdVormaController *c, const TickPoint &pos)
{
    QmdItemId id = 0;
    c->requestAddNode(pos, {}, QmdRequestOptions(), &id);
    return id;
}

TickPoint positionOf(QmdVormaController *c, QmdItemId id)
{
    return c->elementData(id, Keys::TickPos).value<TickPoint>();
}

// The elements that came after `before`, in id order.
QmdItemIdList newElements(QmdVormaController *c, const QmdItemIdList &before)
{
    QmdItemIdList added;
    for (QmdItemId id : c->elementIds())
        if (!before.contains(id))
            added << id;
    std::sort(added.begin(), added.end());
    return added;
}

void sendToViewport(NetworkView *view, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &event);
}

// The page size of the first page of a PDF file Qt wrote, in points.
QSizeF pdfPageSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QSizeF();
    const QByteArray content = file.readAll();
    const QByteArray key("/MediaBox [");
    const int at = content.indexOf(key);
    if (at < 0)
        return QSizeF();
    const int start = at + key.size();
    const QList<QByteArray> numbers = content.mid(start, content.indexOf(']', start) - start).simplified().split(' ');
    return numbers.size() == 4 ? QSizeF(numbers.at(2).toDouble(), numbers.at(3).toDouble()) : QSizeF();
}

// Prints the window's canvas into a PDF file as an accepted print dialog
// does, and gives the page size written, invalid when no file came.
QSizeF printToPdf(VormaWindow &window, const QString &path)
{
    QPrinter *printer = window.printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(72); // the page's size is what counts, not its detail
    printer->setOutputFileName(path);
    window.onPrintAccepted();
    return pdfPageSize(path);
}

// Answers the undo warning whenever one opens, and keeps what it saw.
class UndoWarningAnswerer : public QObject
{
public:
    // "escape", or the text of the button to click.
    UndoWarningAnswerer(const VormaWindow *window, const QString &answer)
        : m_window(window)
        , m_answer(answer)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start(10);
    }

    int boxes = 0;
    QString informativeText;
    QString defaultButton;
    bool windowBlocked = false;

private:
    void poll()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || m_answered.contains(box))
                continue;
            m_answered << box;
            ++boxes;
            informativeText = box->informativeText();
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            windowBlocked = m_window->isBlockedByDialog();
            if (m_answer == QLatin1String("escape")) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                for (QAbstractButton *button : box->buttons())
                    if (button->text() == m_answer)
                        button->click();
            }
        }
    }

    const VormaWindow *m_window;
    QString m_answer;
    QTimer m_timer;
    QList<QPointer<QMessageBox>> m_answered;
};

} // namespace

class TestEditCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void repeatedPasteStepsOneDivisionAndAClickRecentres_data();
    void repeatedPasteStepsOneDivisionAndAClickRecentres();
    void pasteWithoutElementsOnTheClipboardDoesNothing();
    void selectionCommands_data();
    void selectionCommands();
    void selectAllTakesEverythingTouchingTheContents();
    void canvasMenuReachesTheWindow();
    void zoomIsLimited_data();
    void zoomIsLimited();
    void zoomStepsStopAtTheLimits();
    void zoomStepsStartFromTheShownScale_data();
    void zoomStepsStartFromTheShownScale();
    void undoPastTheSavedStateAsksFirst_data();
    void undoPastTheSavedStateAsksFirst();
    void redoFollowsTheHistory();
    void toolChoiceIsNoUndoStep();
    void printKeepsThePageOrientation();
    void printLeavesOutSelectionAndGhosts();
    void printFailuresLeaveTheWindowUsable();
    void pageSetupBlocksTheWindowUntilClosed();

private:
    SettingsSandbox m_sandbox;
    QTemporaryDir m_dir;
};

void TestEditCommands::initTestCase()
{
    QVERIFY(m_sandbox.isReady());
    QVERIFY(m_dir.isValid());
    initTestScaleFactors();
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void TestEditCommands::init()
{
    m_sandbox.startFreshStore();
    QGuiApplication::clipboard()->clear();
}

void TestEditCommands::repeatedPasteStepsOneDivisionAndAClickRecentres_data()
{
    QTest::addColumn<QVariant>("divsPerPrincipal");
    QTest::addColumn<qint64>("division");

    QTest::newRow("4 divisions") << QVariant(4u) << qint64(166320);
    // Counts the grid cannot draw step as it does, by whole principals.
    QTest::newRow("no divisions") << QVariant(0u) << qint64(665280);
    QTest::newRow("negative") << QVariant(-3) << qint64(665280);
}

void TestEditCommands::repeatedPasteStepsOneDivisionAndAClickRecentres()
{
    QFETCH(QVariant, divsPerPrincipal);
    QFETCH(qint64, division);

    VormaWindow window;
    window.resize(800, 600);
    window.show();
    QmdVormaController *c = window.controller();
    c->requestSetData(Keys::DivsPerPrincipal, divsPerPrincipal, QmdIndex(), noUndo());
    c->requestSetData(Keys::Tool, int(NetworkView::SelectionTool), QmdIndex(), noUndo());
    const QmdItemId node = addNode(c, TickPoint(0, 0));
    QTRY_COMPARE(window.selectedElementIds(), QmdItemIdSet{node});
    window.copy();
    QVERIFY(QmdVormaController::canPaste());

    QmdItemIdList before = c->elementIds();
    for (int i = 0; i < 3; ++i)
        window.paste();
    settle();
    const QmdItemIdList pasted = newElements(c, before);
    QCOMPARE(pasted.size(), 3);
    const TickPoint first = positionOf(c, pasted.at(0));
    for (int i = 1; i < 3; ++i)
        QCOMPARE(positionOf(c, pasted.at(i)), TickPoint(first.x + i * division, first.y + i * division));
    // The first lands on the grid point nearest the view's centre, where the
    // paste position started two divisions ago.
    const TickPoint centre(window.pastePos().x - 2 * division, window.pastePos().y - 2 * division);
    QVERIFY(qAbs(first.x - centre.x) <= division / 2 && qAbs(first.y - centre.y) <= division / 2);

    // A click on empty canvas, away from the pasted node, moves the next
    // paste there, and the repeat counts from it.
    const QRect viewport = window.view()->viewport()->rect();
    QPoint click;
    for (const QPoint &candidate : {viewport.topLeft() + QPoint(10, 10), viewport.bottomLeft() + QPoint(10, -10),
                                    viewport.topRight() + QPoint(-10, 10)}) {
        if (!window.view()->itemAt(candidate)) {
            click = candidate;
            break;
        }
    }
    QVERIFY(!click.isNull());
    const TickPoint stale = window.pastePos();
    sendToViewport(window.view(), QEvent::MouseButtonPress, click, Qt::LeftButton);
    sendToViewport(window.view(), QEvent::MouseButtonRelease, click, Qt::NoButton);
    QVERIFY(window.isPastePosSet());
    const TickPoint clicked = window.pastePos();
    QVERIFY(!(clicked == stale));
    before = c->elementIds();
    window.paste();
    window.paste();
    settle();
    const QmdItemIdList atClick = newElements(c, before);
    QCOMPARE(atClick.size(), 2);
    const TickPoint recentred = positionOf(c, atClick.at(0));
    QVERIFY(qAbs(recentred.x - clicked.x) <= division / 2 && qAbs(recentred.y - clicked.y) <= division / 2);
    QCOMPARE(positionOf(c, atClick.at(1)), TickPoint(recentred.x + division, recentred.y + division));
}

void TestEditCommands::pasteWithoutElementsOnTheClipboardDoesNothing()
{
    VormaWindow window;
    settle();
    QmdVormaController *c = window.controller();
    QGuiApplication::clipboard()->setText(QStringLiteral("no elements"));
    auto *damaged = new QMimeData;
    damaged->setData(QStringLiteral("text/vorma-elements"), QByteArray("\x01\x02 not a document"));
    for (int round = 0; round < 2; ++round) {
        window.paste();
        settle();
        QVERIFY(c->elementIds().isEmpty());
        QVERIFY(!c->canUndo());
        QGuiApplication::clipboard()->setMimeData(damaged);
    }
}

void TestEditCommands::selectionCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("left");
    QTest::addColumn<bool>("onClipboard");

    QTest::newRow("delete three") << "del" << 3 << 0 << false;
    QTest::newRow("cut two") << "cut" << 2 << 1 << true;
    QTest::newRow("copy two") << "copy" << 2 << 3 << true;
    QTest::newRow("delete nothing selected") << "del" << 0 << 3 << false;
    QTest::newRow("cut nothing selected") << "cut" << 0 << 3 << false;
    QTest::newRow("copy nothing selected") << "copy" << 0 << 3 << false;
}

void TestEditCommands::selectionCommands()
{
    QFETCH(QString, command);
    QFETCH(int, selected);
    QFETCH(int, left);
    QFETCH(bool, onClipboard);

    VormaWindow window;
    QmdVormaController *c = window.controller();
    QmdItemIdList nodes;
    for (int i = 0; i < 3; ++i)
        nodes << addNode(c, TickPoint(i * QmdVorma::TicksPerPrincipal, 0));
    settle();
    c->requestMarkAsCleanState();
    const QString undoTextBefore = c->undoText();
    window.scene()->clearSelection();
    for (int i = 0; i < selected; ++i)
        window.scene()->elementItem(nodes.at(i))->graphicsItem()->setSelected(true);

    QVERIFY(QMetaObject::invokeMethod(&window, command.toLatin1().constData()));
    settle();
    QCOMPARE(c->elementIds().size(), left);
    QCOMPARE(QmdVormaController::canPaste(), onClipboard);
    if (left == 3) {
        QCOMPARE(c->undoText(), undoTextBefore);
        return;
    }
    // Every removal is one step, named as the menu names it.
    QCOMPARE(c->undoText(), QStringLiteral("Delete"));
    window.undo(); // no question: the removal left the saved state
    settle();
    QCOMPARE(c->elementIds().size(), 3);
    QVERIFY(c->isAtCleanState());
}

void TestEditCommands::selectAllTakesEverythingTouchingTheContents()
{
    VormaWindow window;
    QmdVormaController *c = window.controller();
    const QmdItemId a = addNode(c, TickPoint(0, 0));
    const QmdItemId b = addNode(c, TickPoint(2 * QmdVorma::TicksPerPrincipal, QmdVorma::TicksPerPrincipal));
    QmdItemId edge = 0;
    c->requestAddEdge(c->elementIndex(a), c->elementIndex(b), QmdVorma::EdgePath(0), {}, QmdRequestOptions(),
                      &edge);
    c->requestAddVoiceGroup(c->elementIndex(a));
    settle();
    QCOMPARE(c->elementIds().size(), 4);
    window.scene()->clearSelection();

    window.selectAll();
    const QmdItemIdList all = c->elementIds();
    QCOMPARE(window.selectedElementIds(), QmdItemIdSet(all.cbegin(), all.cend()));
    QVERIFY(window.selectedElementIds().contains(edge));
}

// The canvas knows the window only as its edit target.
void TestEditCommands::canvasMenuReachesTheWindow()
{
    VormaWindow window;
    window.resize(800, 600);
    window.show();
    QmdVormaController *c = window.controller();
    addNode(c, TickPoint(0, 0));
    addNode(c, TickPoint(QmdVorma::TicksPerPrincipal, 0));
    settle();
    window.scene()->clearSelection();
    NetworkView *view = window.view();
    const auto choose = [view](const QString &text) {
        // Opening the menu brings its entries up to date with the selection.
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), view->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(view->viewport(), &event);
        view->contextMenu()->hide();
        for (QAction *action : view->contextMenu()->actions())
            if (action->text() == text && action->isEnabled())
                return action->trigger(), true;
        return false;
    };

    QVERIFY(choose(QStringLiteral("Select A&ll")));
    QCOMPARE(window.selectedElementIds().size(), 2);
    QVERIFY(choose(QStringLiteral("&Copy")));
    QVERIFY(QmdVormaController::canPaste());

    QVERIFY(choose(QStringLiteral("&Delete")));
    settle();
    QVERIFY(c->elementIds().isEmpty());
    QCOMPARE(c->undoText(), QStringLiteral("Delete"));

    QVERIFY(choose(QStringLiteral("&Paste")));
    settle();
    QCOMPARE(c->elementIds().size(), 2);
}

void TestEditCommands::zoomIsLimited_data()
{
    QTest::addColumn<qreal>("wanted");
    QTest::addColumn<double>("written");

    QTest::newRow("above the top") << qreal(10) << 8.0;
    QTest::newRow("the top") << qreal(8) << 8.0;
    QTest::newRow("between") << qreal(1.5) << 1.5;
    QTest::newRow("the bottom") << qreal(0.25) << 0.25;
    QTest::newRow("below the bottom") << qreal(0.1) << 0.25;
    QTest::newRow("negative") << qreal(-2) << 0.25;
    QTest::newRow("not a number") << std::numeric_limits<qreal>::quiet_NaN() << 0.25;
    QTest::newRow("infinite") << std::numeric_limits<qreal>::infinity() << 0.25;
    QTest::newRow("minus infinite") << -std::numeric_limits<qreal>::infinity() << 0.25;
}

void TestEditCommands::zoomIsLimited()
{
    QFETCH(qreal, wanted);
    QFETCH(double, written);

    VormaWindow window;
    settle();
    QmdVormaController *c = window.controller();
    window.zoom(wanted);
    QCOMPARE(c->data(Keys::ZoomScale).toDouble(), written);
    QVERIFY(!c->canUndo());
    QVERIFY(c->isAtCleanState());
}

void TestEditCommands::zoomStepsStopAtTheLimits()
{
    VormaWindow window;
    settle();
    QmdVormaController *c = window.controller();
    const auto scale = [c] { return c->data(Keys::ZoomScale).toDouble(); };

    window.zoom(4);
    window.zoomIn();
    QCOMPARE(scale(), 8.0);
    QVERIFY(!window.canZoomIn());
    QVERIFY(window.canZoomOut());
    window.zoomIn();
    QCOMPARE(scale(), 8.0);

    window.zoomActualSize();
    QCOMPARE(scale(), 1.0);
    window.zoomOut();
    window.zoomOut();
    QCOMPARE(scale(), 0.25);
    QVERIFY(!window.canZoomOut());
    QVERIFY(window.canZoomIn());
    window.zoomOut();
    QCOMPARE(scale(), 0.25);
    QVERIFY(!c->canUndo());
}

void TestEditCommands::zoomStepsStartFromTheShownScale_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<double>("in");
    QTest::addColumn<double>("out");

    // The view shows a scale it cannot use at actual size, or at the limit.
    QTest::newRow("not a number") << QVariant(std::numeric_limits<double>::quiet_NaN()) << 2.0 << 0.5;
    QTest::newRow("negative") << QVariant(-1.0) << 2.0 << 0.5;
    QTest::newRow("text") << QVariant(QStringLiteral("big")) << 2.0 << 0.5;
    QTest::newRow("beyond the top") << QVariant(20.0) << 8.0 << 4.0;
    QTest::newRow("below the bottom") << QVariant(0.1) << 0.5 << 0.25;
}

void TestEditCommands::zoomStepsStartFromTheShownScale()
{
    QFETCH(QVariant, stored);
    QFETCH(double, in);
    QFETCH(double, out);

    VormaWindow window;
    QmdVormaController *c = window.controller();
    for (const bool zoomIn : {true, false}) {
        c->requestSetData(Keys::ZoomScale, stored, QmdIndex(), noUndo());
        settle();
        if (zoomIn)
            window.zoomIn();
        else
            window.zoomOut();
        QCOMPARE(c->data(Keys::ZoomScale).toDouble(), zoomIn ? in : out);
    }
}

void TestEditCommands::undoPastTheSavedStateAsksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("undone");

    QTest::newRow("escape") << "escape" << false;
    QTest::newRow("don't undo") << "&Don't Undo" << false;
    QTest::newRow("undo") << "&Undo" << true;
}

void TestEditCommands::undoPastTheSavedStateAsksFirst()
{
    QFETCH(QString, answer);
    QFETCH(bool, undone);

    VormaWindow window;
    window.show();
    QmdVormaController *c = window.controller();
    const QmdItemId saved = addNode(c, TickPoint(0, 0));
    const QString path = m_dir.filePath(QStringLiteral("undo.vrm"));
    c->requestSave(path);
    QTRY_VERIFY(c->isAtCleanState());

    UndoWarningAnswerer answerer(&window, answer);
    window.undo();
    settle();
    QCOMPARE(answerer.boxes, 1);
    QVERIFY(answerer.windowBlocked);
    QVERIFY(!window.isBlockedByDialog());
    QCOMPARE(answerer.informativeText, QStringLiteral("You are about to undo past the last point that this file "
                                                      "was saved. Do you want to do this?"));
    QCOMPARE(answerer.defaultButton, QStringLiteral("&Undo"));
    QCOMPARE(c->elementIds().contains(saved), !undone);
    QCOMPARE(c->isAtCleanState(), !undone);
    if (undone)
        return;

    // Once the document has moved on, undoing back towards it asks nothing.
    const QmdItemId later = addNode(c, TickPoint(QmdVorma::TicksPerPrincipal, 0));
    settle();
    window.undo();
    QTest::qWait(50);
    QCOMPARE(answerer.boxes, 1);
    QVERIFY(!c->elementIds().contains(later));
    QVERIFY(c->elementIds().contains(saved));
    QVERIFY(c->isAtCleanState());
}

void TestEditCommands::redoFollowsTheHistory()
{
    VormaWindow window;
    QmdVormaController *c = window.controller();
    window.redo(); // nothing to redo: nothing happens
    window.undo();
    const QmdItemId node = addNode(c, TickPoint(0, 0));
    settle();
    window.undo();
    settle();
    QVERIFY(!c->elementIds().contains(node));
    window.redo();
    settle();
    QVERIFY(c->elementIds().contains(node));
    QVERIFY(!c->canRedo());
}

void TestEditCommands::toolChoiceIsNoUndoStep()
{
    VormaWindow window;
    settle();
    QmdVormaController *c = window.controller();
    QAction action;
    action.setData(3);
    window.onToolTriggered(&action);
    settle();
    QCOMPARE(c->data(Keys::Tool).toInt(), 3);
    QVERIFY(!c->canUndo());
}

void TestEditCommands::printKeepsThePageOrientation()
{
    VormaWindow window;
    window.resize(800, 600);
    window.show();
    addNode(window.controller(), TickPoint(0, 0));
    settle();
    const QSizeF first = printToPdf(window, m_dir.filePath(QStringLiteral("landscape.pdf")));
    QVERIFY(first.isValid());
    QVERIFY(first.width() > first.height());

    // What page setup chose stays with the window's printer.
    window.printer()->setPageOrientation(QPageLayout::Portrait);
    const QSizeF second = printToPdf(window, m_dir.filePath(QStringLiteral("portrait.pdf")));
    QVERIFY(second.isValid());
    QVERIFY(second.width() < second.height());
    QVERIFY(!window.isBlockedByDialog());
}

void TestEditCommands::printLeavesOutSelectionAndGhosts()
{
    VormaWindow window;
    window.resize(800, 600);
    window.show();
    QmdVormaController *c = window.controller();
    const QmdItemId a = addNode(c, TickPoint(0, 0));
    const QmdItemId b = addNode(c, TickPoint(QmdVorma::TicksPerPrincipal, 0));
    c->requestAddEdge(c->elementIndex(a), c->elementIndex(b));
    settle();
    NetworkScene *scene = window.scene();
    scene->setSceneRect(-300, -300, 600, 600);
    scene->clearSelection();
    QCoreApplication::processEvents();

    const auto printed = [scene](bool asPrinted = true) {
        QImage page(400, 400, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        QPainter painter(&page);
        if (asPrinted)
            printCanvas(scene, &painter);
        else
            scene->render(&painter);
        return page;
    };
    const QImage plain = printed();

    // The ghost of a node being drawn, and a lone selected node.
    c->requestSetData(Keys::Tool, int(NetworkView::NodeAndEdgeTool), QmdIndex(), noUndo());
    settle();
    const QPoint empty = window.view()->mapFromScene(QPointF(60, 120));
    sendToViewport(window.view(), QEvent::MouseButtonPress, empty, Qt::LeftButton);
    QVERIFY(window.view()->ghostNode());
    QVERIFY(window.view()->ghostNode()->isVisible());
    scene->elementItem(a)->graphicsItem()->setSelected(true);
    QVERIFY(printed(false) != plain);

    QCOMPARE(printed(), plain);
    QCOMPARE(window.selectedElementIds(), QmdItemIdSet{a});
    QVERIFY(scene->elementItem(a)->graphicsItem()->isSelected());
    QVERIFY(window.view()->ghostNode()->isVisible());
    window.view()->cancelGhostItems();
}

void TestEditCommands::printFailuresLeaveTheWindowUsable()
{
    VormaWindow window;
    settle();
    // Nothing drawn yet: an empty page, not a failure.
    QVERIFY(printToPdf(window, m_dir.filePath(QStringLiteral("empty.pdf"))).isValid());

    addNode(window.controller(), TickPoint(0, 0));
    settle();
    const QString nowhere = m_dir.filePath(QStringLiteral("missing/folder/page.pdf"));
    window.beginBlockByDialog();
    QVERIFY(!printToPdf(window, nowhere).isValid());
    QVERIFY(!QFile::exists(nowhere));
    QVERIFY(!window.isBlockedByDialog());
    QCOMPARE(window.controller()->elementIds().size(), 1);
}

void TestEditCommands::pageSetupBlocksTheWindowUntilClosed()
{
    VormaWindow window;
    window.show();
    settle();
    QSignalSpy blocked(&window, &VormaWindow::blockedByDialogChanged);
    window.pageSetup();
    QVERIFY(window.isBlockedByDialog());
    QPageSetupDialog *dialog = window.findChild<QPageSetupDialog *>();
    QVERIFY(dialog);
    dialog->reject();
    QVERIFY(!window.isBlockedByDialog());
    QCOMPARE(blocked.size(), 2);
    QTRY_VERIFY(!window.findChild<QPageSetupDialog *>());
}

VORMA_GUI_TEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
