#include "FakeDialogsProvider.h"
#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "canvas/GraphicsTextBoxEdit.h"
#include "canvas/GraphicsTextBoxItem.h"
#include "widgets/ApplicationServices.h"

#include <QGraphicsSceneContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

#include <functional>

using namespace QmdVorma;

// Stands in for the document window: the view inside, and the signal it
// emits before saving.
class FakeWindow : public QWidget
{
    Q_OBJECT
signals:
    void saveRequested();
};

namespace {

const QString boxText = QStringLiteral("<html><body>Hello world</body></html>");

// A document on a view inside an active window, holding one text box at
// the origin whose editor (opened when it was drawn) has been closed.
struct TextBoxFixture : CanvasDocument
{
    FakeWindow window;
    NetworkView *view = new NetworkView;
    QmdItemId box = 0;

    TextBoxFixture()
    {
        attach();
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        view->setNetworkScene(&scene);
        view->setController(&doc.controller);
        window.resize(600, 400);
        window.show();
        window.activateWindow();
        const bool active = QTest::qWaitForWindowActive(&window);
        Q_ASSERT(active);
        Q_UNUSED(active)
        view->setSceneRect(-300, -200, 600, 400);
        view->centerOn(0, 0);
        setRoot(Keys::Tool, NetworkView::SelectionTool);

        doc.controller.requestAddTextBox(TickPoint(0, 0), boxText, {},
                                         QmdRequestOptions{0, QStringLiteral("Text Box"), 0});
        settle();
        box = lastElement(doc);
        item()->closeEditor();
        scene.clearSelection();
        settle();
    }

    GraphicsTextBoxItem *item() const { return CanvasDocument::item<GraphicsTextBoxItem>(box); }
    GraphicsTextBoxEdit *editor() const { return item() ? item()->editor() : nullptr; }
    QString storedText() const { return doc.controller.elementData(box, Keys::Text).toString(); }

    QPoint at(const QPointF &scenePos) const { return view->mapFromScene(scenePos); }
    // A point on the box's text, item coordinates to the view's.
    QPoint onText(double x) const { return at(item()->mapToScene(QPointF(x, item()->boundingRect().center().y()))); }

    void click(const QPoint &pos)
    {
        QMouseEvent press(QEvent::MouseButtonPress, pos, view->viewport()->mapToGlobal(pos), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, pos, view->viewport()->mapToGlobal(pos), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &release);
        settle();
    }
    void clickOnEmptyCanvas() { click(at(QPointF(-250, 150))); }

    void openEditor()
    {
        item()->openEditor(item()->boundingRect().center());
        QVERIFY(editor());
        QCOMPARE(scene.focusItem(), editor());
    }
    void type(const QString &text) { QTest::keyClicks(view, text); }
};

// How many pixels of the item, painted on the background, pass the test.
int pixelsWhere(QGraphicsItem *item, const QColor &background, const std::function<bool(const QColor &)> &test)
{
    QImage image(160, 60, QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    QStyleOptionGraphicsItem option;
    option.exposedRect = item->boundingRect();
    item->paint(&painter, &option, nullptr);
    painter.end();
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    }
    return n;
}

// How many pixels of the item, painted on mid grey, are in that colour.
int pixelsIn(QGraphicsItem *item, const QColor &colour)
{
    return pixelsWhere(item, QColor(128, 128, 128), [colour](const QColor &c) {
        return qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) + qAbs(c.blue() - colour.blue()) < 30;
    });
}

} // namespace

class TestTextBoxes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }
    void cleanup() { ApplicationServices::registerProvider(nullptr); }

    void newBoxIsEditedWithItsTextSelected();
    void firstClickSelectsSecondClickEditsAtTheClick();
    void textToolOpensTheEditorOnABox();
    void editorPaintsInsteadOfTheBox();
    void closingWithoutChangeMakesNoStep();
    void editingEndsInOneTextStep();
    void saveRequestCommitsFirst();
    void focusToItsMenuKeepsTheEditorOpen();
    void fontMenuActsOnTheSelection();
    void focusToAServingDialogKeepsTheEditorOpen_data();
    void focusToAServingDialogKeepsTheEditorOpen();
    void formatKeys_data();
    void formatKeys();
    void boxGoingWhileEditedWritesNothing_data();
    void boxGoingWhileEditedWritesNothing();
    void textTakesTheAnnotationColourUnlessItHasItsOwn_data();
    void textTakesTheAnnotationColourUnlessItHasItsOwn();
    void typedTextKeepsFollowingTheStyle();
};

