#include "inspector/CCItemEdit.h"

#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "inspector/ControllerCodeRules.h"
#include "inspector/ControllerInfo.h"
#include "inspector/HoverPoints.h"
#include "widgets/ApplicationServices.h"
#include "widgets/MidiEvent.h"
#include "widgets/WheellessChooser.h"
#include "widgets/WheellessQwpComboBox.h"

#include <QDial>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace Keys = QmdVorma::Keys;

namespace {

constexpr double MaxValue = 16383;
constexpr QmdRequestId NoRequestId = QmdRequestId(-1);

// A document value as a whole number, halves away from zero; damaged values
// (not finite, far out of range) read as the nearest end of 0..16383.
int wholeValue(double y)
{
    if (std::isnan(y))
        return 0;
    return int(std::round(qBound(0.0, y, MaxValue)));
}

bool isCode(int code)
{
    return code >= -2 && code <= 127;
}

QPointF finitePoint(const QPointF &p)
{
    return QPointF(std::isfinite(p.x()) ? p.x() : 0, std::isfinite(p.y()) ? p.y() : 0);
}

// The stored points in the order the frame shows them, along x (points at
// the same x as stored): the frame's index i is stored index order[i].
QVector<int> displayOrder(const QPolygonF &points)
{
    QVector<int> order(points.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&points](int a, int b) { return finitePoint(points.at(a)).x() < finitePoint(points.at(b)).x(); });
    return order;
}

// The curve as the frame shows it: finite and in order along x. The stored
// points stay as they are until the user edits the curve.
QPolygonF displayPoints(const QPolygonF &points)
{
    QPolygonF shown;
    shown.reserve(points.size());
    for (int i : displayOrder(points))
        shown.append(finitePoint(points.at(i)));
    return shown;
}

QString backgroundStyleSheet(int msb, int lsb)
{
    const char *picture = msb == -2 ? "CurveEditBackgroundPitchBend"
        : lsb >= 0                  ? "CurveEditBackgroundMsbCombined"
                                    : "CurveEditBackgroundMsbOnly";
    return QStringLiteral("QFrame#curveEdit {  background-image: url(:/images/%1.png);}").arg(QLatin1String(picture));
}

void fillCodeChooser(QwpComboBox *box)
{
    box->addItem(CCItemEdit::tr("None"), -1);
    box->insertSeparator(1);
    box->addItem(CCItemEdit::tr("Pitch Bend"), -2);
    box->insertSeparator(3);
    const QVector<ControllerInfo> &infos = controllerInfos();
    for (int code = 0; code < infos.size(); ++code)
        box->addItem(infos.at(code).name, code);
}

} // namespace

