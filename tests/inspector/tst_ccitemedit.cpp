#include "inspector/ControllerTestSupport.h"
#include "GuiTestMain.h"

#include "inspector/HoverPoints.h"
#include "widgets/MidiEvent.h"
#include "widgets/WheellessChooser.h"
#include "widgets/WheellessQwpComboBox.h"

#include <QDial>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QtTest>

#include <limits>

namespace Keys = QmdVorma::Keys;

namespace {

void chooseCode(QComboBox *box, int code)
{
    box->setCurrentIndex(box->findData(code));
    settle();
}

bool sendMidi(QWidget *w, const QVector<quint8> &bytes)
{
    MidiEvent event(bytes, 0.0);
    return QCoreApplication::sendEvent(w, &event);
}

void pressKey(QWidget *w, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

} // namespace

class TestCCItemEdit : public QObject
{
    Q_OBJECT

private slots:
    void singleValueShowsTheValue();
    void sliderWritesTheFirstPoint();
    void curveLoadsIntoTheFrameWithLockedEnds();
    void pointBoxesMoveTheCurrentPoint();
    void draggingAPointWritesTheCurve();
    void damagedEntriesShowWithoutBeingRewritten();
    void codesPairAfterTheHandlerSettles_data();
    void codesPairAfterTheHandlerSettles();
    void editedCurveStaysWhenCodesChange();
    void widgetsFollowTheCodes();
    void midiLearn_data();
    void midiLearn();
    void midiLearnOnACurvePoint_data();
    void midiLearnOnACurvePoint();
    void undoOfACodeChangeKeepsRedoAndCleanState();
    void undoRestoringOddCodesWritesNothing();
    void buildingARowIssuesNoRequest();
    void onlyAUserTabChangeTakesTheFocus();
};

void TestCCItemEdit::singleValueShowsTheValue()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::SingleValue, 1, -1);
    f.set(id, Keys::CurvePoints, QVariant::fromValue(poly({{0, 10000}})));
    CCItemEdit *row = f.row(id);
    QVERIFY(row);
    QCOMPARE(row->stackedEditWidget->currentIndex(), 0);
    QCOMPARE(row->singleValueCombinedSlider->value(), 10000);
    QCOMPARE(row->singleValueCombinedDial->value(), 10000);
    QCOMPARE(row->singleValueStandardCombinedSpinBox->value(), 10000);
    QCOMPARE(row->singleValueMsbSpinBox->value(), 78);
    QCOMPARE(row->singleValueLsbSpinBox->value(), 16);
    QCOMPARE(row->singleValuePitchBendCombinedSpinBox->value(), 1808);
}

void TestCCItemEdit::sliderWritesTheFirstPoint()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::SingleValue, 1, -1);
    f.set(id, Keys::CurvePoints, QVariant::fromValue(poly({{0, 3}, {0.5, 7}})));
    CCItemEdit *row = f.row(id);
    row->singleValueCombinedSlider->setValue(5000);
    settle();
    QCOMPARE(f.points(id), poly({{0, 5000}, {0.5, 7}}));
    QCOMPARE(f.controller().undoText(), QStringLiteral("Set Data"));
    QCOMPARE(row->singleValueStandardCombinedSpinBox->value(), 5000);
    // MSB and LSB boxes make the value up again.
    row->singleValueMsbSpinBox->setValue(10);
    settle();
    QCOMPARE(f.points(id).first(), QPointF(0, 10 * 128 + 5000 % 128));
}

void TestCCItemEdit::curveLoadsIntoTheFrameWithLockedEnds()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, -1);
    f.set(id, Keys::CurvePoints, QVariant::fromValue(poly({{0, 0}, {0.5, 8192}, {1, 16383}})));
    CCItemEdit *row = f.row(id);
    HoverPoints *points = row->hoverPoints();
    QCOMPARE(row->stackedEditWidget->currentIndex(), 1);
    QCOMPARE(points->points().first(), QPointF(34, 66));
    QCOMPARE(points->points().last(), QPointF(231, 5));
    QCOMPARE(points->lockFlags(0), uint(HoverPoints::LockToLeft));
    QCOMPARE(points->lockFlags(2), uint(HoverPoints::LockToRight));
    QCOMPARE(points->currentIndex(), 0);
    pressKey(row->curveEdit, Qt::Key_Backspace);
    settle();
    QCOMPARE(f.points(id).size(), 3);
    QCOMPARE(points->currentIndex(), 0);
    points->setCurrentIndex(1);
    pressKey(row->curveEdit, Qt::Key_Delete);
    settle();
    QCOMPARE(f.points(id), poly({{0, 0}, {1, 16383}}));
    QCOMPARE(points->currentIndex(), 0);
    QCOMPARE(f.controller().undoText(), QStringLiteral("Curve Points"));
    // Elsewhere in the row the delete keys are the widget's own.
    pressKey(row->pointMsbSpinBox, Qt::Key_Delete);
    settle();
    QCOMPARE(f.points(id).size(), 2);
}

