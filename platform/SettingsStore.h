#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hortivex {

// The application's key, under both roots.
inline constexpr const char* kSettingsKey = "Software\\Brenmoor Systems\\Hortivex\\";

enum class RegistryRoot { CurrentUser, LocalMachine };

// The registry: keys are paths relative to a root, parts separated by "\" (a trailing "\" is
// allowed); key and value names match without regard to ASCII case. Failures raise HxError.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool KeyExists(RegistryRoot root, std::string_view key) const = 0;
    virtual bool ValueExists(RegistryRoot root, std::string_view key,
                             std::string_view name) const = 0;
    // Empty when the key or value is absent or the value is not of that type.
    virtual std::optional<std::string> ReadString(RegistryRoot root, std::string_view key,
                                                  std::string_view name) const = 0;
    virtual std::optional<std::uint32_t> ReadDword(RegistryRoot root, std::string_view key,
                                                   std::string_view name) const = 0;
    // Creates the key and every missing parent; an existing key is left as it is.
    virtual void CreateKey(RegistryRoot root, std::string_view key) = 0;
    // Creates the key if needed, then sets the value.
    virtual void WriteString(RegistryRoot root, std::string_view key, std::string_view name,
                             std::string_view value) = 0;
    virtual void WriteDword(RegistryRoot root, std::string_view key, std::string_view name,
                            std::uint32_t value) = 0;
    // Deletes the key with all its sub-keys and values; an absent key is no failure.
    virtual void DeleteKeyTree(RegistryRoot root, std::string_view key) = 0;
};

} // namespace hortivex
