#include "export/IniOutput.h"

#include "export/TextForms.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <cerrno>

namespace hortivex {
namespace fs = std::filesystem;

IniOutput::IniOutput(fs::path path, int newFileMode)
    : path_(std::move(path)), newFileMode_(newFileMode) {}

void IniOutput::Refuse() const {
    throw HxError("Unable to write to " + path_.string());
}

void IniOutput::Load() {
    try {
        target_ = ResolveLinkTarget(path_);
    } catch (const std::exception&) {
        Refuse();
    }
    const PathInfo target = Examine(target_);
    if (target.kind != PathKind::Missing) {
        // A folder, a device or a read-only file is not replaced.
        if (target.kind != PathKind::File || !target.writable)
            Refuse();
        try {
            document_.emplace(ReadFilePrefix(target_, static_cast<std::size_t>(target.size)));
        } catch (const std::exception&) {
            Refuse();
        }
        existed_ = true;
        return;
    }
    fs::path folder = target_.parent_path();
    if (folder.empty())
        folder = ".";
    const PathInfo dir = Examine(folder);
    if (dir.kind != PathKind::Folder || !dir.writable)
        Refuse();
    document_.emplace();
}

void IniOutput::WriteEntry(std::string_view section, std::string_view key, std::string_view value) {
    if (!document_)
        Load();
    document_->Set(section, key, value);
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
    try {
        // Not flushed to the disk: a batch of thousands of files would wait on the disk for
        // each one; the rename alone keeps a program crash or a full disk from leaving a
        // half-written file.
        WriteFileAtomically(target_, bytes, newFileMode_, false);
    } catch (const TempFileError& e) {
        // A writable file in a folder that takes no new file is written in place. Any other
        // reason (a full disk, an I/O error) would likely fail the rewrite too, after the
        // truncation had already lost the old contents, so the file is left as it is.
        const int reason = e.code().value();
        if (!existed_ || (reason != EACCES && reason != EPERM) || !WriteFileInPlace(target_, bytes))
            Refuse();
    } catch (const std::exception&) {
        Refuse();
    }
    dirty_ = false;
}

} // namespace hortivex