CCItemEdit::CCItemEdit(CCListEdit *list, const QmdIndex &entryIndex)
    : CCItem(list),
      m_entryIndex(entryIndex)
{
    fillCodeChooser(msbComboBox);
    fillCodeChooser(lsbComboBox);
    // A long controller name shows partly (whole in the list) rather than
    // make the row, and the inspector with it, as wide as the longest.
    for (QComboBox *box : {static_cast<QComboBox *>(msbComboBox), static_cast<QComboBox *>(lsbComboBox)}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(12);
    }

    // The single value: one 14-bit value seen as slider, dial and boxes.
    for (QAbstractSlider *slider : {static_cast<QAbstractSlider *>(singleValueCombinedSlider),
                                    static_cast<QAbstractSlider *>(singleValueCombinedDial)}) {
        slider->setRange(0, 16383);
        slider->setPageStep(127);
        slider->setSingleStep(127);
        connect(slider, &QAbstractSlider::valueChanged, this, &CCItemEdit::onSingleValueStandardCombinedValueChanged);
    }
    singleValueCombinedSlider->setTickInterval(1638);
    singleValueCombinedDial->setNotchesVisible(true);
    singleValueCombinedDial->setNotchTarget(0.1);
    singleValueStandardCombinedSpinBox->setRange(0, 16383);
    singleValueStandardCombinedSpinBox->setSingleStep(127);
    singleValueMsbSpinBox->setRange(0, 127);
    singleValueLsbSpinBox->setRange(0, 127);
    singleValuePitchBendCombinedSpinBox->setRange(-8192, 8191);
    singleValuePitchBendCombinedSpinBox->setSingleStep(127);
    const auto intChanged = QOverload<int>::of(&QSpinBox::valueChanged);
    connect(singleValueStandardCombinedSpinBox, intChanged, this,
            &CCItemEdit::onSingleValueStandardCombinedValueChanged);
    connect(singleValueMsbSpinBox, intChanged, this, &CCItemEdit::onSingleValueMsbOrLsbValueChanged);
    connect(singleValueLsbSpinBox, intChanged, this, &CCItemEdit::onSingleValueMsbOrLsbValueChanged);
    connect(singleValuePitchBendCombinedSpinBox, intChanged, this,
            &CCItemEdit::onSingleValuePitchBendCombinedValueChanged);

    // The curve: hover points over the frame's pictured plot area.
    curveEdit->setFixedSize(265, 80);
    m_hoverPoints = new HoverPoints(curveEdit, HoverPoints::CircleShape);
    m_hoverPoints->setBoundingRect(curveBounds());
    m_hoverPoints->setMarkerSize(QSizeF(7, 7));
    m_hoverPoints->setSortMode(HoverPoints::XSort);
    const QPen ink(QColor(70, 70, 70));
    m_hoverPoints->setLinePen(ink);
    m_hoverPoints->setMarkerPen(ink);
    m_hoverPoints->setMarkerBrush(QColor(120, 120, 120));
    connect(m_hoverPoints, &HoverPoints::mouseButtonPressed, this, &CCItemEdit::onHoverPointsMouseButtonPressed);
    connect(m_hoverPoints, &HoverPoints::mouseButtonReleased, this, &CCItemEdit::onHoverPointsMouseButtonReleased);
    connect(m_hoverPoints, &HoverPoints::pointsChanged, this, &CCItemEdit::onHoverPointsChanged);
    connect(m_hoverPoints, &HoverPoints::currentIndexChanged, this, &CCItemEdit::onHoverPointsCurrentIndexChanged);
    pointXSpinBox->setRange(0, 1);
    pointStandardCombinedSpinBox->setRange(0, 16383);
    pointStandardCombinedSpinBox->setSingleStep(127);
    pointMsbSpinBox->setRange(0, 127);
    pointLsbSpinBox->setRange(0, 127);
    pointPitchBendCombinedSpinBox->setRange(-8192, 8191);
    pointPitchBendCombinedSpinBox->setSingleStep(127);
    connect(pointXSpinBox, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &CCItemEdit::onPointXOrCombinedValueChanged);
    connect(pointStandardCombinedSpinBox, intChanged, this, &CCItemEdit::onPointXOrCombinedValueChanged);
    connect(pointMsbSpinBox, intChanged, this, &CCItemEdit::onPointMsbOrLsbValueChanged);
    connect(pointLsbSpinBox, intChanged, this, &CCItemEdit::onPointMsbOrLsbValueChanged);
    connect(pointPitchBendCombinedSpinBox, intChanged, this, &CCItemEdit::onPointPitchBendCombinedValueChanged);

    // MIDI learn and the delete keys.
    for (QWidget *w : {static_cast<QWidget *>(msbComboBox), static_cast<QWidget *>(lsbComboBox),
                       static_cast<QWidget *>(singleValueCombinedSlider),
                       static_cast<QWidget *>(singleValueCombinedDial),
                       static_cast<QWidget *>(singleValueStandardCombinedSpinBox),
                       static_cast<QWidget *>(singleValuePitchBendCombinedSpinBox),
                       static_cast<QWidget *>(singleValueMsbSpinBox), static_cast<QWidget *>(singleValueLsbSpinBox),
                       static_cast<QWidget *>(curveEdit), static_cast<QWidget *>(pointStandardCombinedSpinBox),
                       static_cast<QWidget *>(pointPitchBendCombinedSpinBox), static_cast<QWidget *>(pointMsbSpinBox),
                       static_cast<QWidget *>(pointLsbSpinBox)}) {
        w->setFocusPolicy(Qt::StrongFocus);
        w->installEventFilter(this);
    }
    curveTypeChooser->installEventFilter(this);

    QmdVormaController *c = controller();
    if (c) {
        connect(c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged), this,
                &CCItemEdit::onStrDictItemsChanged);
        c->bind(curveTypeChooser, "currentIndex", SIGNAL(currentChanged(int)), Keys::CurveType, m_entryIndex, 0, 0,
                tr("Curve Type"));
        c->bind(this, "curvePoints", SIGNAL(curvePointsChanged()), Keys::CurvePoints, m_entryIndex, QVariant(),
                QVariant(), tr("Curve Points"));
        c->bind(msbComboBox, "currentKey", SIGNAL(currentIndexChanged(int)), Keys::MsbCode, m_entryIndex, QString(),
                QString(), tr("Controller MSB"));
        c->bind(lsbComboBox, "currentKey", SIGNAL(currentIndexChanged(int)), Keys::LsbCode, m_entryIndex, QString(),
                QString(), tr("Controller LSB"));
    }
    handleCodes(true, true, NoRequestId, true);

    // The designed height, unless the codes, the curve and the value boxes
    // need more at the running font. Polished first: the style sheets size
    // the boxes.
    ensurePolished();
    editContainer->setFixedHeight(qMax(160, editContainer->minimumSizeHint().height()));
}

