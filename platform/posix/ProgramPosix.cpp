#include "platform/Program.h"

#include <unistd.h>

namespace hortivex {
namespace fs = std::filesystem;

bool IsSystemProgramFolder(const fs::path& folder) {
    return folder.lexically_normal().string().rfind("/usr/", 0) == 0;
}

bool ErrorStreamIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

std::vector<fs::path> CommandLineArguments(int argc, char** argv) {
    std::vector<fs::path> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

} // namespace hortivex
