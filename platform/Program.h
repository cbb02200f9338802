#pragma once

#include <filesystem>
#include <vector>

namespace hortivex {

// What the running program is to its system: where it was installed, what started it with which
// names, and whether a person watches its error stream.

// Whether a program in this folder belongs to the system's packages, which keep no files beside
// the program, even for a user (root) who may write there.
bool IsSystemProgramFolder(const std::filesystem::path& folder);

// Whether the standard error stream is a terminal, where a progress line can be redrawn.
bool ErrorStreamIsTerminal();

// The arguments after the program's own name, as the system gives them: the bytes on Linux,
// the UTF-16 command line on Windows (so a name outside the ANSI code page stays whole).
std::vector<std::filesystem::path> CommandLineArguments(int argc, char** argv);

} // namespace hortivex
