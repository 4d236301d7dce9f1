#include "canvas/GraphicsTextBoxEdit.h"

#include "canvas/GraphicsTextBoxItem.h"
#include "widgets/ApplicationServices.h"

#include <QAbstractTextDocumentLayout>
#include <QActionGroup>
#include <QFontDatabase>
#include <QGraphicsSceneContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextEdit>

QString GraphicsTextBoxEdit::defaultStyleSheet()
{
    // No colour: a colour here would be written into the HTML of every text
    // typed, and the text would no longer follow the document's style.
    return QStringLiteral("body { font-family:'Arial'; font-size:12pt; font-style:normal; }");
}

QList<int> GraphicsTextBoxEdit::fontSizes()
{
    QList<int> sizes = QFontDatabase::standardSizes();
    sizes << 96 << 144 << 288;
    return sizes;
}

GraphicsTextBoxEdit::GraphicsTextBoxEdit(GraphicsTextBoxItem *item, int cursorPosition)
    : QGraphicsProxyWidget(item)
    , m_item(item)
    , m_textEdit(new QTextEdit)
    , m_itemPageSize(item->document()->pageSize())
    , m_itemTextOption(item->document()->defaultTextOption())
{
    setCacheMode(item->cacheMode());
    m_textEdit->setLineWrapMode(QTextEdit::NoWrap);
    m_textEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Without a frame the editor's document lies where the item draws it, so
    // a click lands on the character under the pointer.
    m_textEdit->setFrameStyle(QFrame::NoFrame);
    m_textEdit->setMinimumSize(1, 1);
    m_textEdit->setDocument(item->document());
    setWidget(m_textEdit);
    connect(m_textEdit, &QTextEdit::textChanged, this, &GraphicsTextBoxEdit::onTextChanged);
    connect(m_textEdit, &QTextEdit::currentCharFormatChanged, this,
            &GraphicsTextBoxEdit::onCurrentCharFormatChanged);
    onTextChanged();

    setFocus(Qt::OtherFocusReason);
    m_textEdit->setFocus(Qt::OtherFocusReason);
    QTextCursor cursor = m_textEdit->textCursor();
    cursor.setPosition(qBound(0, cursorPosition, item->document()->characterCount() - 1));
    m_textEdit->setTextCursor(cursor);
    onCurrentCharFormatChanged(m_textEdit->currentCharFormat());
}

void GraphicsTextBoxEdit::restoreItemLayout()
{
    // The editor laid the shared document out for itself (no wrapping, its
    // own page width); the item draws it as before.
    QTextDocument *document = m_textEdit->document();
    document->setDefaultTextOption(m_itemTextOption);
    document->setPageSize(m_itemPageSize);
}

void GraphicsTextBoxEdit::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    // The document is drawn as the item draws it, with the cursor and the
    // selection on top, rather than the editor widget with its background.
    QAbstractTextDocumentLayout::PaintContext context;
    const QTextCursor cursor = m_textEdit->textCursor();
    context.cursorPosition = cursor.position();
    context.palette.setColor(QPalette::Text, m_item->defaultTextColor());
    if (cursor.hasSelection()) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = cursor;
        const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
        selection.format.setBackground(option->palette.brush(group, QPalette::Highlight));
        context.selections.append(selection);
    }
    context.clip = option->exposedRect;
    painter->save();
    painter->setClipRect(option->exposedRect, Qt::IntersectClip);
    m_textEdit->document()->documentLayout()->draw(painter, context);
    painter->restore();
}

void GraphicsTextBoxEdit::removeSelectedText()
{
    m_textEdit->textCursor().removeSelectedText();
}

void GraphicsTextBoxEdit::setFontBold(bool bold)
{
    m_textEdit->setFontWeight(bold ? QFont::Bold : QFont::Normal);
}

double GraphicsTextBoxEdit::currentPointSize() const
{
    const double size = m_textEdit->fontPointSize();
    return size > 0 ? size : m_textEdit->currentFont().pointSizeF();
}

void GraphicsTextBoxEdit::setFontBigger()
{
    m_textEdit->setFontPointSize(currentPointSize() + 1);
}

void GraphicsTextBoxEdit::setFontSmaller()
{
    const double size = currentPointSize();
    if (size > 1)
        m_textEdit->setFontPointSize(size - 1);
}

void GraphicsTextBoxEdit::onCurrentCharFormatChanged(const QTextCharFormat &format)
{
    ApplicationServices::updateFontDialog(format.font());
    // Text without a colour of its own shows in the box's default colour.
    const bool ownColour = format.hasProperty(QTextFormat::ForegroundBrush);
    ApplicationServices::updateColorDialog(ownColour ? format.foreground().color() : m_item->defaultTextColor());
}

void GraphicsTextBoxEdit::onFontFamilyActionTriggered(QAction *action)
{
    m_textEdit->setFontFamily(action->text());
}

void GraphicsTextBoxEdit::onFontSizeActionTriggered(QAction *action)
{
    bool ok = false;
    const double size = action->text().toDouble(&ok);
    if (ok && size > 0)
        m_textEdit->setFontPointSize(size);
}

void GraphicsTextBoxEdit::onTextChanged()
{
    resize(m_textEdit->document()->size());
}

bool GraphicsTextBoxEdit::isFormatKey(const QKeyEvent *event) const
{
    const int key = event->key();
    return event->modifiers() == Qt::ControlModifier
        && (key == Qt::Key_B || key == Qt::Key_I || key == Qt::Key_U);
}