void TestCCItemEdit::pointBoxesMoveTheCurrentPoint()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::CubicCurve, 1, 33);
    f.set(id, Keys::CurvePoints, QVariant::fromValue(poly({{0, 0}, {0.25, 100}, {1, 0}})));
    CCItemEdit *row = f.row(id);
    row->hoverPoints()->setCurrentIndex(1);
    QCOMPARE(row->pointStandardCombinedSpinBox->value(), 100);
    row->pointXSpinBox->setValue(0.5);
    settle();
    QCOMPARE(f.points(id).at(1).x(), 0.5);
    row->pointStandardCombinedSpinBox->setValue(16383);
    settle();
    QCOMPARE(f.points(id).at(1), QPointF(0.5, 16383));
    row->hoverPoints()->setCurrentIndex(0);
    row->pointXSpinBox->setValue(0.5);
    settle();
    QCOMPARE(f.points(id).at(0).x(), 0.0);
    row->hoverPoints()->setCurrentIndex(3);
    QVERIFY(!row->pointXSpinBox->isEnabled() || row->hoverPoints()->currentIndex() == 0);
}

void TestCCItemEdit::draggingAPointWritesTheCurve()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, -1);
    CCItemEdit *row = f.row(id);
    QCOMPARE(f.points(id), poly({{0, 0}, {1, 0}}));
    const auto send = [&](QEvent::Type type, QPointF pos) {
        QMouseEvent event(type, pos, pos, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(row->curveEdit, &event);
    };
    send(QEvent::MouseButtonPress, QPointF(231, 66));
    send(QEvent::MouseMove, QPointF(250, 5));
    send(QEvent::MouseButtonRelease, QPointF(250, 5));
    settle();
    QCOMPARE(f.points(id), poly({{0, 0}, {1, 16383}}));
    QCOMPARE(f.controller().undoText(), QStringLiteral("Curve Points"));
    // A click on empty space adds a point, between the ends.
    send(QEvent::MouseButtonPress, QPointF(132.5, 35.5 - 10));
    send(QEvent::MouseButtonRelease, QPointF(132.5, 35.5 - 10));
    settle();
    QCOMPARE(f.points(id).size(), 3);
    QVERIFY(qAbs(f.points(id).at(1).x() - 0.5) < 0.01);
}

void TestCCItemEdit::damagedEntriesShowWithoutBeingRewritten()
{
    EdgeFixture f;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QPolygonF damaged = poly({{nan, 5}, {2, 99999}, {0.5, -3}});
    for (int i = 0; i < 3000; ++i)
        damaged << QPointF(i % 7 / 7.0, i);
    f.doc.write([&](QmdDirectModelInterface &d) {
        const QmdIndex edge = d.index(f.edge, d.index(Keys::Elements));
        d.setType(Keys::ContinuousControllers, Qmd::IntDict, edge);
        const QmdIndex controllers = d.index(Keys::ContinuousControllers, edge);
        const QmdIndex entry = d.index(d.addType(Qmd::StrDict, controllers), controllers);
        d.setData(Keys::CurveType, 2, entry);
        d.setData(Keys::MsbCode, 500, entry);
        d.setData(Keys::LsbCode, -9, entry);
        d.setData(Keys::CurvePoints, QVariant::fromValue(damaged), entry);
    });
    settle();
    const QString undoText = f.controller().undoText();
    f.select();
    const QmdItemId id = f.controller().itemIds(f.controllers()).first();
    CCItemEdit *row = f.row(id);
    QVERIFY(row);
    const QRectF bounds = CCItemEdit::curveBounds();
    for (const QPointF &p : row->hoverPoints()->points())
        QVERIFY(bounds.contains(p));
    QVERIFY(row->msbComboBox->currentIndex() <= 0);
    QVERIFY(!row->pointPitchBendCombinedSpinBox->isVisibleTo(row));
    QCOMPARE(f.value(id, Keys::MsbCode).toInt(), 500);
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), -9);
    QCOMPARE(f.points(id).size(), damaged.size());
    QCOMPARE(f.controller().undoText(), undoText);
}

