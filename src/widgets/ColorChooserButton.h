#ifndef WIDGETS_COLORCHOOSERBUTTON_H
#define WIDGETS_COLORCHOOSERBUTTON_H

#include <QColor>
#include <QPushButton>

// A push button showing a colour as a swatch; a click hands the
// application's shared colour dialog to this button, so every colour picked
// there arrives through setColor while the dialog serves it.
class ColorChooserButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool ignoreAlpha READ ignoreAlpha WRITE setIgnoreAlpha)

public:
    explicit ColorChooserButton(QWidget *parent = nullptr);

    QColor color() const { return m_currentColor; }
    bool ignoreAlpha() const { return m_ignoreAlpha; }

signals:
    void colorChanged(const QColor &color);

public slots:
    // Always reports, even an unchanged colour (the binding relies on it).
    void setColor(const QColor &color);
    // Takes effect with the next setColor; the colour shown stays as it is.
    void setIgnoreAlpha(bool ignore);
    void onClicked();

private:
    QPixmap swatch() const;

    QColor m_currentColor;
    bool m_ignoreAlpha = false;
    int m_swatchMargin = 3;
};

#endif
