#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumadeck {

// The longest time a clip is believed to last: a year. Lengths and
// positions read from a file or a stream are clamped to it where they are
// read or estimated, so that a corrupt header or a bit rate of 1 from a tag
// cannot make a length that overflows when it is turned into an integer.
inline constexpr double kMaxMediaSeconds = 366.0 * 24 * 3600;

// A time in seconds as the program keeps it: finite, 0 to a year.
inline double ClampSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) {
        return 0;
    }
    return std::min(seconds, kMaxMediaSeconds);
}

// The length of a stream of `size` bytes at `bitsPerSecond`, clamped; 0
// when either is unknown.
inline double EstimatedSeconds(std::int64_t size, std::uint64_t bitsPerSecond) {
    if (size <= 0 || bitsPerSecond == 0) {
        return 0;
    }
    return ClampSeconds(double(size) * 8.0 / double(bitsPerSecond));
}

// Seconds as nanoseconds of the engine's clock, clamped before converting.
inline std::int64_t ToNanoseconds(double seconds) {
    return std::int64_t(std::llround(ClampSeconds(seconds) * 1e9));
}

} // namespace lumadeck
