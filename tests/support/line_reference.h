// The line ends of a whole text found by walking it character by character,
// the plain reading of the rule that the line scanner must give on any
// pieces: the text ends before the first zero byte or 0x1A; a lead-range
// byte at a character start takes the next byte, whatever it is; a CR LF
// whose CR starts a character ends a line, and with lone LFs so does an LF
// that starts a character.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "runtime/text.h"

namespace testing_support {

// (index of the next line's first byte, bytes of the line end) per line end.
using LineEndList = std::vector<std::pair<std::size_t, unsigned>>;

inline LineEndList referenceLineEnds(const std::string& bytes, bool loneLf, std::size_t* textEnd) {
    std::size_t end = bytes.find_first_of(std::string("\0\x1A", 2));
    if (end == std::string::npos) end = bytes.size();
    *textEnd = end;
    LineEndList ends;
    for (std::size_t i = 0; i < end;) {
        if (bytes[i] == '\r' && i + 1 < end && bytes[i + 1] == '\n') {
            ends.emplace_back(i + 2, 2u);
            i += 2;
        } else if (loneLf && bytes[i] == '\n') {
            ends.emplace_back(i + 1, 1u);
            i += 1;
        } else {
            i += rt::isLeadByte(bytes[i]) && i + 1 < end ? 2 : 1;
        }
    }
    return ends;
}

} // namespace testing_support
