#ifndef INSPECTOR_NOTESSYNTAXHIGHLIGHER_H
#define INSPECTOR_NOTESSYNTAXHIGHLIGHER_H

#include <QSyntaxHighlighter>

class NotesEdit;

// Colours the pitch, velocity and duration lists of a notes text from the
// spans of its editor's last validation, and greys comments. A list that
// runs over a line break carries its colour into the next line through the
// block state (the list's kind, or -1). Only the first
// NotesEdit::ColouredLineLength characters of a line are coloured.
class NotesSyntaxHighligher : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    NotesSyntaxHighligher(NotesEdit *editor, QTextDocument *document);

protected:
    void highlightBlock(const QString &text) override;

private:
    NotesEdit *m_editor;
};

#endif
