#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hortivex {

// An INI text held in memory with private-profile semantics: section and key names match
// without regard to ASCII case (the first spelling kept; with duplicates the first is used), a
// missing section is appended at the end, a missing key after the last non-blank line of its
// section, an existing key is updated in place. Lines never touched keep their bytes; lines we
// write end in CR LF. The original text is kept whole and its lines are referred to, not
// copied; new and rewritten lines go to one growing buffer. Every operation costs time
// proportional to its own text, so a whole export stays linear in the number of keys, and a
// write of the key that follows the previous one in the file (an export rewriting its own
// earlier output) needs no lookup.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // Whether a name reads back as written: not empty (a key), no blank at either end, no CR, LF
    // or NUL, no "[" or "]", and for a key no "=" and no leading ";".
    static bool IsWritableSection(std::string_view name);
    static bool IsWritableKey(std::string_view name);

    // The value as the profile reader answers it (surrounding blanks and one pair of quotes
    // removed), or nothing when the section or key is absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Sets key=value; a NUL ends the value, CR and LF are dropped so no line is ever broken.
    // Answers false, changing nothing, when a name is not writable.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;
    // The text the document was made from.
    const std::string& Original() const { return original_; }

private:
    // A line: its bytes in the original text, or in the buffer of written lines.
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        bool written = false;
        bool firstOfItsName = false; // an entry line that its key's lookups answer
    };
    struct Section {
        Span header;                              // empty for the lines before the first section
        std::uint32_t bodyBegin = 0, bodyEnd = 0; // its lines in lines_
        std::uint32_t insertAt = 0;               // new keys go before lines_[insertAt]
        std::uint32_t next = 0;                   // the line after the last one written
        std::vector<Span> appended;
    };
    // A line reference: an index into lines_, or (with kAppended) into a section's appended.
    static constexpr std::uint32_t kAppended = 1u << 31;
    static constexpr std::uint32_t kNoSection = ~0u;
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t section = 0; // kNoSection for a section's own entry
        std::uint32_t ref = 0;     // line reference, or the section's index
        bool used = false;
    };

    void Parse();
    std::string_view View(Span span) const;
    std::string_view KeyAt(std::uint32_t section, std::uint32_t ref) const;
    std::string_view SectionName(std::uint32_t section) const;
    Span& LineAt(std::uint32_t section, std::uint32_t ref);
    const Span& LineAt(std::uint32_t section, std::uint32_t ref) const;

    // The index: sections (section kNoSection) and each section's keys by folded name.
    std::string_view NameOf(std::uint32_t section, std::uint32_t ref) const;
    // The slot holding the name, or the free slot where it would go.
    std::size_t Probe(std::uint32_t section, std::string_view name, std::uint64_t hash) const;
    std::optional<std::uint32_t> Find(std::uint32_t section, std::string_view name) const;
    // Adds an entry unless one with the same name is there; false when it was.
    bool Index(std::uint32_t section, std::string_view name, std::uint32_t ref);
    // The section of that name, added when missing; kNoSection for a name that is not writable.
    std::uint32_t SectionFor(std::string_view name);
    Span WriteLine(std::string_view key, std::string_view value);

    std::string original_;
    std::string written_; // new and rewritten lines
    std::vector<Span> lines_;
    std::vector<Section> sections_;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::string lastSection_; // the section name of the previous write, as given
    std::uint32_t lastSectionIndex_ = kNoSection;
};

} // namespace hortivex
