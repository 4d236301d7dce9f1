#include "canvas/GraphicsTextBoxItem.h"

#include "canvas/GraphicsTextBoxEdit.h"
#include "canvas/NetworkScene.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QTextDocument>
#include <QTextEdit>

namespace {

const char *const saveRequestedSignature = "saveRequested()";

} // namespace

GraphicsTextBoxItem::GraphicsTextBoxItem(QmdItemId elementId, QmdVormaController *controller,
                                         NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(elementId, controller, scene, parent)
{
    init();
}

GraphicsTextBoxItem::GraphicsTextBoxItem(NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(0, nullptr, scene, parent)
{
    init();
}

GraphicsTextBoxItem::~GraphicsTextBoxItem()
{
    // Going with an open editor (undo of the box, a delete, a reset or a
    // load) writes nothing. The editors (the open one and a closed one not
    // yet deleted) go first, cut off from closeEditor, while the document
    // their text edit works on is still whole; as plain child items they
    // would go only after the text item's own parts.
    disconnectSaveRequest();
    const QList<QGraphicsItem *> children = childItems();
    for (QGraphicsItem *child : children) {
        if (auto *editor = dynamic_cast<GraphicsTextBoxEdit *>(child)) {
            editor->disconnect(this);
            delete editor;
        }
    }
}

GraphicsTextBoxEdit *GraphicsTextBoxItem::editor() const
{
    return m_editor;
}

void GraphicsTextBoxItem::init()
{
    // The editor paints over the item while it is open, and text changes
    // with every keystroke: a cached picture would only go stale.
    setCacheMode(QGraphicsItem::NoCache);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    document()->setDefaultFont(font);
    document()->setDefaultStyleSheet(GraphicsTextBoxEdit::defaultStyleSheet());
    document()->setUseDesignMetrics(true);
    if (NetworkScene *scene = networkScene())
        setAnnotationColor(scene->annotationColor());
}

void GraphicsTextBoxItem::setAnnotationColor(const QColor &color)
{
    QColor opaque = color;
    opaque.setAlpha(255);
    if (opaque == defaultTextColor())
        return;
    setDefaultTextColor(opaque);
    // The editor paints the shared document itself, in this colour.
    if (m_editor)
        m_editor->update();
}

void GraphicsTextBoxItem::onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    GraphicsElementItem::onElementDataChanged(id, keys, rid);
    QmdVormaController *c = controller();
    if (!c || id != m_elementId || !keys.contains(QmdVorma::Keys::Text))
        return;
    m_ready = false;
    const QString html = c->elementData(id, QmdVorma::Keys::Text).toString();
    // Setting the same text again would move an open editor's cursor to the
    // start and drop its selection.
    if (html != m_knownHtml) {
        m_knownHtml = html;
        setHtml(html);
        m_htmlAtOpen = toHtml();
    }
    m_ready = true;
}

void GraphicsTextBoxItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    if (!m_editor)
        QGraphicsTextItem::paint(painter, option, widget);
}

void GraphicsTextBoxItem::openEditor(const QPointF &pos)
{
    if (m_editor)
        return;
    const int cursorPosition = document()->documentLayout()->hitTest(pos, Qt::FuzzyHit);
    m_htmlAtOpen = toHtml();
    m_editor = new GraphicsTextBoxEdit(this, qMax(0, cursorPosition));
    connect(m_editor, &GraphicsTextBoxEdit::editingFinished, this, &GraphicsTextBoxItem::closeEditor);
    const QList<QGraphicsView *> views = scene() ? scene()->views() : QList<QGraphicsView *>();
    QWidget *window = views.isEmpty() ? nullptr : views.first()->window();
    if (window && window->metaObject()->indexOfSignal(saveRequestedSignature) >= 0)
        m_saveConnection = connect(window, SIGNAL(saveRequested()), this, SLOT(closeEditor()));
    update();
}

void GraphicsTextBoxItem::closeEditor()
{
    disconnectSaveRequest();
    if (!m_editor)
        return;
    GraphicsTextBoxEdit *editor = m_editor;
    m_editor = nullptr;
    editor->disconnect(this);
    editor->restoreItemLayout();
    writeText();
    editor->hide();
    editor->deleteLater();
    update();
}

void GraphicsTextBoxItem::selectAll()
{
    if (m_editor)
        m_editor->textEdit()->selectAll();
}

void GraphicsTextBoxItem::writeText()
{
    QmdVormaController *c = controller();
    if (!c || !m_ready)
        return;
    const QmdIndex index = c->elementIndex(m_elementId);
    if (!index.isValid())
        return;
    const QString html = toHtml();
    if (html == m_htmlAtOpen || html == c->elementData(m_elementId, QmdVorma::Keys::Text).toString())
        return;
    m_knownHtml = html;
    c->requestSetData(QmdVorma::Keys::Text, html, index, QmdRequestOptions{0, tr("Text"), 0});
}

void GraphicsTextBoxItem::disconnectSaveRequest()
{
    disconnect(m_saveConnection);
    m_saveConnection = QMetaObject::Connection();
}

void GraphicsTextBoxItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_wasSelected = isSelected();
    QGraphicsTextItem::mousePressEvent(event);
}

void GraphicsTextBoxItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsTextItem::mouseReleaseEvent(event);
    // Dragging a selected box moves it; only a click edits it.
    const QPoint travel = event->screenPos() - event->buttonDownScreenPos(Qt::LeftButton);
    if (m_wasSelected && !m_editor && travel.manhattanLength() < QApplication::startDragDistance())
        openEditor(event->pos());
    m_wasSelected = false;
}
