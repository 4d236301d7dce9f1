#include "inspector/EdgeUsageTile.h"

#include "QmdVorma/InstrumentPalette.h"
#include "inspector/EdgeUsageListEditor.h"

#include <QGraphicsScene>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTimeLine>

#include <cmath>

namespace {

bool isRemoveKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
}

} // namespace

QPixmap edgeTilePixmap(const QColor &color, int width, int height)
{
    static const QPixmap overlay(QStringLiteral(":/images/EdgeTileAlpha.png"));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.fillRect(image.rect(), color);
    if (!overlay.isNull())
        p.drawPixmap(image.rect(), overlay);
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap edgeTilePixmap(int arcIndex, int width, int height)
{
    return edgeTilePixmap(QmdVorma::paletteColor(arcIndex), width, height);
}

EdgeUsageTile::EdgeUsageTile(EdgeUsageListEditor *editor, QmdItemId edgeId, int arcIndex, int width, int height)
    : m_editor(editor),
      m_edgeId(edgeId),
      m_arcIndex(arcIndex),
      m_tileWidth(width),
      m_tileHeight(height),
      m_timeLine(new QTimeLine(300, this))
{
    editor->scene()->addItem(this);
    setFlags(ItemIsMovable | ItemIsSelectable | ItemIsFocusable | ItemSendsGeometryChanges);
    setShapeMode(BoundingRectShape);
    setPixmap(edgeTilePixmap(arcIndex, width, height));
    setToolTip(QmdVorma::paletteColorName(arcIndex));
    setAcceptHoverEvents(true);
    m_timeLine->setUpdateInterval(10);
    connect(m_timeLine, &QTimeLine::frameChanged, this, &EdgeUsageTile::onTimeLineFrameChanged);
    connect(m_timeLine, &QTimeLine::finished, this, &EdgeUsageTile::onTimeLineFinished);
}

EdgeUsageTile::~EdgeUsageTile() = default;

void EdgeUsageTile::setUses(int uses)
{
    m_uses = uses;
    update();
}

int EdgeUsageTile::listIndex() const
{
    return m_editor ? m_editor->tiles().indexOf(const_cast<EdgeUsageTile *>(this)) : -1;
}

void EdgeUsageTile::moveToSlot(bool animated)
{
    const int target = listIndex() * SlotPitch;
    if (animated) {
        m_timeLine->stop();
        m_timeLine->setFrameRange(int(x()), target);
        m_atRest = false;
        m_timeLine->start();
    } else {
        m_atRest = false;
        setPos(target, 0);
        m_atRest = true;
    }
}

void EdgeUsageTile::onTimeLineFrameChanged(int frame)
{
    setPos(frame, 0);
}

void EdgeUsageTile::onTimeLineFinished()
{
    m_atRest = true;
}

QPainterPath EdgeUsageTile::shape() const
{
    QPainterPath path;
    path.addRect(boundingRect());
    return path;
}

void EdgeUsageTile::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    // The item's own selection frame is replaced by the inset frame below.
    QStyleOptionGraphicsItem plain(*option);
    const bool selected = plain.state & QStyle::State_Selected;
    plain.state &= ~QStyle::State_Selected;
    QGraphicsPixmapItem::paint(painter, &plain, widget);

    const QRectF bounds = boundingRect();
    painter->setBrush(Qt::NoBrush);
    if (option->state & QStyle::State_MouseOver) {
        painter->setPen(Qt::transparent);
        painter->setBrush(QColor(255, 255, 255, 95));
        painter->drawRect(bounds);
    }
    if (selected) {
        painter->setPen(QPen(QColor(255, 255, 255, 127), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter->drawRect(bounds.adjusted(3, 3, -3, -3));
    }
    painter->setPen(Qt::white);
    painter->drawText(bounds, Qt::AlignCenter, m_uses == 0 ? QString(QChar(0x221E)) : QString::number(m_uses));
}

bool EdgeUsageTile::sceneEvent(QEvent *event)
{
    // The window's Edit > Delete would otherwise take the key and delete the
    // node on the canvas instead of this entry.
    if (event->type() == QEvent::ShortcutOverride && isRemoveKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QGraphicsPixmapItem::sceneEvent(event);
}

void EdgeUsageTile::keyPressEvent(QKeyEvent *event)
{
    QGraphicsPixmapItem::keyPressEvent(event);
    if (isRemoveKey(event))
        emit removeTriggered(this);
}

void EdgeUsageTile::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsPixmapItem::mouseMoveEvent(event);
}

void EdgeUsageTile::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsPixmapItem::mouseReleaseEvent(event);
    emit moveFinished(this);
}

void EdgeUsageTile::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsPixmapItem::mouseDoubleClickEvent(event);
    emit editTriggered(this);
}

QVariant EdgeUsageTile::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (!m_atRest || !scene())
        return QGraphicsPixmapItem::itemChange(change, value);
    if (change == ItemSelectedChange) {
        setZValue(value.toBool() ? 1 : 0);
        return value;
    }
    if (change == ItemPositionChange) {
        // Tiles slide along their row only, never left of the first slot.
        const QPointF held(qMax(value.toPointF().x(), 0.0), 0);
        const int count = m_editor ? m_editor->tiles().size() : 0;
        const int position = qBound(0, int(std::lround(held.x() / SlotPitch)), qMax(count - 1, 0));
        if (position != listIndex())
            emit visualizeMove(this, position);
        return held;
    }
    return QGraphicsPixmapItem::itemChange(change, value);
}
