#include "widgets/ColorChooserButton.h"

#include "widgets/ApplicationServices.h"

#include <QPainter>
#include <QPixmap>

ColorChooserButton::ColorChooserButton(QWidget *parent)
    : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &ColorChooserButton::onClicked);
}

void ColorChooserButton::setColor(const QColor &color)
{
    m_currentColor = color;
    if (m_ignoreAlpha && m_currentColor.isValid())
        m_currentColor.setAlpha(255);
    if (m_currentColor.isValid()) {
        const QPixmap pixmap = swatch();
        setIcon(QIcon(pixmap));
        setIconSize(pixmap.size());
    } else {
        setIcon(QIcon());
    }
    emit colorChanged(m_currentColor);
}

void ColorChooserButton::setIgnoreAlpha(bool ignore)
{
    m_ignoreAlpha = ignore;
}

void ColorChooserButton::onClicked()
{
    ApplicationServices::connectColorDialog(this, SLOT(setColor(QColor)));
    ApplicationServices::updateColorDialog(m_currentColor);
    ApplicationServices::showColorDialog();
}

QPixmap ColorChooserButton::swatch() const
{
    const int w = qMax(1, width() - 2 * m_swatchMargin);
    const int h = qMax(1, height() - 2 * m_swatchMargin);
    QPixmap pixmap(w, h);
    // White and black halves under the colour show how translucent it is.
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPoint triangle[] = {QPoint(1, 1), QPoint(w - 2, 1), QPoint(1, h - 2)};
    painter.drawPolygon(triangle, 3);
    painter.setBrush(m_currentColor);
    painter.drawRect(0, 0, w, h);
    return pixmap;
}