void CCItemEdit::detach()
{
    if (QmdVormaController *c = controller()) {
        disconnect(c, nullptr, this, nullptr);
        c->unbindForDeletion(QObjectList{curveTypeChooser, this, msbComboBox, lsbComboBox});
    }
    QmdObserver<QmdVormaController>::setController(nullptr);
}

QRectF CCItemEdit::curveBounds()
{
    return QRectF(34, 5, 197, 61);
}

QPointF CCItemEdit::frameFromDocument(const QPointF &point)
{
    const QRectF b = curveBounds();
    return QPointF(b.x() + point.x() * b.width(), b.y() + (1 - point.y() / MaxValue) * b.height());
}

QPointF CCItemEdit::documentFromFrame(const QPointF &point)
{
    const QRectF b = curveBounds();
    return QPointF((point.x() - b.x()) / b.width(), std::round((1 - (point.y() - b.y()) / b.height()) * MaxValue));
}

void CCItemEdit::setEntryData(const QString &key, const QVariant &value, const QString &text, QmdRequestId rid)
{
    if (QmdVormaController *c = controller())
        c->requestSetData(key, value, m_entryIndex, QmdRequestOptions{0, text, rid});
}

// ---- Curve type and points --------------------------------------------------

void CCItemEdit::curveTypeChanged(int curveType)
{
    switch (curveType) {
    case QmdVorma::SingleValue:
        stackedEditWidget->setCurrentIndex(0);
        break;
    case QmdVorma::LinearCurve:
    case QmdVorma::CubicCurve:
        stackedEditWidget->setCurrentIndex(1);
        m_hoverPoints->setEditable(true);
        m_hoverPoints->setLinkStyle(curveType == QmdVorma::LinearCurve ? HoverPoints::LineLink
                                                                        : HoverPoints::CurveLink);
        break;
    default:
        break;
    }
    curveEdit->update();
    // Building the row or following the document (undo, another window)
    // must not take the focus from where the user works.
    if (m_userChoosingTab)
        msbComboBox->setFocus(Qt::OtherFocusReason);
    setCurvePoints(m_curvePoints, true);
}

void CCItemEdit::setCurvePoints(const QPolygonF &points)
{
    setCurvePoints(points, false);
}

