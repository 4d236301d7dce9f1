#ifndef CANVAS_GRAPHICSTEXTBOXEDIT_H
#define CANVAS_GRAPHICSTEXTBOXEDIT_H

#include <QGraphicsProxyWidget>
#include <QMenu>
#include <QPointer>
#include <QSizeF>
#include <QTextCharFormat>
#include <QTextOption>

class GraphicsTextBoxItem;
class QAction;
class QTextEdit;

// The in-place editor of a text box: a rich-text editor working on the
// box's own text document, so the box shows every keystroke, with a menu of
// fonts and the application's shared font and colour dialogs.
class GraphicsTextBoxEdit : public QGraphicsProxyWidget
{
    Q_OBJECT

public:
    // The look of a text box's text that its HTML does not set.
    static QString defaultStyleSheet();
    // The sizes offered in the font menu.
    static QList<int> fontSizes();

    GraphicsTextBoxEdit(GraphicsTextBoxItem *item, int cursorPosition);

    // Gives the item's document back the layout it had before editing.
    void restoreItemLayout();

    QTextEdit *textEdit() const { return m_textEdit; }
    QMenu *openContextMenu() const { return m_openContextMenu; }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

signals:
    void editingFinished();

public slots:
    void removeSelectedText();
    void setFontBold(bool bold);
    void setFontBigger();
    void setFontSmaller();
    void onCurrentCharFormatChanged(const QTextCharFormat &format);
    void onFontFamilyActionTriggered(QAction *action);
    void onFontSizeActionTriggered(QAction *action);
    void onTextChanged();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;

private:
    bool isFormatKey(const QKeyEvent *event) const;
    bool servedByDialog() const;
    void addFontMenu(QMenu *menu);
    double currentPointSize() const;

    GraphicsTextBoxItem *m_item;
    QTextEdit *m_textEdit;
    QPointer<QMenu> m_openContextMenu;
    // What the editor changes on the shared document, given back on closing.
    QSizeF m_itemPageSize;
    QTextOption m_itemTextOption;
};

#endif
