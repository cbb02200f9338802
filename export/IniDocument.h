#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hortivex {

// An INI text held in memory with private-profile semantics: section and key names match
// without regard to ASCII case (the first spelling kept; with duplicates the first is used), a
// missing section is appended at the end, a missing key after the last non-blank line of its
// section, an existing key is updated in place. Lines never touched keep their bytes; lines we
// write end in CR LF. Every operation costs time proportional to its own text, so a whole
// export stays linear in the number of keys.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // The value as the profile reader answers it (surrounding blanks and one pair of quotes
    // removed), or nothing when the section or key is absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Sets key=value; a NUL ends the value, CR and LF are dropped so no line is ever broken.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string raw; // the bytes of the line with its line end, if it had one
    };
    struct LineRef {
        bool appended;
        std::size_t index;
    };
    struct Section {
        std::string header; // empty for the lines before the first section
        std::vector<Line> body;
        std::size_t insertAt = 0; // new keys go after body[0, insertAt)
        std::vector<Line> appended;
        std::unordered_map<std::string, LineRef> keys; // lower-case name -> its first line
    };

    void Parse(std::string_view text);
    Section& FindOrAddSection(std::string_view name);
    Line& LineOf(Section& section, LineRef ref);

    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_; // lower-case name -> first
};

} // namespace hortivex
