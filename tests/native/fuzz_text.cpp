// Fuzz target: split text and to integer on arbitrary bytes. Besides the
// sanitizers it checks what must hold for any input: the pieces are the
// text cut at matched delimiters, the lines that import collects piece by
// piece are those of split text, the line scanner finds on any pieces (with
// either rule, on either path) the line ends of a walk over the characters,
// and a plain decimal text parses as the C library parses it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/line_index.h"
#include "app/line_scanner.h"
#include "app/line_walker.h"
#include "app/split_core.h"
#include "app/vector_path.h"
#include "runtime/convert.h"
#include "runtime/text.h"
#include "runtime/values.h"
#include "tests/support/line_reference.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_text: %s\n", what);
        std::abort();
    }
}

void fuzzSplit(const std::string& text, const std::string& delimiter, bool limited,
               std::int32_t maximum) {
    rt::TextArray pieces(limited ? rt::splitText(text.c_str(), delimiter.c_str(), maximum)
                                 : rt::splitText(text.c_str(), delimiter.c_str()));
    check(pieces.get() != nullptr && pieces.get()->dimensions == 1, "array shape");
    const std::int32_t count = pieces.count();
    if (text.empty() || (limited && maximum <= 0)) {
        check(count == 0, "empty result expected");
        return;
    }
    if (delimiter.empty()) {
        check(count == 1 && text == pieces.at(1), "empty delimiter keeps the text whole");
        return;
    }
    if (limited) check(count <= maximum, "more pieces than the maximum");
    std::string joined;
    for (std::int32_t i = 1; i <= count; ++i) {
        const char* piece = pieces.at(i);
        check(piece != nullptr, "null piece");
        if (i > 1) joined += delimiter;
        joined += piece;
    }
    check(text.compare(0, joined.size(), joined) == 0, "pieces are not the text in order");
    if (!limited || count < maximum) {
        // Nothing is lost: at most the final delimiter is not represented.
        std::string rest = text.substr(joined.size());
        check(rest.empty() || (count > 0 && rest == delimiter), "text lost after the pieces");
    }
}

void fuzzInteger(const std::string& text) {
    const std::int32_t value = rt::toInteger(rt::ValueBlock::ofText(text.c_str()));
    bool ascii = true;
    for (unsigned char c : text)
        ascii = ascii && c < 0x80;
    if (!ascii) return;
    // Up to nine digits nothing wraps, so the C library is a reference.
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i + digits < text.size() && text[i + digits] >= '0' && text[i + digits] <= '9')
        ++digits;
    if (digits <= 9) check(value == std::strtol(text.c_str(), nullptr, 10), "differs from strtol");

    // The same number typed in full-width digits reads the same.
    std::string wide;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            wide += '\xA3';
            wide += static_cast<char>(0xB0 + (c - '0'));
        } else {
            wide += c;
        }
    }
    check(rt::toInteger(rt::ValueBlock::ofText(wide.c_str())) == value, "full-width digits differ");
}

// Import reads files piece by piece: its lines, walked from the index
// through pieces cut elsewhere, must be those of split text on the whole
// text, wherever the pieces end.
void collect(const char* bytes, std::size_t n, void* lines) {
    static_cast<std::vector<std::string>*>(lines)->emplace_back(bytes, n);
}

// The text in pieces of a fixed size, as a store hands it over.
class FixedPieces final : public app::TextPieces {
  public:
    FixedPieces(const std::string& text, std::size_t size) : text_(text), size_(size) {}
    bool keepable(std::size_t keep) const override { return keep <= end_; }
    app::Reading next(std::size_t keep, app::Piece* piece) override {
        const std::size_t at = end_ - keep;
        end_ = std::min(text_.size(), end_ + size_);
        *piece = {text_.data() + at, end_ - at, at, end_ == text_.size()};
        return app::Reading::kRead;
    }
    void rewind(std::uint64_t offset) override { end_ = std::size_t(offset); }

