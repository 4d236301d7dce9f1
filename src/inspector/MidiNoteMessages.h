#ifndef INSPECTOR_MIDINOTEMESSAGES_H
#define INSPECTOR_MIDINOTEMESSAGES_H

#include <QVector>

// Keyboards send a release either as a note-off or as a note-on with
// velocity 0; the editors that take played notes read both the same way.
// Only complete three-byte messages count.
inline bool isNoteOnMessage(const QVector<quint8> &bytes)
{
    return bytes.size() == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0;
}

inline bool isNoteOffMessage(const QVector<quint8> &bytes)
{
    return bytes.size() == 3
           && ((bytes[0] & 0xF0) == 0x80 || ((bytes[0] & 0xF0) == 0x90 && bytes[2] == 0));
}

#endif
