#include "platform/Services.h"

#include "platform/RegistryStore.h"

#include <cstdio>

namespace hortivex {
namespace {

// Until a front end installs its own, messages go to the standard streams.
class StreamMessages : public Messages {
public:
    void Information(const std::string& text) override { std::printf("%s\n", text.c_str()); }
    void Error(const std::string& text, const std::string& detail) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        if (!detail.empty())
            std::fprintf(stderr, "%s\n", detail.c_str());
    }
    void Plain(const std::string& text) override { std::printf("%s\n", text.c_str()); }
};

struct Installed {
    std::shared_ptr<Regional> regional;
    std::shared_ptr<SettingsStore> settings;
    std::shared_ptr<Messages> messages;
    std::shared_ptr<Clock> clock;
};

Installed& Slots() {
    static Installed slots;
    return slots;
}

} // namespace

Regional& CurrentRegional() {
    auto& slot = Slots().regional;
    if (!slot)
        slot = MakeLocaleRegional();
    return *slot;
}

SettingsStore& CurrentSettingsStore() {
    auto& slot = Slots().settings;
    if (!slot)
        slot = MakeUserSettingsStore();
    return *slot;
}

Messages& CurrentMessages() {
    auto& slot = Slots().messages;
    if (!slot)
        slot = std::make_shared<StreamMessages>();
    return *slot;
}

Clock& CurrentClock() {
    auto& slot = Slots().clock;
    if (!slot)
        slot = MakeSystemClock();
    return *slot;
}

void InstallRegional(std::shared_ptr<Regional> regional) {
    Slots().regional = std::move(regional);
}
void InstallSettingsStore(std::shared_ptr<SettingsStore> store) {
    Slots().settings = std::move(store);
}
void InstallMessages(std::shared_ptr<Messages> messages) {
    Slots().messages = std::move(messages);
}

void InstallClock(std::shared_ptr<Clock> clock) {
    Slots().clock = std::move(clock);
}

void ResetPlatformServices() {
    Slots() = Installed{};
}

} // namespace hortivex