  private:
    const std::string& text_;
    std::size_t size_, end_ = 0;
};

void fuzzPieces(const std::uint8_t* data, std::size_t size, std::size_t piece) {
    std::string raw(reinterpret_cast<const char*>(data), size);
    std::string text = raw.substr(0, raw.find_first_of(std::string("\0\x1A", 2)));
    rt::TextArray expected(rt::splitText(text.c_str(), "\r\n"));
    app::IndexBuilder builder;
    for (std::size_t at = 0; at < size; at += piece)
        builder.add(raw.data() + at, std::min(piece, size - at));
    app::LineIndex index = builder.finish();
    check(index.textEnd() == text.size(), "piecewise text end differs");
    check(index.count() == std::uint64_t(expected.count()), "piecewise line count differs");
    std::vector<std::string> got;
    FixedPieces pieces(text, 1 + piece * 3 % 11);
    app::visitLines(pieces, index, collect, &got);
    check(got.size() == std::size_t(expected.count()), "walked line count differs");
    for (std::int32_t i = 1; i <= expected.count() && std::size_t(i) <= got.size(); ++i)
        check(got[std::size_t(i - 1)] == expected.at(i), "piecewise line differs");
}

// The scanner's line ends on pieces of sizes drawn from `cuts`, against the
// reference walk over the whole text.
void fuzzScanner(const std::string& bytes, const std::uint8_t* cuts, std::size_t cutCount,
                 bool loneLf, bool wordPath) {
    app::forceWordPath(wordPath);
    app::LineScanner scanner(loneLf ? app::LineEnds::kCrLfOrLf : app::LineEnds::kCrLf);
    testing_support::LineEndList got;
    std::size_t text = 0;
    for (std::size_t at = 0, k = 0; at < bytes.size(); ++k) {
        // Piece sizes around the block sizes too, where the carries are.
        const std::size_t piece = std::min<std::size_t>(
            bytes.size() - at, cutCount ? 1 + cuts[k % cutCount] % 130 : bytes.size());
        text += scanner.scan(bytes.data() + at, piece, [&](std::size_t next, unsigned endBytes) {
            check(next >= 1 && next <= piece, "line end outside the piece");
            got.emplace_back(at + next, endBytes);
        });
        at += piece;
    }
    app::forceWordPath(false);
    std::size_t textEnd = 0;
    check(got == testing_support::referenceLineEnds(bytes, loneLf, &textEnd),
          "scanner's line ends differ from the character walk");
    check(text == textEnd, "scanner's text end differs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // First byte: delimiter length (0-3) and whether a maximum is given;
    // second byte: the maximum (signed); then the delimiter bytes, then the
    // text. Zero bytes end texts as they do in the runtime.
    const unsigned control = data[0];
    const std::size_t delimiterLength = control & 3;
    const bool limited = (control & 4) != 0;
    const auto maximum = static_cast<std::int32_t>(static_cast<std::int8_t>(data[1]));
    data += 2;
    size -= 2;
    if (size < delimiterLength) return 0;
    std::string delimiter(reinterpret_cast<const char*>(data), delimiterLength);
    delimiter = delimiter.c_str();
    std::string text(reinterpret_cast<const char*>(data + delimiterLength), size - delimiterLength);
    text = text.c_str();

    fuzzSplit(text, delimiter, limited, maximum);
    if (control & 8) fuzzSplit(text, "\r\n", false, 0); // the import's own split
    fuzzInteger(text);
    fuzzPieces(data, size, 1 + data[-1] % 7); // the maximum's byte also picks a piece size
    // The text's own first bytes cut it into pieces.
    const std::string raw(reinterpret_cast<const char*>(data), size);
    fuzzScanner(raw, data, std::min<std::size_t>(size, 8), (control & 16) != 0,
                (control & 32) != 0);
    return 0;
}
