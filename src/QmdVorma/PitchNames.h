#ifndef QMDVORMA_PITCHNAMES_H
#define QMDVORMA_PITCHNAMES_H

#include <QString>
#include <QtGlobal>

// MIDI note numbers and their names: sharps only, and the octave of note n is
// n / 12 - 2, so note 60 is "C3", note 0 "C-2" and note 127 "G8".
//
// None of these keeps state; voice-group threads call them as freely as the
// user interface does.
namespace QmdVorma {

QString pitchName(quint8 note);

// The note a name stands for. The octave begins at the first "-" or digit 0
// to 8; a name without one, or beginning with one, reads as 0. Letters are
// read case-blind, so "e3" is 64 like "E3".
quint8 pitchFromName(const QString &name);

// The note of letters ("C", "c#", ...) in an octave. An unknown letter counts
// as C. Below C-2 the result is 0; above G8 it is (octave * 12 + value + 24)
// modulo 256 (A8 is 129), which callers clamp as they need.
quint8 pitchFromLetterAndOctave(const QString &letters, int octave);

} // namespace QmdVorma

#endif
