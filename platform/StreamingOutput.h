#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hortivex {

// An output too large to build in memory first, written piece by piece into a temporary file
// beside its target and put in place by Commit with one rename. Until Commit succeeds, and on
// any failure, an existing target keeps every byte and no partial file is left behind: the
// temporary file is removed when the object goes without a commit. The target's symbolic link
// is followed; a folder, another non-regular file or a read-only file is refused. Every call
// goes through the fault-injection seam. Failures raise InOutError naming the target.
class StreamingOutput {
public:
    explicit StreamingOutput(const std::filesystem::path& target);
    ~StreamingOutput();
    StreamingOutput(const StreamingOutput&) = delete;
    StreamingOutput& operator=(const StreamingOutput&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    [[noreturn]] void Fail(const char* what, int error);

    std::filesystem::path path_;   // as given, for messages
    std::filesystem::path target_; // links followed
    std::string temp_;
    int fd_ = -1;
};

} // namespace hortivex