void CCItemEdit::setCurvePoints(const QPolygonF &points, bool force)
{
    if (!force && points == m_curvePoints)
        return;
    m_curvePoints = points;
    switch (curveTypeChooser->currentIndex()) {
    case QmdVorma::SingleValue: {
        const int v = points.isEmpty() ? 0 : wholeValue(points.first().y());
        const QSignalBlocker b1(singleValueCombinedSlider), b2(singleValueCombinedDial),
            b3(singleValueStandardCombinedSpinBox), b4(singleValuePitchBendCombinedSpinBox), b5(singleValueMsbSpinBox),
            b6(singleValueLsbSpinBox);
        singleValueCombinedSlider->setValue(v);
        singleValueCombinedDial->setValue(v);
        singleValueStandardCombinedSpinBox->setValue(v);
        singleValuePitchBendCombinedSpinBox->setValue(v - 8192);
        singleValueMsbSpinBox->setValue(v / 128);
        singleValueLsbSpinBox->setValue(v % 128);
        break;
    }
    case QmdVorma::LinearCurve:
    case QmdVorma::CubicCurve: {
        QPolygonF frame;
        const QPolygonF shown = displayPoints(points);
        frame.reserve(shown.size());
        for (const QPointF &p : shown)
            frame.append(frameFromDocument(p));
        m_hoverPoints->assignPoints(frame);
        if (!frame.isEmpty())
            m_hoverPoints->setLockFlags(0, HoverPoints::LockToLeft);
        if (frame.size() >= 2)
            m_hoverPoints->setLockFlags(frame.size() - 1, HoverPoints::LockToRight);
        const int current = m_hoverPoints->currentIndex();
        if (!frame.isEmpty() && (current < 0 || current >= frame.size()))
            m_hoverPoints->setCurrentIndex(0);
        else
            syncPointEditors();
        break;
    }
    default:
        break;
    }
}

// ---- Single value ---------------------------------------------------------------

void CCItemEdit::onSingleValueStandardCombinedValueChanged(int value)
{
    if (QmdVormaController *c = controller()) {
        QPolygonF points = c->data(Keys::CurvePoints, m_entryIndex).value<QPolygonF>();
        if (points.isEmpty())
            points.append(QPointF(0, 0));
        points[0] = QPointF(0, value);
        setEntryData(Keys::CurvePoints, QVariant::fromValue(points), tr("Set Data"), 0);
    }
    const QSignalBlocker blocker(singleValuePitchBendCombinedSpinBox);
    singleValuePitchBendCombinedSpinBox->setValue(value - 8192);
}

void CCItemEdit::onSingleValueMsbOrLsbValueChanged()
{
    singleValueStandardCombinedSpinBox->setValue(singleValueLsbSpinBox->value() + singleValueMsbSpinBox->value() * 128);
}

void CCItemEdit::onSingleValuePitchBendCombinedValueChanged(int value)
{
    singleValueStandardCombinedSpinBox->setValue(value + 8192);
}

// ---- Curve points -----------------------------------------------------------------

void CCItemEdit::onHoverPointsMouseButtonPressed()
{
}

void CCItemEdit::onHoverPointsMouseButtonReleased()
{
}

void CCItemEdit::onHoverPointsChanged()
{
    const QPolygonF frame = m_hoverPoints->points();
    QPolygonF points;
    points.reserve(frame.size());
    for (const QPointF &p : frame)
        points.append(documentFromFrame(p));
    m_curvePoints = points;
    emit curvePointsChanged();
    syncPointEditors();
}

void CCItemEdit::onHoverPointsCurrentIndexChanged(int)
{
    syncPointEditors();
    const int current = m_hoverPoints->currentIndex();
    const int count = m_hoverPoints->points().size();
    if (count > 0 && (current < 0 || current >= count))
        m_hoverPoints->setCurrentIndex(0);
}

void CCItemEdit::onPointXOrCombinedValueChanged()
{
    const QRectF b = curveBounds();
    m_hoverPoints->moveCurrentPoint(QPointF(b.x() + b.width() * pointXSpinBox->value(),
                                            b.y() + (1 - pointStandardCombinedSpinBox->value() / MaxValue) * b.height()));
}

void CCItemEdit::onPointMsbOrLsbValueChanged()
{
    pointStandardCombinedSpinBox->setValue(pointLsbSpinBox->value() + pointMsbSpinBox->value() * 128);
}

void CCItemEdit::onPointPitchBendCombinedValueChanged(int value)
{
    pointStandardCombinedSpinBox->setValue(value + 8192);
}

