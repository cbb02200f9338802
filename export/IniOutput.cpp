#include "export/IniOutput.h"

#include "export/TextForms.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

namespace hortivex {
namespace fs = std::filesystem;

IniOutput::IniOutput(fs::path path, int newFileMode)
    : path_(std::move(path)), newFileMode_(newFileMode) {}

void IniOutput::Refuse() const {
    throw HxError("Unable to write to " + path_.string());
}

void IniOutput::Load() {
    try {
        OutputFile file = ReadOutputFile(path_);
        target_ = std::move(file.target);
        existing_ = file.existing;
        document_.emplace(file.bytes);
    } catch (const std::exception&) {
        Refuse();
    }
}

void IniOutput::WriteEntry(std::string_view section, std::string_view key, std::string_view value) {
    if (!document_)
        Load();
    // A name that would not read back as written (it would hide or lose a key) is refused.
    if (!document_->Set(section, key, value))
        Refuse();
    dirty_ = true;
}

void IniOutput::WriteWholeEntry(std::string_view section, std::string_view key, long long n) {
    WriteEntry(section, key, IndexText(n));
}

std::optional<std::string> IniOutput::ReadEntry(std::string_view section, std::string_view key) {
    if (!document_)
        Load();
    return document_->Get(section, key);
}

void IniOutput::Close() {
    if (!dirty_)
        return;
    const std::string bytes = document_->Text();
    if (existing_ && bytes == document_->Original()) {
        // Nothing would change: the file keeps its inode and modification time.
        dirty_ = false;
        return;
    }
    try {
        // Not flushed to the disk: a batch of thousands of files would wait on the disk for
        // each one; the rename alone keeps a program crash or a full disk from leaving a
        // half-written file. A writable file in a folder that takes no new file is written in
        // place.
        ReplaceFile(target_, bytes, existing_,
                    SafeWrite{newFileMode_, /*durable=*/false, /*inPlaceFallback=*/true});
    } catch (const std::exception&) {
        Refuse();
    }
    dirty_ = false;
}

} // namespace hortivex