void TestCCItemEdit::codesPairAfterTheHandlerSettles_data()
{
    QTest::addColumn<bool>("autoLsb");
    QTest::addColumn<int>("msb");
    QTest::addColumn<int>("lsb");
    QTest::addColumn<bool>("chooseLsb");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expectedMsb");
    QTest::addColumn<int>("expectedLsb");
    QTest::addColumn<double>("curveValue");
    QTest::newRow("volume") << false << 1 << -1 << false << 7 << 7 << -1 << 16256.0;
    QTest::newRow("volume, auto LSB") << true << 1 << 33 << false << 7 << 7 << 39 << 16383.0;
    QTest::newRow("pitch bend MSB") << false << 1 << -1 << false << -2 << -2 << -2 << 8192.0;
    QTest::newRow("pitch bend LSB") << false << 1 << -1 << true << -2 << -2 << -2 << 8192.0;
    QTest::newRow("leaving bend") << false << -2 << -2 << false << 1 << 1 << -1 << 0.0;
    QTest::newRow("leaving bend, auto") << true << -2 << -2 << false << 1 << 1 << 33 << 0.0;
    QTest::newRow("no partner keeps LSB") << true << 1 << 33 << false << 64 << 64 << 33 << 0.0;
    QTest::newRow("pan, auto") << true << 1 << 33 << false << 10 << 10 << 42 << 8192.0;
}

void TestCCItemEdit::codesPairAfterTheHandlerSettles()
{
    QFETCH(bool, autoLsb);
    QFETCH(int, msb);
    QFETCH(int, lsb);
    QFETCH(bool, chooseLsb);
    QFETCH(int, code);
    EdgeFixture f;
    f.settings.values.insert(controllersAutoLsbKey(), autoLsb);
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, msb, lsb);
    const QPolygonF before = f.points(id);
    CCItemEdit *row = f.row(id);
    chooseCode(chooseLsb ? row->lsbComboBox : row->msbComboBox, code);
    QTEST(f.value(id, Keys::MsbCode).toInt(), "expectedMsb");
    QTEST(f.value(id, Keys::LsbCode).toInt(), "expectedLsb");
    QFETCH(double, curveValue);
    QCOMPARE(f.points(id), poly({{0, curveValue}, {1, curveValue}}));
    QCOMPARE(row->msbComboBox->currentData().toInt(), f.value(id, Keys::MsbCode).toInt());
    QCOMPARE(row->lsbComboBox->currentData().toInt(), f.value(id, Keys::LsbCode).toInt());
    // The follow-ups are one step with the change.
    undo(f.doc);
    QCOMPARE(f.value(id, Keys::MsbCode).toInt(), msb);
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), lsb);
    QCOMPARE(f.points(id), before);
}

void TestCCItemEdit::editedCurveStaysWhenCodesChange()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, -1);
    f.set(id, Keys::CurvePoints, QVariant::fromValue(poly({{0, 10}, {1, 20}})));
    chooseCode(f.row(id)->msbComboBox, 7);
    QCOMPARE(f.points(id), poly({{0, 10}, {1, 20}}));
}

