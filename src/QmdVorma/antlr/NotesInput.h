#ifndef QMDVORMA_ANTLR_NOTESINPUT_H
#define QMDVORMA_ANTLR_NOTESINPUT_H

#include <QByteArray>
#include <QString>

#include <vector>

// A notes text in the UTF-8 form the recognizers read, with the way back from
// a byte of that form to a position in the text (QString positions: a
// character above U+FFFF counts as two). An unpaired surrogate, which has no
// UTF-8 form, is read as U+FFFD and still counts as one position.
class NotesInput
{
public:
    explicit NotesInput(const QString &text);

    const char *data() const { return m_utf8.constData(); }
    qint64 size() const { return m_utf8.size(); }
    int textLength() const { return m_textLength; }

    // Position of the character that begins at byte, or -1 outside the text.
    int positionOfByte(qint64 byte) const;
    // Position of the last unit of the character that ends at byte (as a
    // token's last byte does), or -1 outside the text.
    int lastPositionOfByte(qint64 byte) const;
    // The characters of bytes first to last, both included.
    QString textOfBytes(qint64 first, qint64 last) const;

private:
    QByteArray m_utf8;
    int m_textLength = 0;
    // Position of the character each byte belongs to, plus one entry for the
    // end; empty while every character is ASCII (bytes are positions then).
    std::vector<int> m_positions;
};

#endif
