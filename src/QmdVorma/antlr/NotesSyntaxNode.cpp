#include "QmdVorma/antlr/NotesSyntaxNode.h"

#include "QmdVorma/antlr/NotesInput.h"

#include <QStringList>

// After Qt: the runtime has a member named emit, which Qt's keyword macro
// would erase, and defines macros of its own.
#undef emit
#include <antlr3.h>

int NotesSyntaxNode::type() const
{
    if (!m_tree)
        return Invalid;
    // The end-of-text token is -1 in the runtime's unsigned type.
    return int(m_tree->getType(m_tree));
}

bool NotesSyntaxNode::tokenBytes(qint64 *first, qint64 *last) const
{
    if (!m_tree)
        return false;
    const pANTLR3_COMMON_TOKEN token = m_tree->getToken(m_tree);
    // Tokens read from the text carry no text of their own; tokens that
    // error recovery makes up do, and their start and stop are not in the
    // text (zero, or left over from whatever the runtime copied).
    if (!token || token->textState != ANTLR3_TEXT_NONE)
        return false;
    const ANTLR3_MARKER base = ANTLR3_MARKER(m_input->data());
    const qint64 start = qint64(token->start) - qint64(base);
    const qint64 stop = qint64(token->stop) - qint64(base);
    if (start < 0 || stop < start || stop >= m_input->size())
        return false;
    *first = start;
    *last = stop;
    return true;
}

QString NotesSyntaxNode::text() const
{
    qint64 first = 0;
    qint64 last = 0;
    if (tokenBytes(&first, &last))
        return m_input->textOfBytes(first, last);
    const pANTLR3_COMMON_TOKEN token = m_tree ? m_tree->getToken(m_tree) : nullptr;
    if (!token)
        return QString();
    switch (token->textState) {
    case ANTLR3_TEXT_CHARP:
        return token->tokText.chars
                   ? QString::fromUtf8(reinterpret_cast<const char *>(token->tokText.chars))
                   : QString();
    case ANTLR3_TEXT_STRING: {
        const pANTLR3_STRING s = token->tokText.text;
        return s && s->chars ? QString::fromUtf8(reinterpret_cast<const char *>(s->chars), int(s->len))
                             : QString();
    }
    default:
        return QString();
    }
}

int NotesSyntaxNode::childCount() const
{
    return m_tree ? int(m_tree->getChildCount(m_tree)) : 0;
}

NotesSyntaxNode NotesSyntaxNode::child(int index) const
{
    if (index < 0 || index >= childCount())
        return NotesSyntaxNode();
    return NotesSyntaxNode(m_input, static_cast<pANTLR3_BASE_TREE>(m_tree->getChild(m_tree, ANTLR3_UINT32(index))));
}

int NotesSyntaxNode::firstPosition() const
{
    qint64 first = 0;
    qint64 last = 0;
    return tokenBytes(&first, &last) ? m_input->positionOfByte(first) : -1;
}

int NotesSyntaxNode::lastPosition() const
{
    qint64 first = 0;
    qint64 last = 0;
    return tokenBytes(&first, &last) ? m_input->lastPositionOfByte(last) : -1;
}

QString NotesSyntaxNode::toStringTree() const
{
    const int n = childCount();
    if (n == 0)
        return text();
    QStringList parts;
    const bool nil = m_tree->isNilNode(m_tree);
    if (!nil)
        parts << text();
    for (int i = 0; i < n; ++i)
        parts << child(i).toStringTree();
    const QString joined = parts.join(QLatin1Char(' '));
    return nil ? joined : QLatin1Char('(') + joined + QLatin1Char(')');
}
