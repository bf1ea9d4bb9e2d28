// What the benchmarks use: a clock and deterministic text of CR LF lines.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#endif

#include <cstdint>
#include <string>

namespace bench {

// Seconds, from the performance counter.
inline double now() {
#if defined(_WIN32)
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
#else
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

// Deterministic text: lines of 0 to 96 bytes (50 with CR LF on average),
// printable ASCII with some two-byte characters, no zero, 0x1A, CR or LF.
class TextSource {
  public:
    char next() { return static_cast<char>(' ' + random() % 95); }
    std::uint32_t random() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 16);
    }
    void line(std::string* out) {
        std::uint32_t length = random() % 97;
        for (std::uint32_t i = 0; i < length; ++i) {
            if (i + 1 < length && random() % 8 == 0) {
                *out += static_cast<char>(0xB0 + random() % 0x48);
                *out += static_cast<char>(0xA1 + random() % 0x5E);
                ++i;
            } else {
                *out += next();
            }
        }
        *out += "\r\n";
    }
    // A line of about the same lengths in which each position starts a
    // two-byte character with `percent` % chance: 100 gives pure two-byte
    // text (even lengths), 0 plain ASCII; 32 puts 46% of the bytes in
    // two-byte characters.
    void line(std::string* out, std::uint32_t percent) {
        std::uint32_t length = random() % 97;
        if (percent >= 100) length &= ~1u;
        for (std::uint32_t i = 0; i < length; ++i) {
            if (i + 1 < length && random() % 100 < percent) {
                *out += static_cast<char>(0xB0 + random() % 0x48);
                *out += static_cast<char>(0xA1 + random() % 0x5E);
                ++i;
            } else {
                *out += next();
            }
        }
        *out += "\r\n";
    }

  private:
    std::uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

} // namespace bench
