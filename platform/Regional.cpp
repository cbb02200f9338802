#include "platform/Regional.h"

#include <langinfo.h>
#include <locale.h>
#include <string_view>

namespace hortivex {
namespace {

// The first character of a strftime-style format that is neither a % directive nor white
// space: the separator between its fields. A composite directive that comes first (%T, %R, %r,
// %D, %F) stands for its own well-known separator.
std::string SeparatorOf(const char* format, const char* fallback) {
    std::string_view f = format ? format : "";
    std::size_t i = 0;
    while (i < f.size()) {
        char c = f[i];
        if (c == '%') {
            ++i;
            // glibc flags, field width and the E / O modifiers.
            while (i < f.size() &&
                   std::string_view("_-0^#EO123456789").find(f[i]) != std::string_view::npos)
                ++i;
            if (i < f.size()) {
                switch (f[i]) {
                case 'T':
                case 'R':
                case 'r':
                    return ":";
                case 'D':
                    return "/";
                case 'F':
                    return "-";
                default:
                    break;
                }
                ++i;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            ++i;
            continue;
        }
        // Keep a multi-byte UTF-8 character whole.
        auto lead = static_cast<unsigned char>(c);
        std::size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return std::string(f.substr(i, len));
    }
    return fallback;
}

} // namespace

std::unique_ptr<Regional> MakeLocaleRegional() {
    // A locale object of its own: the process-wide C locale is never consulted or changed.
    const int mask = LC_NUMERIC_MASK | LC_TIME_MASK;
    locale_t loc = ::newlocale(mask, "", static_cast<locale_t>(0));
    if (!loc)
        loc = ::newlocale(mask, "C", static_cast<locale_t>(0));
    if (!loc)
        return std::make_unique<FixedRegional>();

    const char* radix = ::nl_langinfo_l(RADIXCHAR, loc);
    std::string decimal = radix && *radix ? radix : ".";
    std::string time = SeparatorOf(::nl_langinfo_l(T_FMT, loc), ":");
    std::string date = SeparatorOf(::nl_langinfo_l(D_FMT, loc), "/");
    ::freelocale(loc);
    return std::make_unique<FixedRegional>(std::move(decimal), std::move(time), std::move(date));
}

} // namespace hortivex
