#include "devices/RegistryCleanup.h"

#include "platform/Errors.h"
#include "platform/Services.h"

namespace hortivex {

namespace {

// Deletes key with everything under it; a failure is passed over.
void DeleteRegistryKey(const std::string& key) {
    try {
        CurrentSettingsStore().DeleteKeyTree(RegistryRoot::LocalMachine, key);
    } catch (const HxError&) {
        // A store that cannot be changed (a read-only machine store) keeps the key.
    }
}

void DeleteRegistrySubKeys(const std::string& key, std::initializer_list<const char*> names) {
    if (!CurrentSettingsStore().KeyExists(RegistryRoot::LocalMachine, key))
        return;
    for (const char* name : names)
        DeleteRegistryKey(key + name);
}

} // namespace

void DeleteControllerSubKeys(const TDevice& device, std::initializer_list<const char*> names,
                             std::initializer_list<const char*> scheduleNames) {
    std::string key;
    try {
        key = device.ControllerRegistryKey();
    } catch (const HxError&) {
        return; // a name that is no single key name deletes nothing
    }
    const std::string schedule = key + "Schedule\\";
    DeleteRegistrySubKeys(key, names);
    DeleteRegistrySubKeys(schedule, scheduleNames);
    DeleteRegistryKey(schedule);
}

} // namespace hortivex
