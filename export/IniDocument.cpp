#include "export/IniDocument.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace hortivex {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Folded(a[i]) != Folded(b[i]))
            return false;
    return true;
}

// A hash of the name that equal names (ASCII case aside) share: eight bytes at a time, each
// byte's 0x20 bit set (which folds the letters, and merges a few other pairs the comparison then
// tells apart), mixed with the section it belongs to.
std::uint64_t NameHash(std::uint32_t section, std::string_view name) {
    constexpr std::uint64_t kFold = 0x2020202020202020ull;
    constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = (section + 1) * kMix ^ name.size();
    while (!name.empty()) {
        std::uint64_t word = 0;
        const std::size_t n = std::min<std::size_t>(name.size(), sizeof word);
        std::memcpy(&word, name.data(), n);
        h = (h ^ (word | kFold)) * kMix;
        h ^= h >> 29;
        name.remove_prefix(n);
    }
    return h;
}

// The section name of a header line "[name]", or nothing for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    std::size_t close = line.find(']');
    return Trim(close == std::string_view::npos ? line : line.substr(0, close));
}

// The key of an entry line "key=value", or nothing for blanks, comments and other lines.
std::optional<std::string_view> KeyName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '[')
        return std::nullopt;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::string_view key = Trim(line.substr(0, eq));
    if (key.empty())
        return std::nullopt;
    return key;
}

// The key of a line known to be an entry.
std::string_view EntryKey(std::string_view line) {
    return Trim(line.substr(0, line.find('=')));
}

// The bytes no name may hold (CR, LF, NUL, "[" and "]"), and "=" that no key may hold.
constexpr std::array<std::uint8_t, 256> kNameBytes = [] {
    std::array<std::uint8_t, 256> bytes{};
    for (unsigned char c : {'\0', '\r', '\n', '[', ']'})
        bytes[c] = 3;
    bytes['='] = 2;
    return bytes;
}();

// A name without the forbidden bytes (1: any name's, 2: a key's) and without blanks at its ends.
bool IsPlainName(std::string_view name, std::uint8_t forbidden) {
    std::uint8_t found = 0;
    for (char c : name)
        found |= kNameBytes[static_cast<unsigned char>(c)];
    return (found & forbidden) == 0 &&
           (name.empty() || (!IsBlank(name.front()) && !IsBlank(name.back())));
}

std::uint32_t Offset(std::size_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max() / 2)
        throw std::length_error("INI text too large");
    return static_cast<std::uint32_t>(size);
}

} // namespace

bool IniDocument::IsWritableSection(std::string_view name) {
    return IsPlainName(name, 1);
}

bool IniDocument::IsWritableKey(std::string_view name) {
    return !name.empty() && name.front() != ';' && IsPlainName(name, 2);
}

IniDocument::IniDocument(std::string_view text) : original_(text) {
    Offset(original_.size());
    Parse();
}

std::string_view IniDocument::View(Span span) const {
    const std::string& buffer = span.written ? written_ : original_;
    return std::string_view(buffer).substr(span.offset, span.length);
}

IniDocument::Span& IniDocument::LineAt(std::uint32_t section, std::uint32_t ref) {
    return ref & kAppended ? sections_[section].appended[ref & ~kAppended] : lines_[ref];
}

const IniDocument::Span& IniDocument::LineAt(std::uint32_t section, std::uint32_t ref) const {
    return ref & kAppended ? sections_[section].appended[ref & ~kAppended] : lines_[ref];
}

std::string_view IniDocument::KeyAt(std::uint32_t section, std::uint32_t ref) const {
    return EntryKey(View(LineAt(section, ref)));
}

std::string_view IniDocument::SectionName(std::uint32_t section) const {
    return HeaderName(View(sections_[section].header)).value_or(std::string_view());
}

void IniDocument::Parse() {
    sections_.emplace_back(); // the lines before the first header
    std::string_view text = original_;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const Span span{static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(end - at)};
        const std::string_view raw = text.substr(at, end - at);
        at = end;

        const auto line = static_cast<std::uint32_t>(lines_.size());
        if (auto name = HeaderName(raw)) {
            sections_.back().bodyEnd = line;
            Section section;
            section.header = span;
            section.bodyBegin = section.bodyEnd = section.insertAt = section.next = line;
            sections_.push_back(section);
            Index(kNoSection, *name, static_cast<std::uint32_t>(sections_.size() - 1));
            continue;
        }
        lines_.push_back(span);
        const auto index = static_cast<std::uint32_t>(sections_.size() - 1);
        Section& section = sections_.back();
        if (!Trim(raw).empty())
            section.insertAt = line + 1;
        if (auto key = KeyName(raw); key && index > 0 && Index(index, *key, line))
            lines_.back().firstOfItsName = true;
    }
    sections_.back().bodyEnd = static_cast<std::uint32_t>(lines_.size());
}

std::string_view IniDocument::NameOf(std::uint32_t section, std::uint32_t ref) const {
    return section == kNoSection ? SectionName(ref) : KeyAt(section, ref);
}

