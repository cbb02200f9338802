#pragma once

#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Regional.h"
#include "platform/SettingsStore.h"

#include <memory>

namespace hortivex {

// The operating-system services the core reaches. Each accessor creates the production service
// on first use; tests install their own doubles and reset afterwards.
Regional& CurrentRegional();
SettingsStore& CurrentSettingsStore();
Messages& CurrentMessages();
Clock& CurrentClock();

void InstallRegional(std::shared_ptr<Regional> regional);
void InstallSettingsStore(std::shared_ptr<SettingsStore> store);
void InstallMessages(std::shared_ptr<Messages> messages);
void InstallClock(std::shared_ptr<Clock> clock);

// Drops every installed service; the next use creates the production one again.
void ResetPlatformServices();

} // namespace hortivex
