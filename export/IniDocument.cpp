#include "export/IniDocument.h"

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

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A name or value as it may stand on one line: up to a NUL, without CR or LF.
std::string OneLine(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\0')
            break;
        if (c != '\r' && c != '\n')
            out.push_back(c);
    }
    return out;
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

std::string EntryLine(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line.append(key).append("=").append(value).append("\r\n");
    return line;
}

} // namespace

IniDocument::IniDocument(std::string_view text) {
    Parse(text);
}

void IniDocument::Parse(std::string_view text) {
    sections_.emplace_back(); // the lines before the first header
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        end = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end);

        if (auto name = HeaderName(raw)) {
            Section section;
            section.header = std::string(raw);
            sections_.push_back(std::move(section));
            sectionIndex_.try_emplace(Lower(*name), sections_.size() - 1);
            continue;
        }
        Section& section = sections_.back();
        section.body.push_back(Line{std::string(raw)});
        if (!Trim(raw).empty())
            section.insertAt = section.body.size();
        if (auto key = KeyName(raw); key && !section.header.empty())
            section.keys.try_emplace(Lower(*key), LineRef{false, section.body.size() - 1});
    }
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    auto s = sectionIndex_.find(Lower(section));
    if (s == sectionIndex_.end())
        return std::nullopt;
    const Section& sec = sections_[s->second];
    auto k = sec.keys.find(Lower(key));
    if (k == sec.keys.end())
        return std::nullopt;
    const std::string& raw =
        k->second.appended ? sec.appended[k->second.index].raw : sec.body[k->second.index].raw;
    std::string_view value = Trim(std::string_view(raw).substr(raw.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

IniDocument::Section& IniDocument::FindOrAddSection(std::string_view name) {
    auto [it, added] = sectionIndex_.try_emplace(Lower(name), sections_.size());
    if (added) {
        Section section;
        section.header = "[" + std::string(name) + "]\r\n";
        sections_.push_back(std::move(section));
    }
    return sections_[it->second];
}

IniDocument::Line& IniDocument::LineOf(Section& section, LineRef ref) {
    return ref.appended ? section.appended[ref.index] : section.body[ref.index];
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = OneLine(section);
    const std::string keyName = OneLine(key);
    const std::string text = OneLine(value);
    Section& sec = FindOrAddSection(sectionName);
    auto [it, added] = sec.keys.try_emplace(Lower(keyName), LineRef{true, sec.appended.size()});
    if (added) {
        sec.appended.push_back(Line{EntryLine(keyName, text)});
        return;
    }
    Line& line = LineOf(sec, it->second);
    // Keep the spelling of the key already in the file.
    std::string_view existing = Trim(std::string_view(line.raw).substr(0, line.raw.find('=')));
    line.raw = EntryLine(existing, text);
}

std::string IniDocument::Text() const {
    std::string out;
    auto emit = [&out](const std::string& raw) {
        // Only the file's last line can lack its line end; give it one before anything follows.
        if (!out.empty() && out.back() != '\n')
            out += "\r\n";
        out += raw;
    };
    for (const Section& sec : sections_) {
        if (!sec.header.empty())
            emit(sec.header);
        for (std::size_t i = 0; i < sec.insertAt; ++i)
            emit(sec.body[i].raw);
        for (const Line& line : sec.appended)
            emit(line.raw);
        for (std::size_t i = sec.insertAt; i < sec.body.size(); ++i)
            emit(sec.body[i].raw);
    }
    return out;
}

} // namespace hortivex
