#include "inspector/NotesSyntaxHighligher.h"

#include "inspector/NotesEdit.h"

#include <QTextCharFormat>

namespace {

QTextCharFormat listFormat(int kind)
{
    QColor color(Qt::black);
    switch (kind) {
    case QmdVormaController::PitchListToken: color = QColor(0, 112, 214); break;
    case QmdVormaController::VelocityListToken: color = QColor(213, 0, 156); break;
    case QmdVormaController::DurationListToken: color = QColor(106, 165, 6); break;
    default: break;
    }
    QTextCharFormat format;
    format.setForeground(color);
    format.setFontCapitalization(QFont::AllLowercase);
    return format;
}

QTextCharFormat commentFormat()
{
    QTextCharFormat format;
    format.setForeground(QColor(100, 100, 100));
    format.setFontCapitalization(QFont::AllLowercase);
    return format;
}

} // namespace

NotesSyntaxHighligher::NotesSyntaxHighligher(NotesEdit *editor, QTextDocument *document)
    : QSyntaxHighlighter(document), m_editor(editor)
{
}

void NotesSyntaxHighligher::highlightBlock(const QString &text)
{
    const NotesEdit::TokenMap &tokens = m_editor->tokens();
    const int lineStart = currentBlock().position();
    const int lineLength = currentBlock().length(); // with the line break
    const int colouredLength = qMin(lineLength, NotesEdit::ColouredLineLength);
    const auto first = tokens.lowerBound(lineStart);
    const auto end = tokens.lowerBound(lineStart + colouredLength);

    int state = -1;
    int lastColoured = -1;
    const int previous = previousBlockState();
    if (previous != -1) {
        const int head = first != end ? first.key() - lineStart : colouredLength;
        setFormat(0, head, listFormat(previous));
        state = previous;
        lastColoured = head - 1;
    }
    for (auto it = first; it != end; ++it) {
        const int length = it.value().first;
        if (length <= 0)
            continue;
        const int d = it.key() - lineStart;
        const int from = qMin(d, lineLength - 1);
        const int count = qMin(length, colouredLength - d);
        setFormat(from, count, listFormat(it.value().second));
        state = it.value().second;
        lastColoured = from + count - 1;
    }
    setCurrentBlockState(lastColoured >= lineLength - 1 ? state : -1);

    const int comment = text.indexOf(QLatin1String("//"));
    if (comment >= 0)
        setFormat(comment, text.size() - comment, commentFormat());
}
