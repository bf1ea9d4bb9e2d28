#include "app/output_names.h"

#include <algorithm>
#include <cstring>

#include "runtime/convert.h"
#include "runtime/text.h"

namespace app {

namespace {

const char kPrefix[] = "文本";
const char kExtension[] = ".txt";
const char kUnfinished[] = ".未完成";

// Where `name` goes on after `start` if it starts with it, letters in
// either case as file names compare (a two-byte character as it is); null
// otherwise.
const char* after(const char* name, const char* start) {
    while (*start) {
        const std::size_t n = rt::characterSize(start);
        if (n == 2) {
            if (name[0] != start[0] || name[1] != start[1]) return nullptr;
        } else {
            char a = *name, b = *start;
            if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
            if (a != b) return nullptr;
        }
        name += n;
        start += n;
    }
    return name;
}

} // namespace

unsigned digitsOf(std::uint64_t count) {
    unsigned digits = 1;
    for (; count >= 10; count /= 10)
        ++digits;
    return digits;
}

OutputNames::OutputNames(const char* folder, const char* source, unsigned width)
    : folder_(folder), width_(width) {
    if (!source) {
        prefix_.reset(rt::copyText(kPrefix));
        extension_.reset(rt::copyText(kExtension));
    } else {
        // The name without its folder; its extension from its last dot (a
        // name that starts with its only dot has none).
        const char* base = source;
        const char* dot = nullptr;
        for (const char* p = source; *p; p += rt::characterSize(p)) {
            if (*p == '\\' || *p == '/') {
                base = p + 1;
                dot = nullptr;
            } else if (*p == '.' && p != base) {
                dot = p;
            }
        }
        const char* end = dot ? dot : base + std::strlen(base);
        rt::TextValue stem(rt::newText(base, std::uint32_t(end - base)));
        prefix_.reset(rt::joinTexts({stem.get(), "_"}));
        extension_.reset(rt::copyText(dot && dot[1] ? dot : kExtension));
    }
    pattern_.reset(rt::joinTexts({prefix_.get(), "*"}));
}

char* OutputNames::finished(std::uint64_t number) const {
    rt::TextValue digits(rt::toText(rt::ValueBlock::ofLong(std::int64_t(number))));
    const std::size_t n = digits.length();
    char zeros[24] = {};
    if (width_ > n) std::memset(zeros, '0', std::min<std::size_t>(width_ - n, sizeof zeros - 1));
    return rt::joinTexts({folder_, "\\", prefix_.get(), zeros, digits.get(), extension_.get()});
}

char* OutputNames::unfinished(std::uint64_t number) const {
    rt::TextValue name(finished(number));
    return rt::joinTexts({name.get(), kUnfinished});
}

std::uint64_t OutputNames::numberOf(const char* name) const {
    const char* digits = after(name, prefix_.get());
    if (!digits) return 0;
    std::uint64_t number = 0;
    std::size_t n = 0;
    for (; digits[n] >= '0' && digits[n] <= '9'; ++n) {
        if (n == 18) return 0; // beyond any count of files
        number = number * 10 + std::uint64_t(digits[n] - '0');
    }
    // Padded numbers have the width exactly; others no leading zero.
    if (width_ ? n != width_ : (n == 0 || digits[0] == '0')) return 0;
    if (number == 0) return 0;
    const char* rest = after(digits + n, extension_.get());
    if (!rest) return 0;
    return *rest == 0 || std::strcmp(rest, kUnfinished) == 0 ? number : 0;
}

} // namespace app
