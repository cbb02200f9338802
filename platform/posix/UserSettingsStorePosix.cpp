#include "platform/RegistryStore.h"

#include <cstdlib>

namespace hortivex {
namespace fs = std::filesystem;

std::shared_ptr<SettingsStore> MakeUserSettingsStore() {
    std::optional<fs::path> userFile;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config && *config && fs::path(config).is_absolute())
        userFile = fs::path(config) / "hortivex" / "user.reg";
    else if (home && *home)
        userFile = fs::path(home) / ".config" / "hortivex" / "user.reg";
    return MakeRegistryStore(userFile, fs::path("/etc/xdg/hortivex/machine.reg"));
}

} // namespace hortivex
