#ifndef QMDVORMA_INSTRUMENTTYPEKEYS_H
#define QMDVORMA_INSTRUMENTTYPEKEYS_H

#include <QString>

// The `Type` of an instrument entry names the kind of output that plays it.
namespace QmdVorma {

// An instrument that sends MIDI through an output port; the engine's MIDI
// instrument reports the same key as its type.
inline const QString MidiInstrumentTypeKey = QStringLiteral("midi");

} // namespace QmdVorma

#endif
