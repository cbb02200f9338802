// An INI text of any content followed by a sequence of writes. Input: two bytes giving the
// length of the existing text (modulo what is there), the text, then writes of three bytes or
// more each: a section choice, a key choice, a value length (0 to 31) and the value's bytes.
// Names are picked from the text's own sections and keys (to update them) or made up (to add).
#include "export/IniDocument.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace hortivex;

namespace {

constexpr std::size_t kMaxWrites = 256;

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

std::string Folded(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The lines of a text, each with its line end (LF, or CR LF) if it has one.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

// A name a write can use and the reader gives back as it is.
bool Usable(std::string_view name) {
    return name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

// The structure of the existing text as an INI reader sees it.
struct Original {
    std::vector<std::string> sections;                        // usable names, first spellings
    std::vector<std::string> keys;                            // usable key names of any section
    std::vector<std::pair<std::string, std::string>> entries; // (section, key) of every entry
    std::vector<std::string_view> lines;
    std::vector<std::string> lineSection; // the folded section of each line; "\n" before any
};

Original Scan(std::string_view text) {
    Original o;
    o.lines = Lines(text);
    std::set<std::string> seenSections, seenKeys;
    std::string section = "\n";
    bool inSection = false;
    for (std::string_view raw : o.lines) {
        const std::string_view t = Trim(raw);
        if (!t.empty() && t.front() == '[') {
            std::string_view name = t.substr(1);
            name = Trim(name.substr(0, name.find(']')));
            section = Folded(name);
            inSection = true;
            if (Usable(name) && seenSections.insert(section).second)
                o.sections.emplace_back(name);
            o.lineSection.push_back(section);
            continue;
        }
        o.lineSection.push_back(section);
        const std::size_t eq = t.find('=');
        if (!inSection || t.empty() || t.front() == ';' || eq == std::string_view::npos)
            continue;
        const std::string_view key = Trim(t.substr(0, eq));
        if (key.empty())
            continue;
        o.entries.emplace_back(section, std::string(key));
        if (Usable(key) && seenKeys.insert(Folded(key)).second)
            o.keys.emplace_back(key);
    }
    return o;
}

// The value the reader answers for a written value: up to a NUL, without CR and LF, blanks
// around it removed and then one pair of matching quotes.
std::string ReadBack(std::string_view value) {
    std::string line;
    for (char c : value) {
        if (c == '\0')
            break;
        if (c != '\r' && c != '\n')
            line.push_back(c);
    }
    std::string_view v = Trim(line);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

bool IsHeader(std::string_view line) {
    const std::string_view t = Trim(line);
    return !t.empty() && t.front() == '[';
}

// The header lines of a text in order (without line ends) and, for the part before the first
// header and each section, how many blank lines end it.
struct Layout {
    std::vector<std::string_view> headers;
    std::vector<std::size_t> trailingBlanks{0};
};

Layout LayoutOf(const std::vector<std::string_view>& lines) {
    Layout layout;
    for (std::string_view line : lines) {
        if (IsHeader(line)) {
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.remove_suffix(1);
            layout.headers.push_back(line);
            layout.trailingBlanks.push_back(0);
        } else if (Trim(line).empty()) {
            ++layout.trailingBlanks.back();
        } else {
            layout.trailingBlanks.back() = 0;
        }
    }
    return layout;
}

struct Write {
    std::string section, key, value;
};

std::vector<Write> Writes(std::string_view bytes, const Original& o) {
    std::vector<Write> writes;
    std::size_t i = 0;
    while (i + 3 <= bytes.size() && writes.size() < kMaxWrites) {
        const auto s = static_cast<unsigned char>(bytes[i]);
        const auto k = static_cast<unsigned char>(bytes[i + 1]);
        const std::size_t length = static_cast<unsigned char>(bytes[i + 2]) % 32;
        i += 3;
        Write w;
        if ((s & 0x80) && !o.sections.empty())
            w.section = o.sections[(s & 0x7F) % o.sections.size()];
        else
            w.section = std::string(s & 0x40 ? "s" : "S") + char('0' + s % 8);
        if ((k & 0x80) && !o.keys.empty())
            w.key = o.keys[(k & 0x7F) % o.keys.size()];
        else
            w.key = std::string(k & 0x40 ? "k" : "K") + char('a' + k % 16);
        w.value = std::string(bytes.substr(i, length));
        i += w.value.size();
        writes.push_back(std::move(w));
    }
    return writes;
}

void CheckSameAnswers(const IniDocument& a, const IniDocument& b, const std::string& section,
                      const std::string& key, const char* what) {
    if (a.Get(section, key) != b.Get(section, key))
        fuzz::Fail(std::string(what) + ": [" + section + "] " + key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::string_view input = fuzz::AsText(data + 2, size - 2);
    const std::size_t split = (data[0] | (std::size_t{data[1]} << 8)) % (input.size() + 1);
    const std::string_view text = input.substr(0, split);
    const Original original = Scan(text);
    const std::vector<Write> writes = Writes(input.substr(split), original);

    const IniDocument before(text);
    if (before.Text() != text)
        fuzz::Fail("an unchanged text does not come back byte for byte");

    IniDocument doc(text);
    std::map<std::pair<std::string, std::string>, std::string> expected;
    std::set<std::string> writtenSections;
    std::size_t bound = text.size() + 2;
    for (const Write& w : writes) {
        doc.Set(w.section, w.key, w.value);
        expected[{Folded(w.section), Folded(w.key)}] = ReadBack(w.value);
        writtenSections.insert(Folded(w.section));
        bound += w.section.size() + 4 + w.key.size() + w.value.size() + 3;
    }
    const std::string out = doc.Text();
    if (out.size() > bound)
        fuzz::Fail("the text grew by more than the writes");

    // Every written key answers its last value, in the document and once read again.
    const IniDocument again(out);
    if (again.Text() != out)
        fuzz::Fail("the written text does not come back byte for byte");
    for (const auto& [name, value] : expected) {
        const auto got = doc.Get(name.first, name.second);
        if (!got || *got != value)
            fuzz::Fail("[" + name.first + "] " + name.second + " does not read back");
        CheckSameAnswers(doc, again, name.first, name.second, "read again differs");
    }
    // Every entry never written keeps its answer.
    for (const auto& [section, key] : original.entries) {
        if (!expected.count({section, Folded(key)}))
            CheckSameAnswers(before, doc, section, key, "an entry not written changed");
        CheckSameAnswers(doc, again, section, key, "read again differs");
    }

    // Every line that no write can have touched (any line but an entry line of a written
    // section) is still there, in order. The last line may have gained a line end.
    const std::vector<std::string_view> outLines = Lines(out);
    std::size_t at = 0;
    for (std::size_t i = 0; i < original.lines.size(); ++i) {
        const std::string_view line = original.lines[i];
        if (writtenSections.count(original.lineSection[i]) && !IsHeader(line) &&
            line.find('=') != std::string_view::npos)
            continue;
        const bool last = i + 1 == original.lines.size() && line.back() != '\n';
        while (at < outLines.size() && outLines[at] != line &&
               !(last && outLines[at].substr(0, line.size()) == line &&
                 outLines[at].substr(line.size()) == "\r\n"))
            ++at;
        if (at == outLines.size())
            fuzz::Fail("line " + std::to_string(i + 1) + " of the original is lost or moved");
        ++at;
    }

    // New sections only follow the old ones, and a key added to a section goes before the
    // blank lines that end it.
    const Layout was = LayoutOf(original.lines), is = LayoutOf(outLines);
    if (is.headers.size() < was.headers.size() ||
        !std::equal(was.headers.begin(), was.headers.end(), is.headers.begin()))
        fuzz::Fail("the section headers changed or a new section came before an old one");
    for (std::size_t i = 0; i < was.trailingBlanks.size(); ++i)
        if (is.trailingBlanks[i] != was.trailingBlanks[i])
            fuzz::Fail("an added key went after the blank lines ending its section");
    return 0;
}
