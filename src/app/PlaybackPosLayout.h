#ifndef APP_PLAYBACKPOSLAYOUT_H
#define APP_PLAYBACKPOSLAYOUT_H

#include <QChar>
#include <QVector>
#include <QtGlobal>

// What the position display shows, character by character: one entry for
// each drawn label of the mode's page, left to right (the hidden millions
// positions have none). Kept apart from the widgets so the digit arithmetic
// can be checked on its own.
class PlaybackPosLayout
{
public:
    enum Mode { Time = 1, Principals = 2, Beats = 3 };

    struct Glyph
    {
        QChar ch;
        bool dim = false;
    };

    struct Position
    {
        quint64 elapsedNs = 0;
        quint64 ticks = 0;
        quint64 beatTicks = 0;
        int divsPerPrincipal = 0;
    };

    // Empty for a mode other than the three above: nothing is drawn.
    static QVector<Glyph> glyphs(int mode, const Position &pos);
};

#endif
