#ifndef INSPECTOR_FLASHINGVALIDATOR_H
#define INSPECTOR_FLASHINGVALIDATOR_H

#include <QRegularExpressionValidator>

class QTimeLine;

// The validator of the inspector's line editors. A keystroke the expression
// rejects is dropped without a sound, so the editor's background flashes
// light red to show it. A list left with a dangling comma is mended when the
// edit ends.
class FlashingValidator : public QRegularExpressionValidator
{
    Q_OBJECT

public:
    // The expression must match the whole text. target is the widget that
    // flashes; it also owns the validator.
    FlashingValidator(const QRegularExpression &expression, QWidget *target);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private slots:
    void onTimeLineValueChanged(qreal value);

private:
    QWidget *m_target;
    QTimeLine *m_timeLine;
};

#endif
