#include "platform/Program.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace hortivex {
namespace fs = std::filesystem;

// Programs are installed wherever the user chooses; one that cannot write its folder (as under
// Program Files) falls back to the user's data folder anyway.
bool IsSystemProgramFolder(const fs::path&) {
    return false;
}

bool ErrorStreamIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

std::vector<fs::path> CommandLineArguments(int argc, char** argv) {
    std::vector<fs::path> arguments;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments.emplace_back(std::wstring(wide[i]));
        LocalFree(wide);
        return arguments;
    }
    // Without the wide command line, the narrow one the C runtime made of it.
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

} // namespace hortivex
