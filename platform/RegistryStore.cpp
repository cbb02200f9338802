#include "platform/RegistryStore.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/RegFile.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

// A settings file larger than this is not ours to load (and then not ours to overwrite).
constexpr std::size_t kMaxFileBytes = 32u << 20;

// A line break cannot be stored in a key or value name of a ".reg" file: it would split the
// line and lose the entry on the next load.
void CheckName(std::string_view name, const char* what) {
    if (name.find_first_of("\r\n") != std::string_view::npos)
        throw HxError(std::string("Invalid ") + what + " name: it contains a line break");
}

class RegFileStore final : public SettingsStore {
public:
    RegFileStore(std::optional<fs::path> userFile, std::optional<fs::path> machineFile)
        : roots_{Root(RegistryRoot::CurrentUser, std::move(userFile)),
                 Root(RegistryRoot::LocalMachine, std::move(machineFile))} {}

    bool KeyExists(RegistryRoot root, std::string_view key) const override {
        std::lock_guard lock(mutex_);
        return Loaded(root).model.KeyExists(key);
    }

    bool ValueExists(RegistryRoot root, std::string_view key,
                     std::string_view name) const override {
        std::lock_guard lock(mutex_);
        return Loaded(root).model.FindValue(key, name) != nullptr;
    }

    std::optional<std::string> ReadString(RegistryRoot root, std::string_view key,
                                          std::string_view name) const override {
        std::lock_guard lock(mutex_);
        const RegValue* value = Loaded(root).model.FindValue(key, name);
        return value ? RegValueAsString(*value) : std::nullopt;
    }

    std::optional<std::uint32_t> ReadDword(RegistryRoot root, std::string_view key,
                                           std::string_view name) const override {
        std::lock_guard lock(mutex_);
        const RegValue* value = Loaded(root).model.FindValue(key, name);
        return value ? RegValueAsDword(*value) : std::nullopt;
    }

    void CreateKey(RegistryRoot root, std::string_view key) override {
        CheckName(key, "key");
        Change(root, [&](RegFile& model) { return model.CreateKey(key); });
    }

    void WriteString(RegistryRoot root, std::string_view key, std::string_view name,
                     std::string_view value) override {
        CheckName(key, "key");
        CheckName(name, "value");
        RegValue v{std::string(name), RegValueKind::String, std::string(value), 0};
        Change(root, [&](RegFile& model) { return model.SetValue(key, std::move(v)); });
    }

    void WriteDword(RegistryRoot root, std::string_view key, std::string_view name,
                    std::uint32_t value) override {
        CheckName(key, "key");
        CheckName(name, "value");
        RegValue v{std::string(name), RegValueKind::Dword, std::string(), value};
        Change(root, [&](RegFile& model) { return model.SetValue(key, std::move(v)); });
    }

    void DeleteKeyTree(RegistryRoot root, std::string_view key) override {
        Change(root, [&](RegFile& model) { return model.DeleteKeyTree(key); });
    }

private:
    struct Root {
        Root(RegistryRoot r, std::optional<fs::path> f) : model(r), file(std::move(f)) {}
        RegFile model;
        std::optional<fs::path> file;
        bool loaded = false;
        bool readable = true; // false: the file exists but could not be read
    };

    // Loads the root's file on first use. A missing file is an empty root; a file that cannot be
    // read (not a regular file, no permission, too large) reads as empty and refuses writes, so
    // that it is never replaced by a model that lacks its contents.
    Root& Loaded(RegistryRoot which) const {
        Root& root = roots_[which == RegistryRoot::CurrentUser ? 0 : 1];
        if (root.loaded || !root.file)
            return root;
        root.loaded = true;
        std::error_code ec;
        fs::file_status status = fs::status(*root.file, ec);
        if (status.type() == fs::file_type::not_found)
            return root;
        try {
            // Size the buffer by the file, with room to notice one that grew meanwhile.
            const std::size_t limit = kMaxFileBytes + 1;
            std::uintmax_t size = fs::file_size(*root.file, ec);
            std::size_t want =
                ec ? limit
                   : static_cast<std::size_t>(std::min<std::uintmax_t>(size + 65536, limit));
            std::string bytes = ReadFilePrefix(*root.file, want);
            if (bytes.size() == want && want < limit)
                bytes = ReadFilePrefix(*root.file, limit);
            if (bytes.size() > kMaxFileBytes) {
                root.readable = false;
                return root;
            }
            root.model = RegFile::Parse(bytes, which);
        } catch (const HxError&) {
            root.readable = false;
        }
        return root;
    }

    // Applies a change to a copy of the model, saves that, and only then keeps it; a change that
    // alters nothing writes nothing (so a read-only file does not fail a no-op).
    template <class F> void Change(RegistryRoot which, F&& change) {
        std::lock_guard lock(mutex_);
        Root& root = Loaded(which);
        if (!root.file) {
            change(root.model);
            return;
        }
        RegFile next = root.model;
        if (!change(next))
            return;
        const std::string failure = "Unable to write to " + root.file->string();
        if (!root.readable)
            throw FileError(failure, *root.file, 0);
        try {
            // Write through a symbolic link rather than replacing the link itself.
            fs::path target = ResolveLinkTarget(*root.file);
            if (target.has_parent_path())
                fs::create_directories(target.parent_path());
            WriteFileAtomically(target, next.Serialize());
        } catch (const FileError& e) {
            throw FileError(failure, *root.file, e.Error());
        } catch (const fs::filesystem_error& e) {
            throw FileError(failure, *root.file, e.code().value());
        }
        root.model = std::move(next);
    }

    mutable std::mutex mutex_;
    mutable std::array<Root, 2> roots_;
};

} // namespace

std::shared_ptr<SettingsStore> MakeRegistryStore(std::optional<fs::path> userFile,
                                                 std::optional<fs::path> machineFile) {
    return std::make_shared<RegFileStore>(std::move(userFile), std::move(machineFile));
}

std::shared_ptr<SettingsStore> MakeMemorySettingsStore() {
    return MakeRegistryStore(std::nullopt, std::nullopt);
}

} // namespace hortivex