void TestTextBoxes::newBoxIsEditedWithItsTextSelected()
{
    TextBoxFixture f;
    f.doc.controller.requestAddTextBox(TickPoint(0, 2000), boxText);
    settle();
    auto *added = f.CanvasDocument::item<GraphicsTextBoxItem>(lastElement(f.doc));
    QVERIFY(added->editor());
    QCOMPARE(added->editor()->textEdit()->textCursor().selectedText(), QStringLiteral("Hello world"));
    QCOMPARE(added->editor()->textEdit()->document(), added->document());

    added->closeEditor();
    undo(f.doc);
    redo(f.doc);
    auto *back = f.CanvasDocument::item<GraphicsTextBoxItem>(lastElement(f.doc));
    QVERIFY(back);
    QVERIFY(!back->editor());
}

void TestTextBoxes::firstClickSelectsSecondClickEditsAtTheClick()
{
    TextBoxFixture f;
    const QTextLine line = f.item()->document()->begin().layout()->lineAt(0);
    const double afterHello = f.item()->document()->documentMargin() + line.cursorToX(5);
    f.click(f.onText(afterHello + 1));
    QVERIFY(f.item()->isSelected());
    QVERIFY(!f.editor());

    f.click(f.onText(afterHello + 1));
    QVERIFY(f.editor());
    QCOMPARE(f.editor()->textEdit()->textCursor().position(), 5);
    QVERIFY(!f.editor()->textEdit()->textCursor().hasSelection());
}

void TestTextBoxes::textToolOpensTheEditorOnABox()
{
    TextBoxFixture f;
    f.setRoot(Keys::Tool, NetworkView::TextBoxTool);
    const int boxes = f.doc.controller.elementIds().size();
    f.click(f.onText(5));
    QVERIFY(f.editor());
    QCOMPARE(f.doc.controller.elementIds().size(), boxes);
}

void TestTextBoxes::editorPaintsInsteadOfTheBox()
{
    TextBoxFixture f;
    // The count of light (text) pixels the item paints on black.
    const auto lightPixels = [](QGraphicsItem *item) {
        return pixelsWhere(item, Qt::black, [](const QColor &c) { return qGray(c.rgb()) > 128; });
    };
    QVERIFY(lightPixels(f.item()) > 20);
    f.openEditor();
    QCOMPARE(lightPixels(f.item()), 0);
    QVERIFY(lightPixels(f.editor()) > 20);
    f.item()->closeEditor();
    QVERIFY(lightPixels(f.item()) > 20);
}

void TestTextBoxes::closingWithoutChangeMakesNoStep()
{
    TextBoxFixture f;
    f.openEditor();
    f.clickOnEmptyCanvas();
    QVERIFY(!f.editor());
    QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Text Box"));
}

void TestTextBoxes::editingEndsInOneTextStep()
{
    TextBoxFixture f;
    f.openEditor();
    f.type(QStringLiteral("Big "));
    QVERIFY(f.item()->toPlainText().startsWith(QStringLiteral("Hello")));
    QVERIFY(f.item()->toPlainText().contains(QStringLiteral("Big ")));
    QCOMPARE(f.storedText(), boxText); // nothing written while typing

    f.clickOnEmptyCanvas();
    QTRY_VERIFY(!f.editor());
    QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Text"));
    QCOMPARE(f.storedText(), f.item()->toHtml());
    QVERIFY(f.storedText().contains(QStringLiteral("Big ")));

    undo(f.doc);
    QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Text Box"));
    QCOMPARE(f.item()->toPlainText(), QStringLiteral("Hello world"));
}

void TestTextBoxes::saveRequestCommitsFirst()
{
    TextBoxFixture f;
    f.openEditor();
    f.type(QStringLiteral("Saved "));
    QString textWhenSaving;
    QObject::connect(&f.window, &FakeWindow::saveRequested, &f.window,
                     [&] { textWhenSaving = f.storedText(); });
    emit f.window.saveRequested();
    // The editor connected first, so it wrote before the window went on.
    QVERIFY(textWhenSaving.contains(QStringLiteral("Saved ")));
    QVERIFY(!f.editor());
    QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Text"));

    // A closed editor no longer listens.
    f.openEditor();
    f.item()->closeEditor();
    emit f.window.saveRequested();
    QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Text"));
}

void TestTextBoxes::focusToItsMenuKeepsTheEditorOpen()
{
    TextBoxFixture f;
    f.openEditor();
    bool openDuringMenu = false;
    QStringList entries;
    QTimer::singleShot(0, [&] {
        QMenu *menu = f.editor() ? f.editor()->openContextMenu() : nullptr;
        if (!menu)
            return;
        for (QAction *action : menu->actions())
            entries << action->text();
        f.scene.setFocusItem(nullptr);
        openDuringMenu = f.editor() != nullptr;
        menu->close();
    });
    QGraphicsSceneContextMenuEvent event(QEvent::GraphicsSceneContextMenu);
    event.setScenePos(f.item()->mapToScene(f.item()->boundingRect().center()));
    event.setScreenPos(f.view->viewport()->mapToGlobal(f.at(event.scenePos())));
    QApplication::sendEvent(&f.scene, &event);

    QVERIFY(openDuringMenu);
    QCOMPARE(entries, (QStringList{"Cu&t", "&Copy", "&Paste", "&Delete", "Select A&ll", "", "&Font"}));
    QVERIFY(f.editor());
    QVERIFY(!f.editor()->openContextMenu());
}