void CCItemEdit::syncPointEditors()
{
    const QPolygonF points = m_hoverPoints->points();
    const int current = m_hoverPoints->currentIndex();
    const bool hasCurrent = current >= 0 && current < points.size();
    const QPointF p = hasCurrent ? points.at(current) : QPointF();
    const QRectF b = curveBounds();
    const int y = int(std::round((1 - (p.y() - b.y()) / b.height()) * MaxValue));
    const QSignalBlocker b1(pointXSpinBox), b2(pointStandardCombinedSpinBox), b3(pointMsbSpinBox),
        b4(pointLsbSpinBox), b5(pointPitchBendCombinedSpinBox);
    for (QWidget *w : {static_cast<QWidget *>(pointXSpinBox), static_cast<QWidget *>(pointStandardCombinedSpinBox),
                       static_cast<QWidget *>(pointMsbSpinBox), static_cast<QWidget *>(pointLsbSpinBox),
                       static_cast<QWidget *>(pointPitchBendCombinedSpinBox)})
        w->setEnabled(hasCurrent);
    pointXSpinBox->setValue((p.x() - b.x()) / b.width());
    pointStandardCombinedSpinBox->setValue(y);
    pointMsbSpinBox->setValue(y / 128);
    pointLsbSpinBox->setValue(y % 128);
    pointPitchBendCombinedSpinBox->setValue(y - 8192);
}

// ---- Codes ----------------------------------------------------------------------------

void CCItemEdit::onStrDictItemsChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid)
{
    if (parent != m_entryIndex)
        return;
    const bool msbChanged = keys.contains(Keys::MsbCode);
    const bool lsbChanged = keys.contains(Keys::LsbCode);
    if (msbChanged || lsbChanged)
        handleCodes(msbChanged, lsbChanged, rid, false);
}

void CCItemEdit::handleCodes(bool msbChanged, bool lsbChanged, QmdRequestId rid, bool building)
{
    QmdVormaController *c = controller();
    const int msb = c ? c->data(Keys::MsbCode, m_entryIndex).toInt() : -1;
    const int lsb = c ? c->data(Keys::LsbCode, m_entryIndex).toInt() : -1;

    if (!building)
        smartReset(msbChanged, lsbChanged, msb, lsb, rid);

    // Follow-ups join the change they answer; an undo or redo already
    // brings back what they wrote, and a row being built writes nothing.
    const bool followUp = c && !building && !c->undoRedoRequestIds().contains(rid);
    if (followUp) {
        const ControllerCodeChange change{m_previousMsbCode, m_previousLsbCode, msb, lsb, msbChanged, lsbChanged};
        const bool autoLsb = ApplicationServices::settingsValue(controllersAutoLsbKey(), false).toBool();
        const ControllerCodePairing pairing = pairedControllerCodes(change, autoLsb);
        if (pairing.lsb != -127)
            setEntryData(Keys::LsbCode, pairing.lsb, tr("Controller LSB"), rid);
        if (pairing.msb != -127)
            setEntryData(Keys::MsbCode, pairing.msb, tr("Controller MSB"), rid);
    }

    showCodes(msb, lsb);

    if (followUp) {
        const int curveType = c->data(Keys::CurveType, m_entryIndex).toInt();
        const QPolygonF points = c->data(Keys::CurvePoints, m_entryIndex).value<QPolygonF>();
        if (points == normalizedCurvePoints(curveType, m_previousMsbCode, m_previousLsbCode, QPolygonF())) {
            const QPolygonF moved = normalizedCurvePoints(curveType, msb, lsb, QPolygonF());
            if (moved != points)
                setEntryData(Keys::CurvePoints, QVariant::fromValue(moved), tr("Curve Points"), rid);
        }
    }

    m_previousMsbCode = msb;
    m_previousLsbCode = lsb;
}

void CCItemEdit::smartReset(bool msbChanged, bool lsbChanged, int msb, int lsb, QmdRequestId rid)
{
    QmdVormaController *c = controller();
    AbstractSync *sync = c ? c->sync() : nullptr;
    if (!sync || rid == NoRequestId)
        return;
    const ControllerCodeChange change{m_previousMsbCode, m_previousLsbCode, msb, lsb, msbChanged, lsbChanged};
    const bool enabled = ApplicationServices::settingsValue(controllersSmartResetKey(), false).toBool();
    const QVector<MidiOutputMessage> messages =
        smartResetMessages(change, sync->isPlaying(), enabled, MidiOutputMessage::Ticks(sync->currentTicks()));
    if (messages.isEmpty())
        return;
    const QmdItemIdList instruments = c->instrumentIds();
    for (const MidiOutputMessage &message : messages)
        for (QmdItemId instrument : instruments)
            c->queueMidiMessage(instrument, message);
}

