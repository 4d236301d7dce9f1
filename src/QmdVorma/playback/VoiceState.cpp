#include "QmdVorma/playback/VoiceState.h"

#include <cmath>

quint8 VoiceState::scaledVelocity() const
{
    const double scaled = std::floor(double(velocity) * velocityScale + 0.5);
    // NaN fails both comparisons and ends up 0 as well.
    if (!(scaled > 0.0))
        return 0;
    return scaled >= 127.0 ? quint8(127) : quint8(scaled);
}
