#include "platform/Regional.h"

#include <cstdlib>
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

// The locale name that decides the language of messages, as the C library would choose it.
std::string_view MessagesLocaleName() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return {};
}

} // namespace

int PrimaryLanguageOf(std::string_view localeName) {
    struct Language {
        std::string_view code;
        int id;
    };
    static constexpr Language kLanguages[] = {
        {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
        {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
        {"he", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
        {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18},
        {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F},
        {"id", 0x21}, {"uk", 0x22}, {"sl", 0x24}, {"vi", 0x2A},
    };
    const std::string_view code = localeName.substr(0, localeName.find_first_of("_.@"));
    for (const Language& language : kLanguages)
        if (language.code == code)
            return language.id;
    return 0;
}

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
    return std::make_unique<FixedRegional>(std::move(decimal), std::move(time), std::move(date),
                                           PrimaryLanguageOf(MessagesLocaleName()));
}

} // namespace hortivex