void TestCCItemEdit::widgetsFollowTheCodes()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::SingleValue, 1, -1);
    CCItemEdit *row = f.row(id);
    const auto shown = [row](QWidget *w) { return w->isVisibleTo(row); };
    QVERIFY(shown(row->singleValueMsbSpinBox));
    QVERIFY(!shown(row->singleValueLsbSpinBox));
    QVERIFY(!shown(row->singleValuePitchBendCombinedSpinBox));
    QVERIFY(row->curveEdit->styleSheet().contains("CurveEditBackgroundMsbOnly"));
    chooseCode(row->lsbComboBox, 33);
    QVERIFY(shown(row->singleValueLsbSpinBox));
    QVERIFY(shown(row->singleValueStandardCombinedSpinBox));
    QVERIFY(shown(row->singleValueCombinedValueMarkers));
    QVERIFY(row->curveEdit->styleSheet().contains("CurveEditBackgroundMsbCombined"));
    chooseCode(row->msbComboBox, -2);
    QVERIFY(!shown(row->singleValueMsbSpinBox));
    QVERIFY(!shown(row->singleValueLsbSpinBox));
    QVERIFY(shown(row->singleValuePitchBendCombinedSpinBox));
    QVERIFY(shown(row->singleValuePitchBendMarkers));
    QVERIFY(!row->lsbComboBox->isEnabled());
    QVERIFY(row->curveEdit->styleSheet().contains("CurveEditBackgroundPitchBend"));
}

void TestCCItemEdit::midiLearn_data()
{
    QTest::addColumn<QVector<quint8>>("bytes");
    QTest::addColumn<int>("msb");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("undoText");
    QTest::newRow("control change, any channel") << QVector<quint8>{0xB2, 0x4A, 0x40} << 74 << 64.0 * 128 + 16
                                                 << "Controller MSB && Value";
    QTest::newRow("pitch bend") << QVector<quint8>{0xE0, 0x00, 0x40} << -2 << 8192.0 << "Controller MSB && Value";
    QTest::newRow("note on") << QVector<quint8>{0x92, 0x40, 0x40} << 1 << 10000.0 << "Set";
    QTest::newRow("two bytes") << QVector<quint8>{0xB0, 0x07} << 1 << 10000.0 << "Set";
}

void TestCCItemEdit::midiLearn()
{
    QFETCH(QVector<quint8>, bytes);
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::SingleValue, 1, -1);
    f.set(id, Keys::CurvePoints, QVariant::fromValue(poly({{0, 10000}})));
    CCItemEdit *row = f.row(id);
    QVERIFY(sendMidi(row->singleValueCombinedDial, bytes));
    settle();
    QTEST(f.value(id, Keys::MsbCode).toInt(), "msb");
    QFETCH(double, value);
    QCOMPARE(f.points(id).first().y(), value);
    QTEST(f.controller().undoText(), "undoText");
    if (f.controller().undoText() != QLatin1String("Set")) {
        undo(f.doc);
        QCOMPARE(f.value(id, Keys::MsbCode).toInt(), 1);
        QCOMPARE(f.value(id, Keys::LsbCode).toInt(), -1);
        QCOMPARE(f.points(id), poly({{0, 10000}}));
    }
    // The curve-type chooser learns nothing.
    const int msb = f.value(id, Keys::MsbCode).toInt();
    sendMidi(row->curveTypeChooser, {0xB0, 0x0B, 0x40});
    settle();
    QCOMPARE(f.value(id, Keys::MsbCode).toInt(), msb);
}

void TestCCItemEdit::midiLearnOnACurvePoint_data()
{
    QTest::addColumn<QPolygonF>("stored"); // empty: the default curve
    QTest::addColumn<int>("current");      // in the frame, along x
    QTest::addColumn<QPolygonF>("learnt");
    QTest::newRow("default curve") << QPolygonF() << 1 << poly({{0, 0}, {1, 127 * 128}});
    // The frame shows (0, 200), (0.5, 300), (1, 100); its middle point is
    // the last one stored, and only it changes (keeping its fine part).
    QTest::newRow("stored out of order") << poly({{1, 100}, {0, 200}, {0.5, 300}}) << 1
                                         << poly({{1, 100}, {0, 200}, {0.5, 127 * 128 + 300 % 128}});
}

void TestCCItemEdit::midiLearnOnACurvePoint()
{
    QFETCH(QPolygonF, stored);
    QFETCH(int, current);
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, -1);
    if (!stored.isEmpty())
        f.set(id, Keys::CurvePoints, QVariant::fromValue(stored));
    CCItemEdit *row = f.row(id);
    row->hoverPoints()->setCurrentIndex(current);
    QVERIFY(sendMidi(row->curveEdit, {0xB0, 0x07, 0x7F}));
    settle();
    QCOMPARE(f.value(id, Keys::MsbCode).toInt(), 7);
    QTEST(f.points(id), "learnt");
    QCOMPARE(f.controller().undoText(), QStringLiteral("Controller MSB && Curve Points"));
}

