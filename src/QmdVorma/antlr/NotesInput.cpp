#include "QmdVorma/antlr/NotesInput.h"

#include <climits>

NotesInput::NotesInput(const QString &text)
    : m_textLength(text.size())
{
    const QChar *units = text.constData();
    const int n = text.size();

    bool ascii = true;
    for (int i = 0; i < n && ascii; ++i)
        ascii = units[i].unicode() < 0x80;
    if (ascii) {
        m_utf8.resize(n);
        char *out = m_utf8.data();
        for (int i = 0; i < n; ++i)
            out[i] = char(units[i].unicode());
        return;
    }

    const int reserved = qMin(n, INT_MAX / 4) * 3;
    m_utf8.reserve(reserved);
    m_positions.reserve(size_t(reserved) + 1);
    auto put = [this](uint byte, int position) {
        m_utf8.append(char(byte));
        m_positions.push_back(position);
    };
    for (int i = 0; i < n; ++i) {
        const int position = i;
        uint c = units[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && units[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(ushort(c), units[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            put(c, position);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6), position);
            put(0x80 | (c & 0x3F), position);
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12), position);
            put(0x80 | ((c >> 6) & 0x3F), position);
            put(0x80 | (c & 0x3F), position);
        } else {
            put(0xF0 | (c >> 18), position);
            put(0x80 | ((c >> 12) & 0x3F), position);
            put(0x80 | ((c >> 6) & 0x3F), position);
            put(0x80 | (c & 0x3F), position);
        }
    }
    m_positions.push_back(n);
}

int NotesInput::positionOfByte(qint64 byte) const
{
    if (byte < 0 || byte >= size())
        return -1;
    return m_positions.empty() ? int(byte) : m_positions[size_t(byte)];
}

int NotesInput::lastPositionOfByte(qint64 byte) const
{
    if (byte < 0 || byte >= size())
        return -1;
    // The character ends one unit before the one that follows it begins.
    return m_positions.empty() ? int(byte) : m_positions[size_t(byte) + 1] - 1;
}

QString NotesInput::textOfBytes(qint64 first, qint64 last) const
{
    if (first < 0 || last >= size() || first > last)
        return QString();
    return QString::fromUtf8(data() + first, int(last - first + 1));
}