void TestTextBoxes::fontMenuActsOnTheSelection()
{
    FakeDialogsProvider dialogs;
    ApplicationServices::registerProvider(&dialogs);
    TextBoxFixture f;
    f.openEditor();
    f.item()->selectAll();
    QStringList fontEntries;
    bool boldChecked = true;
    QTimer::singleShot(0, [&] {
        QMenu *menu = f.editor()->openContextMenu();
        QMenu *fontMenu = menu->actions().last()->menu();
        for (QAction *action : fontMenu->actions()) {
            fontEntries << action->text();
            if (action->text() == QStringLiteral("&Bold"))
                boldChecked = action->isChecked();
            if (action->text() == QStringLiteral("&Size")) {
                for (QAction *size : action->menu()->actions()) {
                    if (size->text() == QStringLiteral("96"))
                        size->trigger();
                }
            }
            if (action->text() == QStringLiteral("Show &Colors"))
                action->trigger();
        }
        menu->close();
    });
    QGraphicsSceneContextMenuEvent event(QEvent::GraphicsSceneContextMenu);
    event.setScenePos(f.item()->mapToScene(f.item()->boundingRect().center()));
    QApplication::sendEvent(&f.scene, &event);

    QCOMPARE(fontEntries, (QStringList{"&Family", "&Size", "&Bold", "&Italic", "&Underline", "", "Show &Colors"}));
    QVERIFY(!boldChecked);
    QCOMPARE(f.editor()->textEdit()->fontPointSize(), 96.0);
    QCOMPARE(f.editor()->textEdit()->toPlainText(), QStringLiteral("Hello world"));
    QCOMPARE(dialogs.colorShown, 1);
    f.editor()->setFontSmaller();
    QCOMPARE(f.editor()->textEdit()->fontPointSize(), 95.0);
}

void TestTextBoxes::focusToAServingDialogKeepsTheEditorOpen_data()
{
    QTest::addColumn<bool>("fontShown");
    QTest::addColumn<bool>("colorShown");
    QTest::addColumn<bool>("servesEditor");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("font dialog serving it") << true << false << true << true;
    QTest::newRow("colour dialog serving it") << false << true << true << true;
    QTest::newRow("dialog serving another") << true << true << false << false;
    QTest::newRow("hidden dialogs") << false << false << true << false;
}

void TestTextBoxes::focusToAServingDialogKeepsTheEditorOpen()
{
    QFETCH(bool, fontShown);
    QFETCH(bool, colorShown);
    QFETCH(bool, servesEditor);
    QFETCH(bool, staysOpen);
    FakeDialogsProvider dialogs;
    ApplicationServices::registerProvider(&dialogs);
    TextBoxFixture f;
    f.click(f.onText(5));
    f.click(f.onText(5));
    QVERIFY(f.editor());
    f.click(f.onText(8)); // a press in the editor makes it the dialogs' client
    QCOMPARE(dialogs.fontClient.data(), f.editor()->textEdit());
    QCOMPARE(dialogs.colorClient.data(), f.editor()->textEdit());
    QObject other;
    if (!servesEditor)
        dialogs.fontClient = dialogs.colorClient = &other;
    dialogs.fontVisible = fontShown;
    dialogs.colorVisible = colorShown;

    f.scene.setFocusItem(nullptr);
    settle();
    QCOMPARE(f.editor() != nullptr, staysOpen);
}

void TestTextBoxes::formatKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("format"); // b, i, u or nothing

    QTest::newRow("Ctrl+B") << int(Qt::Key_B) << int(Qt::ControlModifier) << "b";
    QTest::newRow("Ctrl+I") << int(Qt::Key_I) << int(Qt::ControlModifier) << "i";
    QTest::newRow("Ctrl+U") << int(Qt::Key_U) << int(Qt::ControlModifier) << "u";
    QTest::newRow("Ctrl+Shift+B") << int(Qt::Key_B) << int(Qt::ControlModifier | Qt::ShiftModifier) << "";
    QTest::newRow("Ctrl+Shift+I") << int(Qt::Key_I) << int(Qt::ControlModifier | Qt::ShiftModifier) << "";
}