bool GraphicsTextBoxEdit::event(QEvent *event)
{
    // The format keys belong to the text while it is edited, even where the
    // window has a shortcut on one of them.
    if (event->type() == QEvent::ShortcutOverride && isFormatKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QGraphicsProxyWidget::event(event);
}

void GraphicsTextBoxEdit::keyPressEvent(QKeyEvent *event)
{
    if (!isFormatKey(event)) {
        QGraphicsProxyWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_B:
        setFontBold(m_textEdit->fontWeight() < 51);
        break;
    case Qt::Key_I:
        m_textEdit->setFontItalic(!m_textEdit->fontItalic());
        break;
    default:
        m_textEdit->setFontUnderline(!m_textEdit->fontUnderline());
        break;
    }
    event->accept();
}

void GraphicsTextBoxEdit::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsProxyWidget::mousePressEvent(event);
    ApplicationServices::connectFontDialog(m_textEdit, SLOT(setCurrentFont(QFont)));
    ApplicationServices::connectColorDialog(m_textEdit, SLOT(setTextColor(QColor)));
}

bool GraphicsTextBoxEdit::servedByDialog() const
{
    return (ApplicationServices::isFontDialogVisible() && ApplicationServices::fontDialogClient() == m_textEdit)
        || (ApplicationServices::isColorDialogVisible()
            && ApplicationServices::colorDialogClient() == m_textEdit);
}

void GraphicsTextBoxEdit::focusOutEvent(QFocusEvent *event)
{
    QGraphicsProxyWidget::focusOutEvent(event);
    // Focus going to the editor's own menu or to a dialog serving it still
    // belongs to editing.
    if (m_openContextMenu || servedByDialog())
        return;
    emit editingFinished();
}

void GraphicsTextBoxEdit::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    if (m_textEdit->isReadOnly())
        return;
    const bool hasSelection = m_textEdit->textCursor().hasSelection();
    QMenu menu;
    m_openContextMenu = &menu;
    QAction *action = menu.addAction(tr("Cu&t"), m_textEdit, &QTextEdit::cut, QKeySequence::Cut);
    action->setEnabled(hasSelection);
    action = menu.addAction(tr("&Copy"), m_textEdit, &QTextEdit::copy, QKeySequence::Copy);
    action->setEnabled(hasSelection);
    action = menu.addAction(tr("&Paste"), m_textEdit, &QTextEdit::paste, QKeySequence::Paste);
    action->setEnabled(m_textEdit->canPaste());
    action = menu.addAction(tr("&Delete"), this, &GraphicsTextBoxEdit::removeSelectedText,
                            QKeySequence::Delete);
    action->setEnabled(hasSelection);
    menu.addAction(tr("Select A&ll"), m_textEdit, &QTextEdit::selectAll, QKeySequence::SelectAll);
    menu.addSeparator();
    addFontMenu(&menu);
    const QPointer<GraphicsTextBoxEdit> self(this);
    menu.exec(event->screenPos());
    // The box may have gone meanwhile (a document loaded while the menu was
    // open), taking its editor along.
    if (!self)
        return;
    m_openContextMenu = nullptr;
    event->accept();
}

void GraphicsTextBoxEdit::addFontMenu(QMenu *menu)
{
    const QTextCharFormat format = m_textEdit->currentCharFormat();
    QMenu *fontMenu = menu->addMenu(tr("&Font"));

    QMenu *familyMenu = fontMenu->addMenu(tr("&Family"));
    auto *families = new QActionGroup(familyMenu);
    families->setExclusive(true);
    const QString currentFamily = format.font().family();
    const QStringList familyNames = QFontDatabase().families();
    for (const QString &family : familyNames) {
        QAction *action = familyMenu->addAction(family);
        action->setCheckable(true);
        action->setChecked(family == currentFamily);
        families->addAction(action);
    }
    connect(families, &QActionGroup::triggered, this, &GraphicsTextBoxEdit::onFontFamilyActionTriggered);

    QMenu *sizeMenu = fontMenu->addMenu(tr("&Size"));
    auto *sizes = new QActionGroup(sizeMenu);
    sizes->setExclusive(true);
    const double currentSize = format.font().pointSizeF();
    const QList<int> sizeList = fontSizes();
    for (int size : sizeList) {
        QAction *action = sizeMenu->addAction(QString::number(size));
        action->setCheckable(true);
        action->setChecked(qFuzzyCompare(double(size), currentSize));
        sizes->addAction(action);
    }
    connect(sizes, &QActionGroup::triggered, this, &GraphicsTextBoxEdit::onFontSizeActionTriggered);

    const int weight = format.fontWeight() == 0 ? QFont::Normal : format.fontWeight();
    QAction *bold = fontMenu->addAction(tr("&Bold"), this, &GraphicsTextBoxEdit::setFontBold);
    bold->setCheckable(true);
    bold->setChecked(weight > QFont::Normal);
    QAction *italic = fontMenu->addAction(tr("&Italic"), m_textEdit, &QTextEdit::setFontItalic);
    italic->setCheckable(true);
    italic->setChecked(format.fontItalic());
    QAction *underline = fontMenu->addAction(tr("&Underline"), m_textEdit, &QTextEdit::setFontUnderline);
    underline->setCheckable(true);
    underline->setChecked(format.fontUnderline());
    fontMenu->addSeparator();
    fontMenu->addAction(tr("Show &Colors"), [] { ApplicationServices::showColorDialog(); });
}
