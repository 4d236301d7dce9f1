#ifndef BENCH_NOTESTEXTS_H
#define BENCH_NOTESTEXTS_H

#include <QString>
#include <QStringList>

// Notes texts as users write them: twenty notes of absolute and relative
// pitches, chords, and velocity and duration lists of every form. The
// texts differ from one index to the next, as the nodes of a document do, so
// no cache of a recent text could answer for the next one.
inline QString typicalNotesText(int index)
{
    static const char *const names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    static const char *const durations[] = {"100%", "50%", "*1.5", "/2", "1", "2", "0.75", "+10%"};
    quint32 state = quint32(index) * 2654435761u + 12345u;
    auto next = [&state](quint32 bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    QStringList notes;
    for (int i = 0; i < 20; ++i) {
        QString note;
        if (next(5) == 0)
            note = QStringLiteral("%1%2").arg(next(2) ? '+' : '-').arg(next(12) + 1);
        else
            note = QStringLiteral("%1%2").arg(QLatin1String(names[next(12)])).arg(next(5) + 2);
        if (next(6) == 0)
            note += QStringLiteral(",%1%2").arg(QLatin1String(names[next(12)])).arg(next(5) + 2);
        switch (next(4)) {
        case 0:
            break;
        case 1:
            note += QStringLiteral(":%1").arg(next(127) + 1);
            break;
        case 2:
            note += QStringLiteral(":%1:%2").arg(next(127) + 1).arg(QLatin1String(durations[next(8)]));
            break;
        default:
            note += QStringLiteral("::%1").arg(QLatin1String(durations[next(8)]));
            break;
        }
        notes << note;
    }
    // Unique whatever the draws: the index itself is the last velocity.
    notes.last() = QStringLiteral("C3:%1").arg(index);
    return notes.join(QLatin1Char(' '));
}

#endif
