#include "QmdVorma/playback/NotesEvaluation.h"

#include "QmdVorma/PitchNames.h"

#include <QVector>

#include <cmath>

namespace QmdVorma {

namespace {

constexpr int AllDegrees = 0xFFF;

// More whole octaves than this leave every MIDI pitch behind, whatever the
// start: the caller's clamp then decides.
constexpr qint64 MaxOctaves = 16;

int pitchClass(int pitch, int key)
{
    return ((pitch - key) % 12 + 12) % 12;
}

bool onScale(int pitch, int key, int set)
{
    return (set >> pitchClass(pitch, key)) & 1;
}

int popCount(int set)
{
    int n = 0;
    for (int bit = 0; bit < 12; ++bit)
        n += (set >> bit) & 1;
    return n;
}

double itemNumber(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : 0.0;
}

} // namespace

int stepScaleDegrees(int pitch, qint64 steps, int direction, int key, int degreeSet)
{
    int set = degreeSet & AllDegrees;
    if (set == 0)
        set = AllDegrees;
    key = ((key % 12) + 12) % 12;
    const int dir = direction < 0 ? -1 : 1;

    int moved = 0;
    if (steps <= 0) {
        while (!onScale(pitch + moved, key, set))
            moved += dir;
        return pitch + moved;
    }
    // From wherever it starts, the k-th step after any step lands exactly
    // one octave beyond it, so all but the last k steps are whole octaves.
    const int degrees = popCount(set);
    const qint64 octaves = std::min((steps - 1) / degrees, MaxOctaves);
    const qint64 rest = steps - ((steps - 1) / degrees) * degrees;
    for (qint64 i = 0; i < rest; ++i) {
        moved += dir;
        while (!onScale(pitch + moved, key, set))
            moved += dir;
    }
    return pitch + moved + dir * 12 * int(octaves);
}

QString pickListItem(const QString &list, int cursor, int *nextCursor)
{
    const QVector<QStringRef> items = list.splitRef(QLatin1Char(','), Qt::SkipEmptyParts);
    if (cursor < 0 || cursor >= items.size())
        cursor = 0;
    if (nextCursor)
        *nextCursor = cursor + 1;
    return items.isEmpty() ? QString() : items.at(cursor).toString();
}

qint64 itemInteger(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 0;
}

int applyPitchItem(int pitch, const QString &item, int key, int degreeSet)
{
    int p = pitch;
    if (item.startsWith(QLatin1Char('+')) || item.startsWith(QLatin1Char('-'))) {
        const qint64 steps = itemInteger(item.mid(1));
        p = stepScaleDegrees(p, steps < 0 ? 0 : steps, item.startsWith(QLatin1Char('+')) ? 1 : -1, key,
                             degreeSet);
    } else if (!item.isEmpty()) {
        p = pitchFromName(item);
    }
    return qBound(0, p, 127);
}

int applyVelocityItem(int velocity, const QString &item)
{
    qint64 v = velocity;
    if (item.startsWith(QLatin1Char('+')) || item.startsWith(QLatin1Char('-')))
        // Bounded first, so no sum can overflow; the clamp below decides.
        v += qBound<qint64>(-1000, itemInteger(item), 1000);
    else if (!item.isEmpty())
        v = itemInteger(item);
    return int(qBound<qint64>(0, v, 127));
}

qint64 applyDurationItem(qint64 duration, const QString &item, Ticks percentBase)
{
    const qint64 d = qBound<qint64>(0, duration, MaxNoteDuration);
    if (item.isEmpty())
        return d;
    QString text = item;
    double factor = 1.0;
    double base = double(TicksPerPrincipal);
    if (text.endsWith(QLatin1Char('%'))) {
        text.chop(1);
        factor = 0.01;
        base = double(percentBase);
    }
    double result;
    const QChar first = text.isEmpty() ? QChar() : text.at(0);
    if (first == QLatin1Char('*'))
        result = itemNumber(text.mid(1)) * double(d);
    else if (first == QLatin1Char('/'))
        result = double(d) / itemNumber(text.mid(1));
    else if (first == QLatin1Char('+') || first == QLatin1Char('-'))
        result = double(d) + itemNumber(text) * factor * base;
    else
        result = itemNumber(text) * factor * base;

    // 0 / 0 has no value: the note keeps what the voice brought. Anything
    // else beyond the range (a division of a duration by 0 among them) is
    // cut to the bound on its side.
    if (std::isnan(result))
        return d;
    if (result >= double(MaxNoteDuration))
        return MaxNoteDuration;
    if (result <= 0.0)
        return 0;
    return std::llround(result);
}

int initialPitch(const QString &text, int key, int degreeSet)
{
    if (!text.startsWith(QLatin1Char('+')) && !text.startsWith(QLatin1Char('-')))
        return pitchFromName(text);
    key = ((key % 12) + 12) % 12;
    const int tonic = key + (key <= 8 ? 60 : 48);
    const qint64 steps = itemInteger(text.mid(1));
    const int p = stepScaleDegrees(tonic, steps < 0 ? 0 : steps, text.startsWith(QLatin1Char('+')) ? 1 : -1, key,
                                   degreeSet);
    return qBound(1, p, 127);
}

} // namespace QmdVorma
