#include "canvas/GraphicsNodeItem.h"

#include "QmdVorma/ScaleFactors.h"
#include "canvas/CanvasTexts.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QtMath>

using namespace QmdVorma;

namespace {

constexpr double RadiusPoints = 10;
constexpr int FullCircle = 5760; // sixteenths of a degree
constexpr int FillAlpha = 40;

} // namespace

GraphicsNodeItem::GraphicsNodeItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene,
                                   QGraphicsItem *parent)
    : GraphicsElementItem(elementId, controller, scene, parent)
{
    init();
}

GraphicsNodeItem::GraphicsNodeItem(NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(0, nullptr, scene, parent)
{
    init();
}

void GraphicsNodeItem::init()
{
    setRect(-RadiusPoints * pointScaleX, -RadiusPoints * pointScaleY, 2 * RadiusPoints * pointScaleX,
            2 * RadiusPoints * pointScaleY);
    m_label = new QGraphicsSimpleTextItem(this);
    QFont font = QApplication::font();
    font.setPointSize(10);
    m_label->setFont(font);
    updateLabelPos();
    m_label->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    // Shown while one of its displays is on; a ghost's stays, empty.
    m_label->setVisible(m_elementId == 0);
    // A click on the label acts on the node.
    setHandlesChildEvents(true);
    if (NetworkScene *scene = networkScene()) {
        setColor(scene->nodesColor());
        m_label->setBrush(scene->annotationColor());
    }
}

QRectF GraphicsNodeItem::boundingRect() const
{
    // Room to the lower right for the glyph.
    const QRectF r = QGraphicsEllipseItem::boundingRect();
    const double m = 1.5 * pointScaleX;
    return QRectF(r.x() - m, r.y() - m, 1.25 * r.width() + m, 1.25 * r.height() + m);
}

void GraphicsNodeItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    QPen p = pen();
    p.setCapStyle(Qt::RoundCap);
    const double w = ((option->state & QStyle::State_Selected) ? 3 : 1) * pointScaleX;
    p.setWidthF(w);
    if (m_muted)
        p.setDashPattern({4 / w, 4 / w});
    painter->setPen(p);
    painter->setOpacity(opacity() * painter->opacity());
    const QRectF r = rect();

    const int n = m_activeVoiceCount;
    if (n == 0) {
        painter->setBrush(brush());
        painter->drawEllipse(r);
    } else {
        QmdVormaController *c = controller();
        const int span = FullCircle / n;
        int start = (n == 2 || n == 4) ? 720 : 0;
        painter->save();
        painter->setPen(Qt::NoPen);
        for (auto group = m_activeVoices.cbegin(); group != m_activeVoices.cend(); ++group) {
            const bool hatched = c && c->elementData(group.key(), Keys::DontPlayNote).toBool();
            for (const QColor &color : group.value()) {
                painter->setBrush(QBrush(color, hatched ? Qt::FDiagPattern : Qt::SolidPattern));
                if (n == 1)
                    painter->drawEllipse(r);
                else
                    painter->drawPie(r, start, span);
                start += span;
            }
        }
        painter->restore();
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(r);
    }

    if (m_signallingMethod != 1 && m_signallingMethod != 2)
        return;
    const double d = r.width() / 4;
    painter->save();
    painter->translate(r.center());
    painter->rotate(45);
    if (m_signallingMethod == 1) {
        painter->drawLine(QPointF(d, -d / 3), QPointF(3 * d, -d / 3));
        painter->drawLine(QPointF(d, d / 3), QPointF(3 * d, d / 3));
    } else {
        painter->translate(2 * d, 0);
        painter->rotate(30);
        painter->drawLine(QPointF(-d, 0), QPointF(d, 0));
        painter->rotate(115);
        painter->drawLine(QPointF(-d, 0), QPointF(d, 0));
    }
    painter->restore();
}

void GraphicsNodeItem::onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    GraphicsElementItem::onElementDataChanged(id, keys, rid);
    QmdVormaController *c = controller();
    if (!c || id != m_elementId)
        return;
    m_ready = false;
    if (keys.contains(Keys::DontPlayNote))
        m_muted = c->elementData(id, Keys::DontPlayNote).toBool();
    if (keys.contains(Keys::Notes))
        setToolTip(CanvasTexts::nodeToolTip(c->elementData(id, Keys::Notes).toString()));
    m_signallingMethod = c->elementData(id, Keys::SignallingMethod).toInt();
    update();
    m_ready = true;
}

void GraphicsNodeItem::setColor(const QColor &color)
{
    setPen(QPen(color));
    QColor fill = color;
    fill.setAlpha(FillAlpha);
    setBrush(fill);
    update();
}

void GraphicsNodeItem::setLabelColor(const QColor &color)
{
    m_label->setBrush(color);
    m_label->update();
}

void GraphicsNodeItem::setCounter(unsigned counter)
{
    m_counter = counter;
    if (m_counterVisible)
        updateLabelText();
}

void GraphicsNodeItem::setCounterVisible(bool visible)
{
    if (m_counterVisible == visible)
        return;
    m_counterVisible = visible;
    updateLabelText();
    m_label->setVisible(m_counterVisible || m_lastNotesSentVisible);
}

void GraphicsNodeItem::setLastNotesSentText(const QString &text)
{
    m_lastNotesSentText = text;
    if (m_lastNotesSentVisible)
        updateLabelText();
}

void GraphicsNodeItem::setLastNotesSentVisible(bool visible)
{
    if (m_lastNotesSentVisible == visible)
        return;
    m_lastNotesSentVisible = visible;
    updateLabelText();
    m_label->setVisible(m_counterVisible || m_lastNotesSentVisible);
}

void GraphicsNodeItem::updateLabelText()
{
    QString text;
    if (m_counterVisible)
        text = QString::number(m_counter);
    if (m_lastNotesSentVisible && !m_lastNotesSentText.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += m_lastNotesSentText;
    }
    m_label->setText(text);
    updateLabelPos();
}

void GraphicsNodeItem::updateLabelPos()
{
    // The last line ends on the rim at 45 degrees up and to the right; more
    // lines grow upward.
    const int lines = m_label->text().count(QLatin1Char('\n'));
    const QFontMetricsF metrics(m_label->font());
    const double c = std::cos(M_PI / 4);
    m_label->setPos(RadiusPoints * pointScaleX * c,
                    -metrics.height() - lines * metrics.lineSpacing() - RadiusPoints * pointScaleY * c);
}

void GraphicsNodeItem::addActiveVoice(int voiceGroupId, int voiceId, const QColor &color, bool deferRepaint)
{
    m_activeVoices[voiceGroupId][voiceId] = color;
    countActiveVoices();
    if (!deferRepaint)
        update();
}

void GraphicsNodeItem::removeActiveVoice(int voiceGroupId, int voiceId, bool deferRepaint)
{
    auto group = m_activeVoices.find(voiceGroupId);
    if (group != m_activeVoices.end()) {
        group->remove(voiceId);
        if (group->isEmpty())
            m_activeVoices.erase(group);
    }
    countActiveVoices();
    if (!deferRepaint)
        update();
}

void GraphicsNodeItem::clearActiveVoices(bool deferRepaint)
{
    m_activeVoices.clear();
    m_activeVoiceCount = 0;
    if (!deferRepaint)
        update();
}

void GraphicsNodeItem::countActiveVoices()
{
    int n = 0;
    for (const auto &group : qAsConst(m_activeVoices))
        n += group.size();
    m_activeVoiceCount = n;
}
