#pragma once

#include "platform/FileSystem.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace hortivex {

namespace safewrite {
class Temporary;
}

// The safe write (ReplaceFile) for an output too large to build in memory first: written piece
// by piece into the temporary file beside its target and put in place by Commit with the one
// rename. Until Commit succeeds, and on any failure, an existing target keeps every byte and no
// partial file is left behind: the temporary file is removed when the object goes without a
// commit. The target's symbolic link is followed and an existing target keeps its mode; a
// folder, another non-regular file or a read-only file is refused. Every call goes through the
// system-call seam. Failures raise FileError naming the target.
class StreamingOutput {
public:
    explicit StreamingOutput(const std::filesystem::path& target, bool durable = true);
    ~StreamingOutput();
    StreamingOutput(const StreamingOutput&) = delete;
    StreamingOutput& operator=(const StreamingOutput&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    std::filesystem::path target_; // links followed
    bool durable_;
    std::optional<FileAttributes> existing_; // the target's, kept by the replacement
    int creationMode_ = 0;
    std::unique_ptr<safewrite::Temporary> temp_;
};

} // namespace hortivex