void TestTextBoxes::formatKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, format);
    TextBoxFixture f;
    f.openEditor();
    f.item()->selectAll();
    QTest::keyClick(f.view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTextEdit *edit = f.editor()->textEdit();
    QCOMPARE(edit->fontWeight() > QFont::Normal, format == "b");
    QCOMPARE(edit->fontItalic(), format == "i");
    QCOMPARE(edit->fontUnderline(), format == "u");
    QCOMPARE(edit->toPlainText(), QStringLiteral("Hello world"));

    if (format == "b") { // and back
        QTest::keyClick(f.view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(edit->fontWeight(), int(QFont::Normal));
    }
}

void TestTextBoxes::boxGoingWhileEditedWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("undo of its creation") << "undo";
    QTest::newRow("removed") << "remove";
    QTest::newRow("reset") << "reset";
}

void TestTextBoxes::boxGoingWhileEditedWritesNothing()
{
    QFETCH(QString, how);
    TextBoxFixture f;
    f.openEditor();
    f.type(QStringLiteral("Lost "));
    QPointer<GraphicsTextBoxEdit> editor = f.editor();
    QString expectedUndo;
    if (how == "undo") {
        undo(f.doc);
        QCOMPARE(f.doc.controller.redoText(), QStringLiteral("Text Box"));
    } else if (how == "remove") {
        removeElements(f.doc, {f.box});
        expectedUndo = f.doc.controller.undoText();
    } else {
        f.doc.controller.reset();
        settle();
        QCOMPARE(f.storedText(), boxText);
        QCOMPARE(f.item()->toHtml(), f.CanvasDocument::item<GraphicsTextBoxItem>(f.box)->toHtml());
        QVERIFY(!f.item()->toPlainText().contains(QStringLiteral("Lost")));
        expectedUndo = QStringLiteral("Text Box");
    }
    QVERIFY(!editor);
    QVERIFY(!f.scene.focusItem());
    if (!expectedUndo.isEmpty())
        QCOMPARE(f.doc.controller.undoText(), expectedUndo);
    emit f.window.saveRequested();
    settle();
    if (!expectedUndo.isEmpty())
        QCOMPARE(f.doc.controller.undoText(), expectedUndo);
}

void TestTextBoxes::textTakesTheAnnotationColourUnlessItHasItsOwn_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QColor>("colour");
    const QString red = QStringLiteral("<html><body><span style=\"color:#ff0000\">Hello world</span></body></html>");
    // Dark's annotation colour is half transparent white; text is opaque.
    QTest::newRow("Dark") << "Dark" << boxText << QColor(Qt::white);
    QTest::newRow("Light") << "Light" << boxText << QColor(Qt::black);
    QTest::newRow("its own colour under Dark") << "Dark" << red << QColor(Qt::red);
    QTest::newRow("its own colour under Light") << "Light" << red << QColor(Qt::red);
}

void TestTextBoxes::textTakesTheAnnotationColourUnlessItHasItsOwn()
{
    QFETCH(QString, preset);
    QFETCH(QString, html);
    QFETCH(QColor, colour);
    FakeDialogsProvider dialogs;
    ApplicationServices::registerProvider(&dialogs);
    TextBoxFixture f;
    f.setElement(f.box, Keys::Text, html);
    // From "Light" to the row's preset, so the box follows a change.
    f.doc.controller.requestLoadStylePreset(QStringLiteral("Light"));
    f.doc.controller.requestLoadStylePreset(QStringLiteral("Dark"));
    f.doc.controller.requestLoadStylePreset(preset);
    settle();
    QVERIFY(pixelsIn(f.item(), colour) > 20);

    f.doc.controller.requestAddTextBox(TickPoint(0, 2000), html);
    settle();
    auto *added = f.CanvasDocument::item<GraphicsTextBoxItem>(lastElement(f.doc));
    added->closeEditor();
    QVERIFY(pixelsIn(added, colour) > 20);

    f.openEditor();
    QVERIFY(pixelsIn(f.editor(), colour) > 20);
    QCOMPARE(dialogs.colorUpdated, colour); // the shared colour dialog shows the text's colour
}

void TestTextBoxes::typedTextKeepsFollowingTheStyle()
{
    TextBoxFixture f;
    f.openEditor();
    f.type(QStringLiteral("Typed "));
    f.clickOnEmptyCanvas();
    QTRY_VERIFY(!f.editor());
    QVERIFY(f.storedText().contains(QStringLiteral("Typed ")));
    QVERIFY2(!f.storedText().contains(QStringLiteral("color:")), qPrintable(f.storedText()));

    f.doc.controller.requestLoadStylePreset(QStringLiteral("Light"));
    settle();
    QVERIFY(pixelsIn(f.item(), Qt::black) > 20);
    QCOMPARE(pixelsIn(f.item(), Qt::white), 0);
}

VORMA_GUI_TEST_MAIN(TestTextBoxes)
#include "tst_textboxes.moc"
