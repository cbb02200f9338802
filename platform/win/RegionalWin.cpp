#include "platform/Regional.h"

#include <windows.h>

namespace hortivex {
namespace {

// One of the user's locale texts in the ANSI code page, as the INI values carry it.
std::string LocaleText(LCTYPE type, const char* fallback) {
    char text[16] = {};
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text);
    return length > 1 ? std::string(text, static_cast<std::size_t>(length - 1)) : fallback;
}

} // namespace

std::unique_ptr<Regional> MakeLocaleRegional() {
    return std::make_unique<FixedRegional>(
        LocaleText(LOCALE_SDECIMAL, "."), LocaleText(LOCALE_STIME, ":"),
        LocaleText(LOCALE_SDATE, "/"), PRIMARYLANGID(GetUserDefaultLangID()));
}

} // namespace hortivex
