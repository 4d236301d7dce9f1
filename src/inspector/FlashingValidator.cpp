#include "inspector/FlashingValidator.h"

#include <QTimeLine>
#include <QWidget>

FlashingValidator::FlashingValidator(const QRegularExpression &expression, QWidget *target)
    : QRegularExpressionValidator(expression, target), m_target(target), m_timeLine(new QTimeLine(300, this))
{
    m_timeLine->setEasingCurve(QEasingCurve::SineCurve);
    m_timeLine->setUpdateInterval(16);
    connect(m_timeLine, &QTimeLine::valueChanged, this, &FlashingValidator::onTimeLineValueChanged);
}

QValidator::State FlashingValidator::validate(QString &input, int &pos) const
{
    const State state = QRegularExpressionValidator::validate(input, pos);
    if (state == Invalid) {
        // start() refuses a running time line; stopping first restarts the
        // flash from white at every rejected keystroke.
        m_timeLine->stop();
        m_timeLine->start();
    }
    return state;
}

void FlashingValidator::fixup(QString &input) const
{
    if (input.endsWith(QLatin1Char(',')))
        input.chop(1);
}

void FlashingValidator::onTimeLineValueChanged(qreal value)
{
    QPalette palette = m_target->palette();
    palette.setBrush(m_target->backgroundRole(), QColor::fromRgbF(1.0, 1.0 - value / 2, 1.0 - value / 2, 1.0));
    m_target->setPalette(palette);
}
