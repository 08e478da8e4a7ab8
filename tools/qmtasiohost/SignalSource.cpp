#include "tools/qmtasiohost/SignalSource.h"

#include <cmath>
#include <numbers>

#include "asiohost/AsioSampleCodec.h"

namespace qmt::asiohost {

int32_t SignalSource::sample(size_t output, uint64_t frame) const {
    if (playing_) {
        if (frame >= file_.frames()) return 0;
        const size_t channels = file_.format.channels;
        const int32_t value = file_.samples[frame * channels + output % channels];
        return toFullScale(value, file_.format.bitsPerSample);
    }
    if (!tone_) return 0;
    const double hz = kToneHz * static_cast<double>(output + 1);
    const double phase = std::fmod(static_cast<double>(frame) * hz / rate_, 1.0);
    return static_cast<int32_t>(std::sin(2 * std::numbers::pi * phase) * kToneLevel * 2147483647.0);
}

}  // namespace qmt::asiohost
