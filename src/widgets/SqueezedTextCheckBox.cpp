#include "widgets/SqueezedTextCheckBox.h"

#include <QStyle>
#include <QStyleOptionButton>

SqueezedTextCheckBox::SqueezedTextCheckBox(QWidget *parent)
    : QCheckBox(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    updateIndicatorSpace();
    // A fixed indicator size keeps the room left for the text the same in
    // every style, so the elided text lines up across a list of ports.
    setStyleSheet(QStringLiteral("QCheckBox::indicator           { width: 16px; height: 16px }"));
}

void SqueezedTextCheckBox::setText(const QString &text)
{
    m_fullText = text;
    squeeze();
}

void SqueezedTextCheckBox::setTextElideMode(Qt::TextElideMode mode)
{
    m_textElideMode = mode;
    squeeze();
}

QSize SqueezedTextCheckBox::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(m_fullText) + m_indicatorSpace,
                 QCheckBox::sizeHint().height());
}

QSize SqueezedTextCheckBox::minimumSizeHint() const
{
    QSize size = QCheckBox::minimumSizeHint();
    size.setWidth(-1);
    return size;
}

void SqueezedTextCheckBox::resizeEvent(QResizeEvent *event)
{
    QCheckBox::resizeEvent(event);
    updateIndicatorSpace();
    squeeze();
}

void SqueezedTextCheckBox::updateIndicatorSpace()
{
    QStyleOptionButton option;
    option.initFrom(this);
    const QRect contents = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    m_indicatorSpace = width() - contents.width();
}

void SqueezedTextCheckBox::squeeze()
{
    const QFontMetrics metrics = fontMetrics();
    const int available = width() - m_indicatorSpace;
    if (metrics.horizontalAdvance(m_fullText) > available)
        QAbstractButton::setText(metrics.elidedText(m_fullText, m_textElideMode, available));
    else
        QAbstractButton::setText(m_fullText);
}
