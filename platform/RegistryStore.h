#pragma once

#include "platform/SettingsStore.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace hortivex {

// The settings store kept in ".reg" text files, one per root ("Windows Registry Editor
// Version 5.00" format, so an export of the real key from a Windows machine can be dropped in).
// A root without a file is held in memory only: with neither file this is the test double.
std::shared_ptr<SettingsStore> MakeRegistryStore(std::optional<std::filesystem::path> userFile,
                                                 std::optional<std::filesystem::path> machineFile);

// The in-memory store, for tests.
std::shared_ptr<SettingsStore> MakeMemorySettingsStore();

// The production store: current user in $XDG_CONFIG_HOME/hortivex/user.reg (default
// ~/.config), local machine in /etc/xdg/hortivex/machine.reg.
std::shared_ptr<SettingsStore> MakeUserSettingsStore();

} // namespace hortivex
