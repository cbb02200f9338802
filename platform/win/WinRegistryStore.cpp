// The settings store on the Windows registry. Names and text values cross the API in UTF-16.
#include "platform/Errors.h"
#include "platform/RegistryStore.h"
#include "platform/win/WinText.h"

#include <windows.h>

namespace hortivex {
namespace {

HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The key path without the trailing separators the application key is written with.
std::wstring KeyPath(std::string_view key) {
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    return Widen(key);
}

// Closes the key when it goes out of scope.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_)
            RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

[[noreturn]] void Fail(const char* what, std::string_view key, LSTATUS status) {
    throw HxError(std::string("Cannot ") + what + " registry key " + std::string(key) + " (error " +
                  std::to_string(status) + ")");
}

class WinRegistryStore final : public SettingsStore {
public:
    bool KeyExists(RegistryRoot root, std::string_view key) const override {
        OpenKey handle;
        return Open(root, key, handle);
    }

    bool ValueExists(RegistryRoot root, std::string_view key,
                     std::string_view name) const override {
        OpenKey handle;
        return Open(root, key, handle) &&
               RegQueryValueExW(handle.get(), Widen(name).c_str(), nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS;
    }

    std::optional<std::string> ReadString(RegistryRoot root, std::string_view key,
                                          std::string_view name) const override {
        OpenKey handle;
        if (!Open(root, key, handle))
            return std::nullopt;
        const std::wstring wideName = Widen(name);
        DWORD type = 0, bytes = 0;
        if (RegQueryValueExW(handle.get(), wideName.c_str(), nullptr, &type, nullptr, &bytes) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegQueryValueExW(handle.get(), wideName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        text.resize(bytes / sizeof(wchar_t));
        text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
        return Narrow(text);
    }

    std::optional<std::uint32_t> ReadDword(RegistryRoot root, std::string_view key,
                                           std::string_view name) const override {
        OpenKey handle;
        if (!Open(root, key, handle))
            return std::nullopt;
        DWORD type = 0, value = 0, bytes = sizeof value;
        if (RegQueryValueExW(handle.get(), Widen(name).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return value;
    }

    void CreateKey(RegistryRoot root, std::string_view key) override {
        OpenKey handle;
        Create(root, key, handle);
    }

    void WriteString(RegistryRoot root, std::string_view key, std::string_view name,
                     std::string_view value) override {
        const std::wstring text = Widen(value);
        SetValue(root, key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }

    void WriteDword(RegistryRoot root, std::string_view key, std::string_view name,
                    std::uint32_t value) override {
        const DWORD data = value;
        SetValue(root, key, name, REG_DWORD, &data, sizeof data);
    }

    void DeleteKeyTree(RegistryRoot root, std::string_view key) override {
        const std::wstring path = KeyPath(key);
        // An empty path would name the whole root.
        if (path.empty())
            throw HxError("Cannot delete a whole registry root");
        const LSTATUS status = RegDeleteTreeW(RootKey(root), path.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            Fail("delete", key, status);
        const LSTATUS removed = RegDeleteKeyW(RootKey(root), path.c_str());
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND)
            Fail("delete", key, removed);
    }

private:
    static bool Open(RegistryRoot root, std::string_view key, OpenKey& handle) {
        return RegOpenKeyExW(RootKey(root), KeyPath(key).c_str(), 0, KEY_READ, handle.out()) ==
               ERROR_SUCCESS;
    }

    static void Create(RegistryRoot root, std::string_view key, OpenKey& handle) {
        const LSTATUS status =
            RegCreateKeyExW(RootKey(root), KeyPath(key).c_str(), 0, nullptr, 0,
                            KEY_READ | KEY_WRITE, nullptr, handle.out(), nullptr);
        if (status != ERROR_SUCCESS)
            Fail("create", key, status);
    }

    static void SetValue(RegistryRoot root, std::string_view key, std::string_view name, DWORD type,
                         const void* data, std::size_t bytes) {
        OpenKey handle;
        Create(root, key, handle);
        const LSTATUS status =
            RegSetValueExW(handle.get(), Widen(name).c_str(), 0, type,
                           static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
        if (status != ERROR_SUCCESS)
            Fail("write a value of", key, status);
    }
};

} // namespace

std::shared_ptr<SettingsStore> MakeUserSettingsStore() {
    return std::make_shared<WinRegistryStore>();
}

} // namespace hortivex
