#ifndef WIDGETS_SQUEEZEDTEXTCHECKBOX_H
#define WIDGETS_SQUEEZEDTEXTCHECKBOX_H

#include <QCheckBox>

// A check box whose label is shortened with an ellipsis to the room the box
// really has, so long MIDI port names fit a narrow panel. The size hint still
// asks for the whole text; layouts may squeeze it below that.
class SqueezedTextCheckBox : public QCheckBox
{
    Q_OBJECT
    Q_PROPERTY(Qt::TextElideMode textElideMode READ textElideMode WRITE setTextElideMode)

public:
    explicit SqueezedTextCheckBox(QWidget *parent = nullptr);

    QString fullText() const { return m_fullText; }
    Qt::TextElideMode textElideMode() const { return m_textElideMode; }
    void setTextElideMode(Qt::TextElideMode mode);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // Hides QAbstractButton::setText: the base class shows the elided text.
    void setText(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateIndicatorSpace();
    void squeeze();

    QString m_fullText;
    Qt::TextElideMode m_textElideMode = Qt::ElideMiddle;
    int m_indicatorSpace = 0;
};

#endif
