#include "widgets/ChannelsBox.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPushButton>

ChannelsBox::ChannelsBox(QWidget *parent)
    : QWidget(parent)
    , m_channelBits(ChannelCount)
    , m_buttonGroup(new QButtonGroup(this))
{
    m_buttonGroup->setExclusive(false);
    connect(m_buttonGroup, QOverload<QAbstractButton *>::of(&QButtonGroup::buttonClicked), this,
            &ChannelsBox::onButtonClicked);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(Margin, Margin, Margin, Margin);
    layout->setSpacing(Spacing);
    for (int id = 0; id < ChannelCount; ++id) {
        auto *button = new QPushButton(QString::number(id + 1), this);
        button->setCheckable(true);
        m_buttonGroup->addButton(button, id);
        layout->addWidget(button, id / 8, id % 8);
    }
    m_allButton = new QPushButton(tr("All"), this);
    m_noneButton = new QPushButton(tr("None"), this);
    layout->addWidget(m_allButton, 2, 4, 1, 2);
    layout->addWidget(m_noneButton, 2, 6, 1, 2);
    connect(m_allButton, &QPushButton::clicked, this, &ChannelsBox::onAllButtonClicked);
    connect(m_noneButton, &QPushButton::clicked, this, &ChannelsBox::onNoneButtonClicked);
    fitToFont();

    setChannels(QBitArray(ChannelCount));
}

void ChannelsBox::fitToFont()
{
    // Buttons 22 pixels square in a box of 200 by 78, unless the font needs
    // more: each text with a little air inside the button's frame, All and
    // None over two buttons' width.
    const QFontMetrics metrics(font());
    const int air = qMax(4, metrics.height() / 3);
    int side = 22;
    const QList<QAbstractButton *> channels = m_buttonGroup->buttons();
    for (QAbstractButton *button : channels)
        side = qMax(side, metrics.horizontalAdvance(button->text()) + air);
    side = qMax(side, metrics.height() + air);
    for (QPushButton *button : {m_allButton, m_noneButton})
        side = qMax(side, (metrics.horizontalAdvance(button->text()) + air - Spacing + 1) / 2);
    for (QAbstractButton *button : channels)
        button->setFixedSize(side, side);
    setFixedSize(qMax(200, 8 * side + 7 * Spacing + 2 * Margin), qMax(78, 3 * side + 2 * Spacing + 2 * Margin));
}

void ChannelsBox::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToFont();
}

void ChannelsBox::setChannels(const QBitArray &channels)
{
    m_channelBits = channels;
    m_channelBits.resize(ChannelCount);
    for (int id = 0; id < ChannelCount; ++id)
        m_buttonGroup->button(id)->setChecked(m_channelBits.testBit(id));
    emit channelsChanged(m_channelBits);
}

void ChannelsBox::onButtonClicked(QAbstractButton *button)
{
    const int id = m_buttonGroup->id(button);
    if (id < 0 || id >= ChannelCount)
        return;
    m_channelBits.setBit(id, button->isChecked());
    emit channelsChanged(m_channelBits);
}

void ChannelsBox::onAllButtonClicked()
{
    setChannels(QBitArray(ChannelCount, true));
}

void ChannelsBox::onNoneButtonClicked()
{
    setChannels(QBitArray(ChannelCount));
}
