#include "platform/RegFileSyntax.h"

#include <array>

namespace hortivex::regsyntax {

char FoldChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Fold(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = FoldChar(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (IsSpace(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool EndsWithBackslash(std::string_view line) {
    line = Trim(line);
    return !line.empty() && line.back() == '\\';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = FoldChar(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string_view RootName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

bool NamesRoot(std::string_view name, RegistryRoot root) {
    std::string_view shortName = root == RegistryRoot::CurrentUser ? "HKCU" : "HKLM";
    return EqualsNoCase(name, RootName(root)) || EqualsNoCase(name, shortName);
}

// Sections of other roots ("HKEY_CLASSES_ROOT", "HKCR", ...) are kept; anything else is junk.
bool NamesAnyRoot(std::string_view name) {
    return name.size() > 2 && StartsWithNoCase(name, "HK");
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Unpaired surrogates become U+FFFD; an odd final byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](std::size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            char16_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? char32_t(0xFFFD) : char32_t(u));
    }
    return out;
}

void AppendUtf16Le(std::string& out, char32_t cp) {
    auto unit = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    if (cp >= 0x10000) {
        unit(0xD800 + ((cp - 0x10000) >> 10));
        unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        unit(cp);
    }
}

// Each byte that does not start a valid UTF-8 sequence becomes U+FFFD.
std::string Utf8ToUtf16Le(std::string_view s) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        std::size_t len = b < 0x80                ? 1
                          : b >= 0xC2 && b < 0xE0 ? 2
                          : b >= 0xE0 && b < 0xF0 ? 3
                          : b >= 0xF0 && b < 0xF5 ? 4
                                                  : 0;
        char32_t cp = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
        bool ok = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr std::array<char32_t, 5> kMin = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && cp >= kMin[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp >= 0xE000);
        AppendUtf16Le(out, ok ? cp : 0xFFFD);
        i += ok ? len : 1;
    }
    return out;
}

std::string DecodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return Utf16LeToUtf8(bytes.substr(2));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return std::string(bytes);
}

// Reads a quoted name or text with the escapes \\ and \" from the front of s.
bool TakeQuoted(std::string_view& s, std::string& out) {
    if (s.empty() || s.front() != '"')
        return false;
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out += s[++i];
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// An ASCII letter, either case.
bool IsLetter(char c) {
    return FoldChar(c) >= 'a' && FoldChar(c) <= 'z';
}

// The type tag of a value kept verbatim: a letter, then letters, digits or brackets, then ':'.
bool HasTypeTag(std::string_view s) {
    if (s.empty() || !IsLetter(s.front()))
        return false;
    for (char c : s) {
        if (c == ':')
            return true;
        if (!IsLetter(c) && !(c >= '0' && c <= '9') && c != '(' && c != ')')
            return false;
    }
    return false;
}

std::optional<std::uint32_t> ParseDword(std::string_view digits) {
    digits = Trim(digits);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    return v;
}

// The bytes of a raw value with the given tag ("hex(1)"), or nothing when the tag differs or a
// byte is not hexadecimal.
std::optional<std::string> HexBytes(const RegValue& value, std::string_view tag) {
    if (value.kind != RegValueKind::Raw || !StartsWithNoCase(value.data, tag) ||
        value.data.size() <= tag.size() || value.data[tag.size()] != ':')
        return std::nullopt;
    std::string bytes;
    std::string_view s = std::string_view(value.data).substr(tag.size() + 1);
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == ',' || c == '\\' || c == '\n' || c == '\r' || IsSpace(c)) {
            ++i;
            continue;
        }
        int v = 0;
        int n = 0;
        for (; i < s.size() && HexDigit(s[i]) >= 0; ++i, ++n)
            v = v * 16 + HexDigit(s[i]);
        if (n == 0 || n > 2)
            return std::nullopt;
        bytes += static_cast<char>(v);
    }
    return bytes;
}

void AppendHex(std::string& out, std::string_view tag, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += tag;
    out += ':';
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
        if (i + 1 < bytes.size())
            out += (i + 1) % 25 == 0 ? ",\\\r\n  " : ",";
    }
}

void AppendWithCrLf(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
}

} // namespace hortivex::regsyntax
