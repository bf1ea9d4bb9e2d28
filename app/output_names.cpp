#include "app/output_names.h"

#include <cstring>

#include "runtime/convert.h"
#include "runtime/text.h"
#include "runtime/values.h"

namespace app {

namespace {

const char kPrefix[] = "文本";
const char kExtension[] = ".txt";
const char kUnfinished[] = ".未完成";
const char kPattern[] = "文本*";

// Whether `name` starts with `ascii`, letters in either case.
bool startsIgnoringCase(const char* name, const char* ascii) {
    for (; *ascii; ++name, ++ascii) {
        char c = *name;
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != *ascii) return false;
    }
    return true;
}

} // namespace

char* OutputNames::finished(std::uint64_t number) const {
    rt::TextValue digits(rt::toText(rt::ValueBlock::ofLong(std::int64_t(number))));
    return rt::joinTexts({folder_, "\\", kPrefix, digits.get(), kExtension});
}

char* OutputNames::unfinished(std::uint64_t number) const {
    rt::TextValue name(finished(number));
    return rt::joinTexts({name.get(), kUnfinished});
}

std::uint64_t OutputNames::numberOf(const char* name) const {
    const std::size_t prefix = std::strlen(kPrefix);
    if (std::strncmp(name, kPrefix, prefix) != 0) return 0;
    const char* digits = name + prefix;
    std::uint64_t number = 0;
    std::size_t n = 0;
    for (; digits[n] >= '0' && digits[n] <= '9'; ++n) {
        if (n == 18) return 0; // beyond any count of files
        number = number * 10 + std::uint64_t(digits[n] - '0');
    }
    if (n == 0 || digits[0] == '0') return 0;
    const char* rest = digits + n;
    if (!startsIgnoringCase(rest, kExtension)) return 0;
    rest += std::strlen(kExtension);
    return *rest == 0 || std::strcmp(rest, kUnfinished) == 0 ? number : 0;
}

const char* OutputNames::pattern() const {
    return kPattern;
}

} // namespace app
