#include "platform/RegFile.h"

#include <array>
#include <cstdio>

namespace hortivex {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

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

// The type tag of a value kept verbatim: a letter, then letters, digits or brackets, then ':'.
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

} // namespace

std::optional<std::string> RegValueAsString(const RegValue& value) {
    if (value.kind == RegValueKind::String)
        return value.data;
    auto bytes = HexBytes(value, "hex(1)");
    if (!bytes)
        return std::nullopt;
    std::string text = Utf16LeToUtf8(*bytes);
    if (auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

std::optional<std::uint32_t> RegValueAsDword(const RegValue& value) {
    if (value.kind != RegValueKind::Dword)
        return std::nullopt;
    return value.dword;
}

std::string_view NormalizeKeyPath(std::string_view path) {
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

RegFile RegFile::Parse(std::string_view bytes, RegistryRoot root) {
    RegFile file(root);
    const std::string text = DecodeText(bytes);
    enum class Section { None, Ours, Foreign } section = Section::None;
    std::size_t current = 0;         // slot of our current key
    std::optional<RegValue> pending; // a raw value awaiting its continuation lines
    bool foreignContinues = false;

    // A repeated name replaces the earlier value, keeping its place and spelling.
    auto commit = [&] {
        auto& values = file.keys_.At(current).values;
        std::string folded = Fold(pending->name);
        if (auto slot = values.Find(folded)) {
            pending->name = values.At(*slot).name;
            values.At(*slot) = std::move(*pending);
        } else {
            values.Insert(std::move(folded), std::move(*pending));
        }
        pending.reset();
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (pending) {
            pending->data += '\n';
            pending->data += line;
            if (!EndsWithBackslash(line))
                commit();
            continue;
        }
        if (foreignContinues) {
            file.foreign_.back() += '\n';
            file.foreign_.back() += line;
            foreignContinues = EndsWithBackslash(line);
            continue;
        }
        std::string_view t = Trim(line);
        if (t.empty() || t.front() == ';' || t == kHeader || t == kOldHeader)
            continue;

        if (t.front() == '[') {
            section = Section::None;
            if (t.back() != ']')
                continue;
            std::string_view inner = t.substr(1, t.size() - 2);
            bool deletion = !inner.empty() && inner.front() == '-';
            if (deletion)
                inner.remove_prefix(1);
            std::size_t slash = inner.find('\\');
            std::string_view rootName = inner.substr(0, slash);
            std::string_view path =
                slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
            if (NamesRoot(rootName, root)) {
                if (deletion) {
                    file.DeleteKeyTree(path);
                } else {
                    current = file.EnsureKey(path);
                    section = Section::Ours;
                }
            } else if (NamesAnyRoot(rootName)) {
                file.foreign_.emplace_back(t);
                section = deletion ? Section::None : Section::Foreign;
            }
            continue;
        }
        if (section == Section::Foreign) {
            file.foreign_.back() += '\n';
            file.foreign_.back() += t;
            foreignContinues = EndsWithBackslash(t);
            continue;
        }
        if (section != Section::Ours || (t.front() != '"' && t.front() != '@'))
            continue;

        RegValue value;
        std::string_view s = t;
        if (s.front() == '@')
            s.remove_prefix(1);
        else if (!TakeQuoted(s, value.name))
            continue;
        s = Trim(s);
        if (s.empty() || s.front() != '=')
            continue;
        s = Trim(s.substr(1));
        if (s == "-") {
            file.keys_.At(current).values.Erase(Fold(value.name));
            continue;
        }
        if (!s.empty() && s.front() == '"') {
            if (!TakeQuoted(s, value.data) || !Trim(s).empty())
                continue;
        } else if (StartsWithNoCase(s, "dword:")) {
            auto v = ParseDword(s.substr(6));
            if (!v)
                continue;
            value.kind = RegValueKind::Dword;
            value.dword = *v;
        } else if (HasTypeTag(s)) {
            value.kind = RegValueKind::Raw;
            value.data = s;
        } else {
            continue;
        }
        pending = std::move(value);
        if (!(pending->kind == RegValueKind::Raw && EndsWithBackslash(s)))
            commit();
    }
    // A text that ends right after a line continued with "\" reads as if an empty line
    // followed, as it does once written out (a blank line always follows a value or section).
    if (pending) {
        pending->data += '\n';
        commit();
    }
    if (foreignContinues)
        file.foreign_.back() += '\n';
    return file;
}

std::string RegFile::Serialize() const {
    std::string out;
    out += kHeader;
    out += "\r\n\r\n";
    keys_.ForEach([&](const RegKey& key) {
        out += '[';
        out += RootName(root_);
        if (!key.path.empty()) {
            out += '\\';
            out += key.path;
        }
        out += "]\r\n";
        key.values.ForEach([&](const RegValue& v) {
            if (v.name.empty())
                out += '@';
            else
                AppendQuoted(out, v.name);
            out += '=';
            switch (v.kind) {
            case RegValueKind::String:
                if (v.data.find_first_of("\r\n") == std::string::npos)
                    AppendQuoted(out, v.data);
                else
                    AppendHex(out, "hex(1)", Utf8ToUtf16Le(v.data) + std::string(2, '\0'));
                break;
            case RegValueKind::Dword: {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x", v.dword);
                out += digits;
                break;
            }
            case RegValueKind::Raw:
                AppendWithCrLf(out, v.data);
                break;
            }
            out += "\r\n";
        });
        out += "\r\n";
    });
    for (const std::string& block : foreign_) {
        AppendWithCrLf(out, block);
        out += "\r\n\r\n";
    }
    return out;
}

std::optional<std::size_t> RegFile::FirstBelow(std::string_view folded) const {
    std::string prefix(folded);
    prefix += '\\';
    const auto& names = keys_.Names();
    auto it = names.lower_bound(prefix);
    if (it != names.end() && it->first.compare(0, prefix.size(), prefix) == 0)
        return it->second;
    return std::nullopt;
}

bool RegFile::KeyExists(std::string_view path) const {
    path = NormalizeKeyPath(path);
    if (path.empty())
        return true;
    std::string folded = Fold(path);
    return keys_.Find(folded) || FirstBelow(folded);
}

const RegValue* RegFile::FindValue(std::string_view path, std::string_view name) const {
    auto slot = keys_.Find(Fold(NormalizeKeyPath(path)));
    if (!slot)
        return nullptr;
    const RegKey& key = keys_.At(*slot);
    auto v = key.values.Find(Fold(name));
    return v ? &key.values.At(*v) : nullptr;
}

std::size_t RegFile::EnsureKey(std::string_view path) {
    path = NormalizeKeyPath(path);
    std::string folded = Fold(path);
    if (auto slot = keys_.Find(folded))
        return *slot;
    RegKey key;
    // A key already implied by one below it takes that key's spelling.
    if (auto below = FirstBelow(folded); below && !path.empty())
        key.path = keys_.At(*below).path.substr(0, path.size());
    else
        key.path = path;
    return keys_.Insert(std::move(folded), std::move(key));
}

bool RegFile::CreateKey(std::string_view path) {
    path = NormalizeKeyPath(path);
    if (path.empty() || keys_.Find(Fold(path)))
        return false;
    EnsureKey(path);
    return true;
}

bool RegFile::SetValue(std::string_view path, RegValue value) {
    bool created = !keys_.Find(Fold(NormalizeKeyPath(path)));
    RegKey& key = keys_.At(EnsureKey(path));
    std::string folded = Fold(value.name);
    if (auto slot = key.values.Find(folded)) {
        RegValue& old = key.values.At(*slot);
        if (old.kind == value.kind && old.data == value.data && old.dword == value.dword)
            return created;
        value.name = old.name;
        old = std::move(value);
        return true;
    }
    key.values.Insert(std::move(folded), std::move(value));
    return true;
}

bool RegFile::DeleteValue(std::string_view path, std::string_view name) {
    auto slot = keys_.Find(Fold(NormalizeKeyPath(path)));
    return slot && keys_.At(*slot).values.Erase(Fold(name));
}

bool RegFile::DeleteKeyTree(std::string_view path) {
    path = NormalizeKeyPath(path);
    if (path.empty()) {
        bool any = !keys_.Empty();
        keys_.Clear();
        return any;
    }
    std::string folded = Fold(path);
    std::vector<std::string> doomed;
    std::string parent;
    if (auto slot = keys_.Find(folded)) {
        doomed.push_back(folded);
        parent = keys_.At(*slot).path;
    }
    const std::string prefix = folded + '\\';
    const auto& names = keys_.Names();
    for (auto it = names.lower_bound(prefix);
         it != names.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        if (parent.empty())
            parent = keys_.At(it->second).path.substr(0, path.size());
        doomed.push_back(it->first);
    }
    if (doomed.empty())
        return false;
    for (const std::string& name : doomed)
        keys_.Erase(name);
    if (auto slash = parent.rfind('\\'); slash != std::string::npos) {
        parent.resize(slash);
        if (!KeyExists(parent))
            EnsureKey(parent);
    }
    return true;
}

std::vector<std::string> RegFile::KeyPaths() const {
    std::vector<std::string> paths;
    keys_.ForEach([&](const RegKey& key) { paths.push_back(key.path); });
    return paths;
}

} // namespace hortivex
