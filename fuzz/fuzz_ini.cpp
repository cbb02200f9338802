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
#include <optional>
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

// The name in a header line "[name]": up to the first "]", blanks around it removed.
std::string_view HeaderName(std::string_view line) {
    std::string_view name = Trim(line).substr(1);
    return Trim(name.substr(0, name.find(']')));
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

// The key of an entry line, or nothing for any other line.
std::optional<std::string_view> KeyOf(std::string_view line) {
    const std::string_view t = Trim(line);
    const std::size_t eq = t.find('=');
    if (t.empty() || t.front() == ';' || t.front() == '[' || eq == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(0, eq));
}

bool IsHeader(std::string_view line) {
    const std::string_view t = Trim(line);
    return !t.empty() && t.front() == '[';
}

// A name a write can use and the reader gives back as it is: no line break or NUL, no bracket,
// no blank at either end; a key also not empty, without "=" and not starting with ";".
bool UsableSection(std::string_view name) {
    return name.find_first_of(std::string_view("\0\r\n[]", 5)) == std::string_view::npos &&
           (name.empty() || (!IsBlank(name.front()) && !IsBlank(name.back())));
}

bool UsableKey(std::string_view name) {
    return UsableSection(name) && !name.empty() && name.front() != ';' &&
           name.find('=') == std::string_view::npos;
}

// The structure of the existing text as an INI reader sees it.
struct Original {
    std::vector<std::string> sections;                        // names, first spellings
    std::vector<std::string> keys;                            // key names of any section
    std::vector<std::pair<std::string, std::string>> entries; // (section, key) of every entry
    std::vector<std::string_view> lines;
    // The first section of each folded name: its body's number (1 for the first header).
    std::map<std::string, std::size_t> firstBody;
    // The line of the first entry of each folded key in the first section of its name.
    std::map<std::pair<std::string, std::string>, std::size_t> firstEntry;
};

Original Scan(std::string_view text) {
    Original o;
    o.lines = Lines(text);
    std::set<std::string> seenKeys;
    std::string section;
    std::size_t body = 0;
    bool first = false;
    for (std::size_t i = 0; i < o.lines.size(); ++i) {
        const std::string_view t = Trim(o.lines[i]);
        if (!t.empty() && t.front() == '[') {
            const std::string_view name = HeaderName(t);
            section = Folded(name);
            first = o.firstBody.try_emplace(section, ++body).second;
            if (first)
                o.sections.emplace_back(name);
            continue;
        }
        const auto key = KeyOf(t);
        if (body == 0 || !key || key->empty())
            continue;
        o.entries.emplace_back(section, std::string(*key));
        if (first)
            o.firstEntry.try_emplace({section, Folded(*key)}, i);
        if (seenKeys.insert(Folded(*key)).second)
            o.keys.emplace_back(*key);
    }
    return o;
}

// A value as it is written: up to a NUL, without CR and LF.
std::string OneLine(std::string_view value) {
    std::string line;
    for (char c : value) {
        if (c == '\0')
            break;
        if (c != '\r' && c != '\n')
            line.push_back(c);
    }
    return line;
}

// The value the reader answers for a written value: as written, blanks around it removed and
// then one pair of matching quotes.
std::string ReadBack(std::string_view value) {
    const std::string line = OneLine(value);
    std::string_view v = Trim(line);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// The header lines of a text in order (without line ends) and the lines of the part before the
// first header and of each section.
struct Layout {
    std::vector<std::string_view> headers;
    std::vector<std::vector<std::string_view>> bodies{1};
};

Layout LayoutOf(const std::vector<std::string_view>& lines) {
    Layout layout;
    for (std::string_view line : lines) {
        if (IsHeader(line)) {
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.remove_suffix(1);
            layout.headers.push_back(line);
            layout.bodies.emplace_back();
        } else {
            layout.bodies.back().push_back(line);
        }
    }
    return layout;
}

// How many lines of a body come before the blank lines that end it.
std::size_t LeadingPart(const std::vector<std::string_view>& body) {
    std::size_t n = body.size();
    while (n > 0 && Trim(body[n - 1]).empty())
        --n;
    return n;
}

// Whether an output line is the original line, allowing the line end that the original's last
// line gains when something follows it.
bool SameLine(std::string_view out, std::string_view original, bool last) {
    return out == original ||
           (last && out.size() == original.size() + 2 &&
            out.substr(0, original.size()) == original && out.substr(original.size()) == "\r\n");
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

// Checks where every line of the output comes from: the original's headers stay in order
// with new sections after them; in each original section every line stays in its place (the
// first entry of a written key in the first section of its name takes its new value, keeping
// the key's spelling), the section's new keys follow its last non-blank line and the blank lines
// that end it stay at its end; each new line is "key=value" with CR LF, spelt as first written.
void CheckLayout(const Original& original, const std::vector<Write>& writes,
                 const std::vector<std::string_view>& out) {
    // The new keys of each section in the order first written, with their last values.
    struct Added {
        std::vector<std::string> order; // first spellings
        std::map<std::string, std::string> values;
    };
    std::vector<std::string> newSections; // first spellings, in order
    std::map<std::string, Added> added;   // by folded section name
    std::set<std::size_t> updated;        // lines of the original given a new value
    for (const Write& w : writes) {
        const std::string section = Folded(w.section), key = Folded(w.key);
        if (auto line = original.firstEntry.find({section, key});
            line != original.firstEntry.end()) {
            updated.insert(line->second);
            continue;
        }
        if (!original.firstBody.count(section) && !added.count(section))
            newSections.push_back(w.section);
        Added& a = added[section];
        if (a.values.try_emplace(key).second)
            a.order.push_back(w.key);
        a.values[key] = w.value;
    }
    auto newLines = [&](const std::string& section) {
        std::vector<std::string> lines;
        if (auto a = added.find(Folded(section)); a != added.end())
            for (const std::string& key : a->second.order)
                lines.push_back(key + "=" + OneLine(a->second.values.at(Folded(key))) + "\r\n");
        return lines;
    };

    const Layout is = LayoutOf(out);
    std::vector<std::vector<std::size_t>> bodies(1); // line numbers of the original's parts
    std::vector<std::string_view> headers;
    for (std::size_t i = 0; i < original.lines.size(); ++i) {
        std::string_view line = original.lines[i];
        if (IsHeader(line)) {
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.remove_suffix(1);
            headers.push_back(line);
            bodies.emplace_back();
        } else {
            bodies.back().push_back(i);
        }
    }
    if (is.headers.size() != headers.size() + newSections.size())
        fuzz::Fail("the output holds the wrong number of sections");
    for (std::size_t i = 0; i < headers.size(); ++i)
        if (is.headers[i] != headers[i])
            fuzz::Fail("section header " + std::to_string(i + 1) + " changed or moved");
    for (std::size_t i = 0; i < newSections.size(); ++i) {
        const std::size_t at = headers.size() + i;
        if (is.headers[at] != "[" + newSections[i] + "]")
            fuzz::Fail("new section " + newSections[i] + " is missing or misplaced");
        const auto expected = newLines(newSections[i]);
        const auto& body = is.bodies[at + 1];
        if (!std::equal(body.begin(), body.end(), expected.begin(), expected.end()))
            fuzz::Fail("new section " + newSections[i] + " does not hold its new keys");
    }

    const bool lastOpen = !original.lines.empty() && original.lines.back().back() != '\n';
    for (std::size_t b = 0; b < bodies.size(); ++b) {
        std::vector<std::string_view> before;
        for (std::size_t i : bodies[b])
            before.push_back(original.lines[i]);
        const auto& after = is.bodies[b];
        std::vector<std::string> expected;
        if (b > 0 && original.firstBody.at(Folded(HeaderName(headers[b - 1]))) == b)
            expected = newLines(std::string(HeaderName(headers[b - 1])));
        const std::size_t lead = LeadingPart(before);
        if (after.size() != before.size() + expected.size())
            fuzz::Fail("section " + std::to_string(b) + " lost lines or gained the wrong ones");
        for (std::size_t j = 0; j < expected.size(); ++j)
            if (after[lead + j] != expected[j])
                fuzz::Fail("a new key of section " + std::to_string(b) + " is wrong or misplaced");
        for (std::size_t j = 0; j < before.size(); ++j) {
            const std::size_t k = j < lead ? j : j + expected.size();
            const bool last = lastOpen && bodies[b][j] + 1 == original.lines.size();
            if (SameLine(after[k], before[j], last))
                continue;
            if (!updated.count(bodies[b][j]) || KeyOf(after[k]) != KeyOf(before[j]))
                fuzz::Fail("line " + std::to_string(bodies[b][j] + 1) + " changed or moved");
        }
    }
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
    std::size_t bound = text.size() + 2;
    std::vector<Write> accepted;
    for (const Write& w : writes) {
        if (!UsableSection(w.section) || !UsableKey(w.key)) {
            // Refused whole: the text stays as it was.
            const std::string was = doc.Text();
            if (doc.Set(w.section, w.key, w.value) || doc.Text() != was)
                fuzz::Fail("a name that would not read back was written: [" + w.section + "] " +
                           w.key);
            continue;
        }
        if (!doc.Set(w.section, w.key, w.value))
            fuzz::Fail("a usable name was refused: [" + w.section + "] " + w.key);
        accepted.push_back(w);
        expected[{Folded(w.section), Folded(w.key)}] = ReadBack(w.value);
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

    CheckLayout(original, accepted, Lines(out));
    return 0;
}
