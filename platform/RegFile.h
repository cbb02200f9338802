#pragma once

#include "platform/SettingsStore.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hortivex {

enum class RegValueKind { String, Dword, Raw };

struct RegValue {
    std::string name; // empty: the key's default value, written "@"
    RegValueKind kind = RegValueKind::String;
    // String: the text itself. Raw: everything after "=" as it was read (type tag and data, e.g.
    // "hex(2):41,00,00,00"), continuation lines joined by "\n" and otherwise untouched.
    std::string data;
    std::uint32_t dword = 0;
};

// The value as text: a string value, or a hex(1) value (UTF-16LE) converted to UTF-8.
std::optional<std::string> RegValueAsString(const RegValue& value);
// The value as a number, when it is a dword value.
std::optional<std::uint32_t> RegValueAsDword(const RegValue& value);

// A key path as the model keeps it: trailing "\" removed; "" is the root itself.
std::string_view NormalizeKeyPath(std::string_view path);

namespace detail {

// Items in insertion order, found by their ASCII-lower-cased name. Erased items leave a gap that
// is closed once gaps outnumber items, so no sequence of inserts and erases costs quadratic time.
template <class T> class FoldedSlots {
public:
    using Index = std::map<std::string, std::size_t, std::less<>>;

    std::optional<std::size_t> Find(std::string_view folded) const {
        auto it = index_.find(folded);
        if (it == index_.end())
            return std::nullopt;
        return it->second;
    }
    T& At(std::size_t slot) { return *slots_[slot]; }
    const T& At(std::size_t slot) const { return *slots_[slot]; }
    std::size_t Insert(std::string folded, T item) {
        slots_.push_back(std::move(item));
        index_.emplace(std::move(folded), slots_.size() - 1);
        return slots_.size() - 1;
    }
    // Invalidates slot numbers.
    bool Erase(std::string_view folded) {
        auto it = index_.find(folded);
        if (it == index_.end())
            return false;
        slots_[it->second].reset();
        index_.erase(it);
        if (++dead_ > 16 && dead_ * 2 > slots_.size())
            Compact();
        return true;
    }
    void Clear() {
        slots_.clear();
        index_.clear();
        dead_ = 0;
    }
    bool Empty() const { return index_.empty(); }
    const Index& Names() const { return index_; }
    template <class F> void ForEach(F&& f) const {
        for (const auto& slot : slots_)
            if (slot)
                f(*slot);
    }

private:
    void Compact() {
        std::vector<std::size_t> moved(slots_.size());
        std::vector<std::optional<T>> live;
        live.reserve(index_.size());
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i]) {
                moved[i] = live.size();
                live.push_back(std::move(slots_[i]));
            }
        }
        for (auto& entry : index_)
            entry.second = moved[entry.second];
        slots_ = std::move(live);
        dead_ = 0;
    }

    std::vector<std::optional<T>> slots_;
    Index index_;
    std::size_t dead_ = 0;
};

} // namespace detail

struct RegKey {
    std::string path; // below the root, first spelling kept; "" is the root itself
    detail::FoldedSlots<RegValue> values;
};

// The keys of one root as read from or written to ".reg" text. Key and value names match without
// regard to ASCII case; the first spelling is kept. A key exists when it is listed or when a key
// below it is. Paths given to the methods are normalised with NormalizeKeyPath.
class RegFile {
public:
    explicit RegFile(RegistryRoot root) : root_(root) {}

    // Reads ".reg" text (UTF-16LE with BOM, or UTF-8 / ANSI bytes; CR LF or LF). Keys of `root`
    // form the model; "[-KEY]" and "name"=- entries are applied as they occur, as an import
    // would. Sections of other roots are kept as text and written back unchanged after ours.
    // Comments are dropped; lines that cannot be understood are skipped.
    static RegFile Parse(std::string_view bytes, RegistryRoot root);
    // UTF-8 text, CR LF line ends. A string holding a line break is written as hex(1), since
    // the quoted form cannot carry one.
    std::string Serialize() const;

    bool KeyExists(std::string_view path) const;
    const RegValue* FindValue(std::string_view path, std::string_view name) const;
    // Each returns whether the model changed.
    bool CreateKey(std::string_view path);
    bool SetValue(std::string_view path, RegValue value);
    bool DeleteValue(std::string_view path, std::string_view name);
    // Deletes the key and every key below it (never a sibling that merely shares a prefix). The
    // parent stays, as it would in a registry; "" empties the whole root.
    bool DeleteKeyTree(std::string_view path);

    // Listed keys in file order.
    std::vector<std::string> KeyPaths() const;

private:
    std::size_t EnsureKey(std::string_view path);
    std::optional<std::size_t> FirstBelow(std::string_view folded) const;

    RegistryRoot root_;
    detail::FoldedSlots<RegKey> keys_;
    std::vector<std::string> foreign_; // other roots' sections, lines joined by "\n"
};

} // namespace hortivex
