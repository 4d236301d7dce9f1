#include "QmdVorma/PitchNames.h"

namespace QmdVorma {

namespace {

const char *const noteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

int letterValue(QChar letter)
{
    switch (letter.toUpper().unicode()) {
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return 0; // 'C' and anything unknown
    }
}

} // namespace

QString pitchName(quint8 note)
{
    return QStringLiteral("%1%2").arg(QLatin1String(noteNames[note % 12])).arg(note / 12 - 2);
}

quint8 pitchFromName(const QString &name)
{
    // The octave is the text from the first "-" or digit 0 to 8 on. A plain
    // scan instead of a regular expression keeps this free of shared state.
    int start = -1;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('-') || (c >= QLatin1Char('0') && c <= QLatin1Char('8'))) {
            start = i;
            break;
        }
    }
    if (start <= 0)
        return 0;
    bool ok = false;
    const short octave = name.midRef(start).toShort(&ok, 10);
    return pitchFromLetterAndOctave(name.left(start), ok ? octave : 0);
}

quint8 pitchFromLetterAndOctave(const QString &letters, int octave)
{
    if (letters.isEmpty())
        return 0;
    int value = letterValue(letters.at(0));
    if (letters.size() > 1 && letters.at(1) == QLatin1Char('#'))
        ++value;
    // 64 bits: any int octave is a caller's to pass without overflow.
    const qint64 sum = qint64(octave) * 12 + value + 24;
    if (sum < 0)
        return 0; // below C-2 there is no note to wrap around to
    return quint8(sum % 256);
}

} // namespace QmdVorma