void TestCCItemEdit::undoOfACodeChangeKeepsRedoAndCleanState()
{
    EdgeFixture f;
    f.settings.values.insert(controllersAutoLsbKey(), true);
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, 33);
    f.controller().requestMarkAsCleanState();
    settle();
    chooseCode(f.row(id)->msbComboBox, 7);
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), 39);
    QVERIFY(!f.controller().isAtCleanState());
    undo(f.doc);
    QVERIFY(f.controller().canRedo());
    QVERIFY(f.controller().isAtCleanState());
    QCOMPARE(f.value(id, Keys::MsbCode).toInt(), 1);
    redo(f.doc);
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), 39);
    QCOMPARE(f.points(id), poly({{0, 16383}, {1, 16383}}));
    QVERIFY(f.controller().canUndo());
}

void TestCCItemEdit::undoRestoringOddCodesWritesNothing()
{
    EdgeFixture f;
    f.settings.values.insert(controllersAutoLsbKey(), true);
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, 33);
    f.list.setEdge(0);
    settle();
    // Pitch bend with a controller LSB, as an older file may hold it.
    f.doc.write([&](QmdDirectModelInterface &d) {
        d.setData(Keys::MsbCode, -2, f.entry(id));
        d.setData(Keys::LsbCode, 5, f.entry(id));
    });
    settle();
    f.select();
    chooseCode(f.row(id)->msbComboBox, 1);
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), 33);
    undo(f.doc);
    QCOMPARE(f.value(id, Keys::MsbCode).toInt(), -2);
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), 5);
    QVERIFY(f.controller().canRedo());
    redo(f.doc);
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), 33);
}

void TestCCItemEdit::buildingARowIssuesNoRequest()
{
    EdgeFixture f;
    f.settings.values.insert(controllersAutoLsbKey(), true);
    f.select();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, -1);
    f.list.setEdge(0);
    settle();
    // Codes that pairing would change, as a file may hold them.
    f.doc.write([&](QmdDirectModelInterface &d) {
        const QmdIndex entry = f.entry(id);
        d.setData(Keys::MsbCode, -2, entry);
        d.setData(Keys::LsbCode, 5, entry);
    });
    settle();
    // A step to redo, which selecting must keep.
    f.controller().requestSetData(Keys::Tempo, 100, QmdIndex(), QmdRequestOptions{0, QStringLiteral("Tempo"), 0});
    settle();
    undo(f.doc);
    const QString undoText = f.controller().undoText();
    const QPolygonF before = f.points(id);
    f.select();
    f.select();
    QVERIFY(f.row(id));
    QCOMPARE(f.value(id, Keys::LsbCode).toInt(), 5);
    QCOMPARE(f.points(id), before);
    QCOMPARE(f.controller().undoText(), undoText);
    QCOMPARE(f.controller().redoText(), QStringLiteral("Tempo"));
}

void TestCCItemEdit::onlyAUserTabChangeTakesTheFocus()
{
    QWidget window; // outlives the list it holds
    EdgeFixture f;
    auto *layout = new QVBoxLayout(&window);
    auto *canvas = new QLineEdit(&window);
    layout->addWidget(canvas);
    layout->addWidget(&f.list);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    canvas->setFocus();
    const QmdItemId id = f.addController(QmdVorma::LinearCurve, 1, -1);
    f.select();
    QCOMPARE(QApplication::focusWidget(), canvas);
    CCItemEdit *row = f.row(id);
    // Following the document leaves the focus where it is.
    f.set(id, Keys::CurveType, 3);
    QCOMPARE(row->curveTypeChooser->currentIndex(), 3);
    QCOMPARE(QApplication::focusWidget(), canvas);
    QTest::mouseClick(row->curveTypeChooser, Qt::LeftButton, {}, row->curveTypeChooser->tabRect(1).center());
    settle();
    QCOMPARE(f.value(id, Keys::CurveType).toInt(), 1);
    QCOMPARE(QApplication::focusWidget(), row->msbComboBox);
}

VORMA_GUI_TEST_MAIN(TestCCItemEdit)
#include "tst_ccitemedit.moc"