std::size_t IniDocument::Probe(std::uint32_t section, std::string_view name,
                               std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    for (; slots_[i].used; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.hash == hash && slot.section == section &&
            SameName(NameOf(section, slot.ref), name))
            break;
    }
    return i;
}

std::optional<std::uint32_t> IniDocument::Find(std::uint32_t section, std::string_view name) const {
    if (slots_.empty())
        return std::nullopt;
    const Slot& slot = slots_[Probe(section, name, NameHash(section, name))];
    return slot.used ? std::optional<std::uint32_t>(slot.ref) : std::nullopt;
}

bool IniDocument::Index(std::uint32_t section, std::string_view name, std::uint32_t ref) {
    if ((used_ + 1) * 2 > slots_.size()) {
        std::vector<Slot> old(slots_.empty() ? 512 : slots_.size() * 2);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (!slot.used)
                continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].used)
                i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }
    const std::uint64_t hash = NameHash(section, name);
    Slot& slot = slots_[Probe(section, name, hash)];
    if (slot.used)
        return false;
    slot = Slot{hash, section, ref, true};
    ++used_;
    return true;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const auto s = Find(kNoSection, section);
    const auto ref = s ? Find(*s, key) : std::nullopt;
    if (!ref)
        return std::nullopt;
    const std::string_view raw = View(LineAt(*s, *ref));
    std::string_view value = Trim(raw.substr(raw.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::uint32_t IniDocument::SectionFor(std::string_view name) {
    if (lastSectionIndex_ != kNoSection && name == lastSection_)
        return lastSectionIndex_;
    if (!IsWritableSection(name))
        return kNoSection;
    std::optional<std::uint32_t> found = Find(kNoSection, name);
    if (!found) {
        Section section;
        const auto at = Offset(written_.size());
        written_.append("[").append(name).append("]\r\n");
        section.header = Span{at, Offset(written_.size()) - at, true};
        section.bodyBegin = section.bodyEnd = section.insertAt = section.next =
            static_cast<std::uint32_t>(lines_.size());
        sections_.push_back(std::move(section));
        found = static_cast<std::uint32_t>(sections_.size() - 1);
        Index(kNoSection, name, *found);
    }
    lastSection_.assign(name);
    lastSectionIndex_ = *found;
    return *found;
}

IniDocument::Span IniDocument::WriteLine(std::string_view key, std::string_view value) {
    const auto at = Offset(written_.size());
    written_.append(key).push_back('=');
    std::size_t plain = 0;
    while (plain < value.size() && value[plain] != '\0' && value[plain] != '\r' &&
           value[plain] != '\n')
        ++plain;
    written_.append(value.substr(0, plain));
    for (char c : value.substr(plain)) {
        if (c == '\0')
            break;
        if (c != '\r' && c != '\n')
            written_.push_back(c);
    }
    written_.append("\r\n");
    return Span{at, Offset(written_.size()) - at, true};
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsWritableKey(key))
        return false;
    const std::uint32_t s = SectionFor(section);
    if (s == kNoSection)
        return false;
    Section& sec = sections_[s];
    std::optional<std::uint32_t> ref;
    // An export rewriting its own earlier output writes the keys in the file's order.
    if (sec.next < sec.bodyEnd) {
        const Span& line = lines_[sec.next];
        if (line.firstOfItsName && SameName(EntryKey(View(line)), key))
            ref = sec.next;
    }
    if (!ref) {
        // A new key is indexed and appended; one already there is found.
        if (Index(s, key, kAppended | static_cast<std::uint32_t>(sec.appended.size()))) {
            sec.appended.push_back(WriteLine(key, value));
            return true;
        }
        ref = Find(s, key);
    }
    if (!(*ref & kAppended))
        sec.next = *ref + 1;
    // Keep the spelling of the key already in the file. Room is made first, so that the buffer
    // does not move while the key is copied from it.
    const Span old = LineAt(s, *ref);
    const std::size_t mark = written_.size();
    written_.reserve(mark + old.length + value.size() + 3);
    const Span line = WriteLine(KeyAt(s, *ref), value);
    if (View(line) == View(old)) {
        written_.resize(mark); // unchanged: keep the line where it is
    } else {
        Span& entry = LineAt(s, *ref);
        entry = Span{line.offset, line.length, true, entry.firstOfItsName};
    }
    return true;
}

std::string IniDocument::Text() const {
    std::string out;
    out.reserve(original_.size() + written_.size() + 2);
    auto emit = [this, &out](Span span) {
        // Only the file's last line can lack its line end; give it one before anything follows.
        if (!out.empty() && out.back() != '\n')
            out += "\r\n";
        out += View(span);
    };
    for (const Section& sec : sections_) {
        if (sec.header.length != 0)
            emit(sec.header);
        for (std::uint32_t i = sec.bodyBegin; i < sec.insertAt; ++i)
            emit(lines_[i]);
        for (const Span& line : sec.appended)
            emit(line);
        for (std::uint32_t i = sec.insertAt; i < sec.bodyEnd; ++i)
            emit(lines_[i]);
    }
    return out;
}

} // namespace hortivex
