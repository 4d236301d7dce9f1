#include "app/PlaybackPosLayout.h"

namespace {

constexpr quint64 TicksPerPrincipal = 665280;
constexpr quint64 BeatTicksPerPulse = 2772;
constexpr quint64 PulsesPerBeat = 240;
constexpr quint64 NsPerMs = 1000000;
constexpr quint64 NsPerSecond = 1000 * NsPerMs;
constexpr quint64 NsPerMinute = 60 * NsPerSecond;
constexpr quint64 NsPerHour = 60 * NsPerMinute;

using Glyphs = QVector<PlaybackPosLayout::Glyph>;

void digit(Glyphs &out, quint64 value, bool dim = false)
{
    out.append({QChar(char('0' + value % 10)), dim});
}

void sign(Glyphs &out, char c, bool dim = false)
{
    out.append({QChar(c), dim});
}

// A count from 1 shown as "ddd,ddd." with the thousands group dim below 1000;
// the millions wrap away, as their positions are hidden.
void count(Glyphs &out, quint64 value)
{
    const bool dimThousands = value < 1000;
    digit(out, value / 100000, dimThousands);
    digit(out, value / 10000, dimThousands);
    digit(out, value / 1000, dimThousands);
    sign(out, ',', dimThousands);
    digit(out, value / 100);
    digit(out, value / 10);
    digit(out, value);
    sign(out, '.');
}

} // namespace

QVector<PlaybackPosLayout::Glyph> PlaybackPosLayout::glyphs(int mode, const Position &pos)
{
    Glyphs out;
    switch (mode) {
    case Time: {
        const quint64 n = pos.elapsedNs;
        const bool dimHours = n < NsPerHour;
        const quint64 hours = (n / NsPerHour) % 60;
        digit(out, hours / 10, dimHours);
        digit(out, hours, dimHours);
        sign(out, ':', dimHours);
        const bool dimMinutes = n < NsPerMinute;
        const quint64 minutes = (n / NsPerMinute) % 60;
        digit(out, minutes / 10, dimMinutes);
        digit(out, minutes, dimMinutes);
        sign(out, ':', dimMinutes);
        const quint64 seconds = (n / NsPerSecond) % 60;
        digit(out, seconds / 10);
        digit(out, seconds);
        sign(out, '.');
        const quint64 ms = (n / NsPerMs) % 1000;
        digit(out, ms / 100);
        digit(out, ms / 10);
        digit(out, ms);
        break;
    }
    case Principals: {
        count(out, pos.ticks / TicksPerPrincipal + 1);
        const quint64 d = pos.divsPerPrincipal > 0 ? quint64(pos.divsPerPrincipal) : 0;
        // A division finer than a tick would divide by zero; it shows 0 as
        // a missing division count does.
        const quint64 ticksPerDiv = d ? TicksPerPrincipal / d : 0;
        const quint64 div = ticksPerDiv ? (pos.ticks / ticksPerDiv) % d + 1 : 0;
        digit(out, div / 10);
        digit(out, div);
        break;
    }
    case Beats: {
        count(out, pos.beatTicks / TicksPerPrincipal + 1);
        const quint64 pulse = (pos.beatTicks / BeatTicksPerPulse) % PulsesPerBeat + 1;
        digit(out, pulse / 100);
        digit(out, pulse / 10);
        digit(out, pulse);
        break;
    }
    default:
        break;
    }
    return out;
}
