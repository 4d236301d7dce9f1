#include "canvas/GraphicsVoiceGroupItem.h"

#include "QmdVorma/ScaleFactors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsSimpleTextItem>
#include <QPen>
#include <QStyleOptionGraphicsItem>

using namespace QmdVorma;

namespace {

// The marker's tip lies on the left rim of the start node's circle.
constexpr double TipOffsetPoints = 10;

// The colours of a group without an instrument colour: the ghost's.
const QColor NeutralFill(170, 200, 255, 127);
const QColor NeutralOutline(44, 101, 169);

const QPainterPath &markerPath()
{
    static const QPainterPath path = [] {
        QPainterPath p;
        const double dx = -TipOffsetPoints * pointScaleX;
        p.moveTo(-17 * pointScaleX + dx, 0);
        p.lineTo(-17 * pointScaleX + dx, -12 * pointScaleY);
        p.lineTo(dx, 0);
        p.lineTo(-17 * pointScaleX + dx, 12 * pointScaleY);
        p.closeSubpath();
        return p;
    }();
    return path;
}

QFont labelFont(int pointSize, int weight)
{
    QFont font = QApplication::font();
    font.setPointSize(pointSize);
    font.setWeight(weight);
    return font;
}

} // namespace

GraphicsVoiceGroupItem::GraphicsVoiceGroupItem(QmdItemId elementId, QmdVormaController *controller,
                                               NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(elementId, controller, scene, parent)
{
    init();
}

GraphicsVoiceGroupItem::GraphicsVoiceGroupItem(NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(0, nullptr, scene, parent)
{
    init();
}

void GraphicsVoiceGroupItem::init()
{
    setBrush(NeutralFill);
    QPen pen(NeutralOutline, pointScaleX, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    setPen(pen);
    setPath(markerPath());

    m_warningLabel = new QGraphicsSimpleTextItem(QCoreApplication::translate("GraphicsVoiceGroupItem", "!"), this);
    m_warningLabel->setFont(labelFont(16, QFont::Bold));
    auto *shadow = new QGraphicsDropShadowEffect;
    shadow->setBlurRadius(2);
    shadow->setColor(QColor(0, 0, 0, 180));
    shadow->setOffset(0, 2);
    m_warningLabel->setGraphicsEffect(shadow);
    m_warningLabel->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    const QFontMetricsF warningMetrics(m_warningLabel->font());
    m_warningLabel->setPos(-TipOffsetPoints * pointScaleX - 10.96774193548387 * pointScaleX
                               - warningMetrics.horizontalAdvance(m_warningLabel->text()) / 2,
                           -warningMetrics.height() / 1.9);
    m_warningLabel->hide();

    m_pitchLabel = new QGraphicsSimpleTextItem(this);
    m_pitchLabel->setFont(labelFont(12, QFont::Normal));
    m_pitchLabel->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    m_pitchLabel->hide();

    // Clicks on the labels act on the marker.
    setHandlesChildEvents(true);
    if (NetworkScene *scene = networkScene())
        setAnnotationColor(scene->annotationColor());
}

void GraphicsVoiceGroupItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    // Selection shows as the wider outline, never as Qt's frame.
    QStyleOptionGraphicsItem plain(*option);
    plain.state &= ~QStyle::State_Selected;
    QGraphicsPathItem::paint(painter, &plain, widget);
}

void GraphicsVoiceGroupItem::onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    GraphicsElementItem::onElementDataChanged(id, keys, rid);
    QmdVormaController *c = controller();
    if (!c)
        return;
    m_ready = false;
    const bool own = id == m_elementId;
    const bool startChanged = own && keys.contains(Keys::ToNode);
    if (startChanged)
        m_startNodeId = c->elementData(id, Keys::ToNode).toUInt();
    if (startChanged || (m_startNodeId != 0 && id == m_startNodeId && keys.contains(Keys::TickPos)))
        setPos(m_startNodeId != 0 ? tickPosOf(m_startNodeId) : QPointF());
    if (own) {
        if (keys.contains(Keys::InitialInstrument))
            applyInstrument(c->elementData(id, Keys::InitialInstrument).toUInt());
        if (keys.contains(Keys::DontPlayNote)) {
            m_muted = c->elementData(id, Keys::DontPlayNote).toBool();
            updatePen();
            updateBrush();
        }
        if (keys.contains(Keys::TriggeringMidiPitchList)) {
            const QString text = c->elementData(id, Keys::TriggeringMidiPitchList).toString();
            m_pitchLabel->setText(text);
            m_pitchLabel->setVisible(!text.isEmpty());
            const QFontMetricsF metrics(m_pitchLabel->font());
            m_pitchLabel->setPos(-TipOffsetPoints * pointScaleX - 8.5 * pointScaleX
                                     - metrics.horizontalAdvance(text) / 2,
                                 -24 * 0.7 * pointScaleY - metrics.height());
        }
    }
    m_ready = true;
}

void GraphicsVoiceGroupItem::onInstrumentDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId)
{
    QmdVormaController *c = controller();
    if (!c || (!keys.contains(Keys::Color) && !keys.contains(Keys::Label)))
        return;
    m_ready = false;
    if (id == c->elementData(m_elementId, Keys::InitialInstrument).toUInt())
        applyInstrument(id);
    m_ready = true;
}

void GraphicsVoiceGroupItem::applyInstrument(QmdItemId instrumentId)
{
    QmdVormaController *c = controller();
    m_instrumentColor = c->instrumentData(instrumentId, Keys::Color).value<QColor>();
    updatePen();
    updateBrush();
    setToolTip(c->instrumentData(instrumentId, Keys::Label).toString());
}

void GraphicsVoiceGroupItem::updateBrush()
{
    // A group without a usable colour would vanish as black on the dark
    // canvas: it keeps the neutral colours of a ghost.
    QColor color = m_instrumentColor.isValid() ? m_instrumentColor : NeutralFill;
    color.setAlphaF(color.alphaF() * m_pulseValue * (m_activeVoiceCount != 0 ? 0.7 : 0.3));
    setBrush(QBrush(color, m_muted ? Qt::FDiagPattern : Qt::SolidPattern));
}

void GraphicsVoiceGroupItem::updatePen()
{
    QPen p = pen();
    QColor color = m_instrumentColor.isValid() ? m_instrumentColor : NeutralOutline;
    color.setAlpha(255);
    p.setColor(color);
    if (m_muted) {
        const double w = p.widthF() > 0 ? p.widthF() : 1.0;
        p.setDashPattern({4 / w, 4 / w});
    } else {
        p.setStyle(Qt::SolidLine);
    }
    setPen(p);
}

QVariant GraphicsVoiceGroupItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    const QVariant result = GraphicsElementItem::itemChange(change, value);
    if (change == ItemSelectedChange) {
        QPen p = pen();
        p.setWidthF((value.toBool() ? 3 : 1) * pointScaleX);
        setPen(p);
        updatePen();
    }
    return result;
}

void GraphicsVoiceGroupItem::setActiveVoiceCount(int count)
{
    m_activeVoiceCount = count;
    updateBrush();
}

void GraphicsVoiceGroupItem::setPulseValue(double value)
{
    m_pulseValue = value;
    updateBrush();
}

void GraphicsVoiceGroupItem::setNoFreeVoiceWarningVisible(bool visible)
{
    m_warningLabel->setVisible(visible);
}

void GraphicsVoiceGroupItem::setAnnotationColor(const QColor &color)
{
    m_warningLabel->setBrush(Qt::white);
    m_pitchLabel->setBrush(color);
}
