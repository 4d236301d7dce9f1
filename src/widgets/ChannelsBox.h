#ifndef WIDGETS_CHANNELSBOX_H
#define WIDGETS_CHANNELSBOX_H

#include <QBitArray>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QPushButton;

// The 16 MIDI channels of an instrument as a grid of toggle buttons, with
// All and None. Bit i is channel i + 1. Its size is fixed, and grows with
// its font beyond the designed 200 by 78 only as far as the texts need.
class ChannelsBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QBitArray channels READ channels WRITE setChannels NOTIFY channelsChanged)

public:
    static constexpr int ChannelCount = 16;

    explicit ChannelsBox(QWidget *parent = nullptr);

    QBitArray channels() const { return m_channelBits; }

signals:
    void channelsChanged(const QBitArray &channels);

public slots:
    // Always reports, even an unchanged set: the binding that set it relies
    // on the echo to write the normalised 16 bits back.
    void setChannels(const QBitArray &channels);
    void onButtonClicked(QAbstractButton *button);
    void onAllButtonClicked();
    void onNoneButtonClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    static constexpr int Margin = 4;
    static constexpr int Spacing = 2;

    void fitToFont();

    QBitArray m_channelBits;
    QButtonGroup *m_buttonGroup;
    QPushButton *m_allButton = nullptr;
    QPushButton *m_noneButton = nullptr;
};

#endif
