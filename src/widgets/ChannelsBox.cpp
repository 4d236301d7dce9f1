#include "widgets/ChannelsBox.h"

#include <QButtonGroup>
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
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    for (int id = 0; id < ChannelCount; ++id) {
        auto *button = new QPushButton(QString::number(id + 1), this);
        button->setCheckable(true);
        button->setFixedSize(22, 22);
        m_buttonGroup->addButton(button, id);
        layout->addWidget(button, id / 8, id % 8);
    }
    auto *all = new QPushButton(tr("All"), this);
    auto *none = new QPushButton(tr("None"), this);
    layout->addWidget(all, 2, 4, 1, 2);
    layout->addWidget(none, 2, 6, 1, 2);
    connect(all, &QPushButton::clicked, this, &ChannelsBox::onAllButtonClicked);
    connect(none, &QPushButton::clicked, this, &ChannelsBox::onNoneButtonClicked);
    setFixedSize(200, 78);

    setChannels(QBitArray(ChannelCount));
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