void CCItemEdit::showCodes(int msb, int lsb)
{
    // Codes a damaged file brought show as no controller.
    if (!isCode(msb))
        msb = -1;
    if (!isCode(lsb))
        lsb = -1;
    const bool pitchBend = msb == -2;
    const bool fine = lsb >= 0;
    lsbComboBox->setEnabled(!pitchBend);
    for (QWidget *w : {static_cast<QWidget *>(singleValueMsbSpinBox), static_cast<QWidget *>(pointMsbSpinBox),
                       static_cast<QWidget *>(singleValueLsbValueMarkers)})
        w->setVisible(!pitchBend);
    for (QWidget *w : {static_cast<QWidget *>(singleValueLsbSpinBox), static_cast<QWidget *>(pointLsbSpinBox),
                       static_cast<QWidget *>(singleValueCombinedEqualsLabel),
                       static_cast<QWidget *>(pointCombinedEqualsLabel),
                       static_cast<QWidget *>(singleValueStandardCombinedSpinBox),
                       static_cast<QWidget *>(pointStandardCombinedSpinBox),
                       static_cast<QWidget *>(singleValueCombinedValueMarkers)})
        w->setVisible(fine);
    for (QWidget *w : {static_cast<QWidget *>(singleValuePitchBendCombinedSpinBox),
                       static_cast<QWidget *>(pointPitchBendCombinedSpinBox),
                       static_cast<QWidget *>(singleValuePitchBendMarkers)})
        w->setVisible(pitchBend);
    curveEdit->setStyleSheet(backgroundStyleSheet(msb, lsb));
}

// ---- MIDI learn and keys ------------------------------------------------------------

bool CCItemEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == curveTypeChooser) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
            m_userChoosingTab = true;
            QTimer::singleShot(0, this, [this] { m_userChoosingTab = false; });
        }
        return false;
    }
    if (const MidiEvent *midi = MidiEvent::from(event)) {
        learn(midi->bytes);
        return true;
    }
    if (watched == curveEdit && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
            // Claimed before the window's Edit > Delete can take it and
            // delete the edge instead of the point.
            if (event->type() == QEvent::ShortcutOverride)
                event->accept();
            else
                m_hoverPoints->removeAt(m_hoverPoints->currentIndex());
            return true;
        }
    }
    return CCItem::eventFilter(watched, event);
}

void CCItemEdit::learn(const QVector<quint8> &bytes)
{
    QmdVormaController *c = controller();
    if (!c || bytes.size() != 3)
        return;
    const int status = bytes.at(0) & 0xF0;
    const bool pitchBend = status == 0xE0;
    if (status != 0xB0 && !pitchBend)
        return;
    const int code = pitchBend ? -2 : bytes.at(1);
    QPolygonF points = c->data(Keys::CurvePoints, m_entryIndex).value<QPolygonF>();
    QString text = tr("Controller MSB");
    bool pointsChanged = false;
    const int curveType = curveTypeChooser->currentIndex();
    const int current = m_hoverPoints->currentIndex();
    if (curveType == QmdVorma::SingleValue) {
        const int fine = pitchBend ? bytes.at(1) : singleValueLsbSpinBox->value();
        if (points.isEmpty())
            points.append(QPointF(0, 0));
        points[0] = QPointF(0, fine + bytes.at(2) * 128);
        text = tr("Controller MSB && Value");
        pointsChanged = true;
    } else if ((curveType == QmdVorma::LinearCurve || curveType == QmdVorma::CubicCurve) && current >= 0
               && current < points.size()) {
        const int fine = pitchBend ? bytes.at(1) : pointLsbSpinBox->value();
        // The point selected in the frame, wherever the stored list holds it.
        points[displayOrder(points).at(current)].setY(fine + bytes.at(2) * 128);
        text = tr("Controller MSB && Curve Points");
        pointsChanged = true;
    }
    const QmdRequestId rid = c->requestSetData(Keys::MsbCode, code, m_entryIndex, QmdRequestOptions{0, text, 0});
    if (pointsChanged)
        setEntryData(Keys::CurvePoints, QVariant::fromValue(points), QString(), rid);
}
