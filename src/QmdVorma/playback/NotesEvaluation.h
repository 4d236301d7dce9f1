#ifndef QMDVORMA_PLAYBACK_NOTESEVALUATION_H
#define QMDVORMA_PLAYBACK_NOTESEVALUATION_H

#include "QmdVorma/QmdVorma.h"

#include <QString>

// The meaning of the items of a note's pitch, velocity and duration lists,
// as a voice's arrival applies them to the state the voice carries. None of
// these keeps state or touches the document.
namespace QmdVorma {

// The longest note: 10,000 principals.
constexpr qint64 MaxNoteDuration = qint64(10000) * qint64(TicksPerPrincipal);

// Moves pitch by `steps` (0 or more) degrees of a scale in `direction` (+1
// or -1). `degreeSet` holds the scale's chromatic degrees above `key` in
// bits 0 to 11; without any of them it counts as all twelve. Zero steps
// snaps a pitch that is off the scale onto the next degree in the
// direction; each further step lands on the next degree. The result is not
// clamped: callers clamp it to the range they need. Every step count
// costs the same: whole octaves are taken at once, and counts beyond any
// MIDI range are cut short.
int stepScaleDegrees(int pitch, qint64 steps, int direction, int key, int degreeSet);

// Item `cursor` of a list of items joined by "," (empty items do not
// count). A cursor past the end starts again at item 0. `nextCursor` gets
// the cursor to store for the next arrival. Empty when the list has no
// item at all.
QString pickListItem(const QString &list, int cursor, int *nextCursor);

// A pitch item applied to a carried pitch: "+n" / "-n" move by scale
// degrees, anything else is a pitch name; an empty item keeps the pitch.
// The result lies in 0..127.
int applyPitchItem(int pitch, const QString &item, int key, int degreeSet);

// A velocity item: "+n" / "-n" add to the carried velocity, a plain number
// replaces it; an empty item keeps it. The result lies in 0..127.
int applyVelocityItem(int velocity, const QString &item);

// A duration item in principals: "n", "+n" and "-n" replace or add, "*n"
// and "/n" scale the carried duration. A trailing "%" makes the number a
// percentage of `percentBase` ticks instead of principals (for "*" and "/"
// the number stays a plain factor). An empty item keeps the duration.
// The result lies in 0..MaxNoteDuration; what no number can express (a
// division of 0 by 0) keeps the carried duration, anything beyond the
// range is cut to its bound.
qint64 applyDurationItem(qint64 duration, const QString &item, Ticks percentBase);

// The pitch a voice group's `InitialPitch` gives: a pitch name, or "+n" /
// "-n" scale degrees from the scale's tonic between 57 and 68, then kept
// within 1..127. Names are not clamped here (A8 is 129).
int initialPitch(const QString &text, int key, int degreeSet);

// A whole number in an item; 0 when it is none (no item that the notes
// language admits is unreadable, but a hand-edited document can hold one).
qint64 itemInteger(const QString &text);

} // namespace QmdVorma

#endif
