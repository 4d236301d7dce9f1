#ifndef CANVAS_GRAPHICSTEXTBOXITEM_H
#define CANVAS_GRAPHICSTEXTBOXITEM_H

#include "canvas/GraphicsElementItem.h"

#include <QGraphicsTextItem>
#include <QPointer>

class GraphicsTextBoxEdit;

// A text box: the element's `Text` (HTML) at its position. A click on the
// box while it is selected edits it in place; the edited text is written to
// the document as one step when editing ends or before the window saves.
class GraphicsTextBoxItem : public GraphicsElementItem<QGraphicsTextItem>
{
    Q_OBJECT

public:
    GraphicsTextBoxItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene,
                        QGraphicsItem *parent = nullptr);
    // A ghost of the view: no element, no controller.
    explicit GraphicsTextBoxItem(NetworkScene *scene, QGraphicsItem *parent = nullptr);
    ~GraphicsTextBoxItem() override;

    enum { Type = TextBoxItemType };
    int type() const override { return Type; }

    // The open in-place editor, null when none.
    GraphicsTextBoxEdit *editor() const;

    // The document's annotation colour: the colour of text that its HTML
    // gives none, always opaque so the text stays legible.
    void setAnnotationColor(const QColor &color);

    void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

public slots:
    // Opens the editor with its cursor at the character nearest `pos` (item
    // coordinates); nothing when one is open.
    void openEditor(const QPointF &pos);
    // Writes a changed text as one "Text" step and closes the editor.
    void closeEditor();
    void selectAll();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void init();
    void writeText();
    void disconnectSaveRequest();

    QPointer<GraphicsTextBoxEdit> m_editor;
    // The window's saveRequested() commits the open editor first.
    QMetaObject::Connection m_saveConnection;
    // The HTML last taken from or written to the element: Qt's own HTML of a
    // text never equals what another writer stored, so the item compares
    // with this to tell a real change from the echo of one.
    QString m_knownHtml;
    // The item's own HTML when the editor opened: closing with the same text
    // writes nothing.
    QString m_htmlAtOpen;
    bool m_wasSelected = false;
};

#endif
