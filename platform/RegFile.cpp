#include "platform/RegFile.h"

#include "platform/RegFileSyntax.h"

#include <cstdio>

namespace hortivex {
using namespace regsyntax;

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

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
