#include "options/Options.h"

#include "export/IniDocument.h"
#include "export/IniOutput.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Services.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <variant>

namespace hortivex {

namespace {

constexpr const char* kSection = "Options";
constexpr const char* kFileName = "_HX.ini";
// The file holds passwords in plain text.
constexpr int kNewFileMode = 0600;

// The full application's system settings, which this system never fills.
const std::string kDefaultPager;
constexpr std::int32_t kDefaultPagerDelay = 0;
const std::string kPagerModem;

// One option and the field it fills. IsPagerNumeric has no field of its own.
struct PagerNumeric {
    bool operator==(const PagerNumeric&) const = default;
};
using Member = std::variant<std::int32_t TOptions::*, std::uint8_t TOptions::*, bool TOptions::*,
                            std::string TOptions::*, PagerNumeric>;
struct Field {
    const char* key;
    Member member;
};

#define OPTION(name)                                                                               \
    { #name, &TOptions::name }

// The order the options file is read in.
const Field kFileReadOrder[] = {
    OPTION(SelectedGrowRoom),
    OPTION(AlarmStyle),
    OPTION(SMSNumber),
    OPTION(SMSPassword),
    OPTION(SMSBaudrate),
    OPTION(SMSDataParityStop),
    OPTION(Pager),
    {"pagerDelay", &TOptions::PagerDelay},
    OPTION(PagingEnabled),
    OPTION(TempUnit),
    OPTION(ECUnit),
    OPTION(ModemPortNum),
    {"IsPagerNumeric", PagerNumeric{}},
    OPTION(PagerType),
    OPTION(TwilioSID),
    OPTION(TwilioAuth),
    OPTION(TwilioFrom),
    OPTION(TwilioTo),
    OPTION(EmailPaging),
    OPTION(SMTP),
    OPTION(EmailFrom),
    OPTION(EmailTo),
    OPTION(SMTPAuthent),
    OPTION(SMTPUser),
    OPTION(SMTPPass),
    OPTION(SMTPSSL),
};

// The order the settings store is read in.
const Field kStoreReadOrder[] = {
    OPTION(AlarmStyle),
    OPTION(SMSNumber),
    OPTION(SMSPassword),
    OPTION(SMSBaudrate),
    OPTION(SMSDataParityStop),
    OPTION(Pager),
    {"pagerDelay", &TOptions::PagerDelay},
    OPTION(SelectedGrowRoom),
    OPTION(PagingEnabled),
    OPTION(TempUnit),
    OPTION(ECUnit),
    OPTION(ModemPortNum),
    OPTION(PagerType),
    OPTION(TwilioSID),
    OPTION(TwilioAuth),
    OPTION(TwilioFrom),
    OPTION(TwilioTo),
    OPTION(EmailPaging),
    OPTION(SMTP),
    OPTION(EmailFrom),
    OPTION(EmailTo),
    OPTION(SMTPAuthent),
    OPTION(SMTPUser),
    OPTION(SMTPPass),
    OPTION(SMTPSSL),
};

// The order and spelling the options file is written in.
const Field kWriteOrder[] = {
    OPTION(SelectedGrowRoom),
    OPTION(AlarmStyle),
    OPTION(SMSNumber),
    OPTION(SMSPassword),
    OPTION(SMSBaudrate),
    OPTION(SMSDataParityStop),
    OPTION(Pager),
    OPTION(PagerDelay),
    OPTION(PagingEnabled), // written as IsPagingActive
    OPTION(TempUnit),
    OPTION(ECUnit),
    OPTION(ModemPortNum),
    OPTION(PagerType),
    OPTION(TwilioSID),
    OPTION(TwilioAuth),
    OPTION(TwilioFrom),
    OPTION(TwilioTo),
    OPTION(EmailPaging),
    OPTION(SMTP),
    OPTION(EmailFrom),
    OPTION(EmailTo),
    OPTION(SMTPAuthent),
    OPTION(SMTPUser),
    OPTION(SMTPPass),
    OPTION(SMTPSSL),
};

#undef OPTION

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

// A decimal integer with an optional sign and surrounding blanks; nothing else, and nothing
// outside the 32-bit range.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// The options file as the profile reader sees it: a missing key, or one whose text is not an
// integer, answers the fallback.
class ProfileReader {
public:
    explicit ProfileReader(std::string_view text) : document_(text) {}

    std::int32_t Integer(const char* key, std::int32_t fallback) const {
        const auto text = document_.Get(kSection, key);
        return text ? ParseInteger(*text).value_or(fallback) : fallback;
    }
    std::string Text(const char* key, const std::string& fallback) const {
        return document_.Get(kSection, key).value_or(fallback);
    }

private:
    IniDocument document_;
};

// The settings store's values under the application key: a missing value answers the
// fallback, a value of the other kind raises.
class StoreReader {
public:
    explicit StoreReader(const SettingsStore& store) : store_(store) {}

    bool Exists(const char* name) const {
        return store_.ValueExists(RegistryRoot::LocalMachine, kSettingsKey, name);
    }
    std::int32_t Integer(const char* name, std::int32_t fallback) const {
        if (!Exists(name))
            return fallback;
        const auto value = store_.ReadDword(RegistryRoot::LocalMachine, kSettingsKey, name);
        if (!value)
            WrongKind(name);
        return static_cast<std::int32_t>(*value);
    }
    std::string Text(const char* name, const std::string& fallback) const {
        if (!Exists(name))
            return fallback;
        auto value = store_.ReadString(RegistryRoot::LocalMachine, kSettingsKey, name);
        if (!value)
            WrongKind(name);
        return std::move(*value);
    }

private:
    [[noreturn]] static void WrongKind(const char* name) {
        throw HxError(std::string("Invalid data type for '") + name + "'");
    }
    const SettingsStore& store_;
};

// Reads one option, with the field's current value as the fallback. Bytes keep the low 8
// bits; any non-zero number is true.
template <class Reader> void LoadField(TOptions& options, const Field& field, const Reader& in) {
    std::visit(
        Overloaded{
            [&](std::int32_t TOptions::*m) { options.*m = in.Integer(field.key, options.*m); },
            [&](std::uint8_t TOptions::*m) {
                options.*m = static_cast<std::uint8_t>(in.Integer(field.key, options.*m));
            },
            [&](bool TOptions::*m) { options.*m = in.Integer(field.key, options.*m) != 0; },
            [&](std::string TOptions::*m) { options.*m = in.Text(field.key, options.*m); },
            [&](PagerNumeric) {
                if (in.Integer(field.key, options.DefaultNumericPager()) != 0)
                    options.PagerType = 1;
            },
        },
        field.member);
}

// A plain file (or anything but a folder) at the path; a folder of that name counts as no
// options file, and writing it later refuses.
std::optional<std::size_t> ExistingFileSize(const std::string& path) {
    const PathInfo info = Examine(path);
    if (info.kind == PathKind::Missing || info.kind == PathKind::Unknown ||
        info.kind == PathKind::Folder)
        return std::nullopt;
    return static_cast<std::size_t>(info.size);
}

} // namespace

std::string OptionsFilePath() {
    return Process().workingFolder + kFileName;
}

void TOptions::Create() {
    SetDefaults();
    DeriveUnits();
    LoadOptions();
}

void TOptions::SetDefaults() {
    AlarmStyle = 0;
    SMSNumber.clear();
    SMSPassword.clear();
    SMSBaudrate = 0;
    SMSDataParityStop = 0;
    Pager = kDefaultPager;
    PagerDelay = kDefaultPagerDelay;
    SelectedGrowRoom = -1;
    PagingEnabled = false;
    ModemPortNum = -1;
    PagerType = 1;
    TwilioSID.clear();
    TwilioAuth.clear();
    TwilioFrom.clear();
    TwilioTo.clear();
    EmailPaging = false;
    SMTP.clear();
    EmailFrom.clear();
    EmailTo.clear();
    SMTPAuthent = false;
    SMTPUser.clear();
    SMTPPass.clear();
    SMTPSSL = true;
}

void TOptions::DeriveUnits() {
    const ProcessState& process = Process();
    TempUnit = process.tempUnitLabel == "C" ? 0 : 1;
    ECUnit = process.ecUnitLabel == "ppm" ? 4 : process.ecUnitLabel == " CF  " ? 3 : 2;
}

void TOptions::LoadOptions() {
    const std::string path = OptionsFilePath();
    if (const auto size = ExistingFileSize(path)) {
        const ProfileReader file(ReadFilePrefix(path, *size));
        for (const Field& field : kFileReadOrder)
            LoadField(*this, field, file);
        return;
    }

    const SettingsStore& store = CurrentSettingsStore();
    if (store.KeyExists(RegistryRoot::LocalMachine, kSettingsKey)) {
        const StoreReader values(store);
        for (const Field& field : kStoreReadOrder) {
            // Installations that only kept the older numeric-pager switch used type 1; the
            // switch itself is not read, so its kind does not matter.
            if (field.member == Member{&TOptions::PagerType} && !values.Exists(field.key) &&
                values.Exists("IsPagerNumeric"))
                PagerType = 1;
            LoadField(*this, field, values);
        }
    }
    SaveOptions();
}

void TOptions::SaveOptions() const {
    IniOutput out(OptionsFilePath(), kNewFileMode);
    for (const Field& field : kWriteOrder) {
        std::string text;
        std::visit(Overloaded{
                       [&](std::int32_t TOptions::*m) { text = std::to_string(this->*m); },
                       [&](std::uint8_t TOptions::*m) { text = std::to_string(this->*m); },
                       [&](bool TOptions::*m) {
                           const bool on =
                               m == &TOptions::PagingEnabled ? IsPagingActive() : this->*m;
                           text = on ? "1" : "0";
                       },
                       [&](std::string TOptions::*m) { text = this->*m; },
                       [](PagerNumeric) {},
                   },
                   field.member);
        out.WriteEntry(kSection, field.key, text);
    }
    out.Close();
}

bool TOptions::IsPagingActive() const {
    return PagingEnabled || EmailPaging || PagerType == 3;
}

bool TOptions::DefaultNumericPager() const {
    return !kPagerModem.empty() && PagerType == 1;
}

double TOptions::ECDisplayFactor(double ppmFactor) const {
    // A factor that is not a positive number would turn every value into infinity or a
    // negative; the controller's own base factor stands in for it.
    if (!std::isfinite(ppmFactor) || ppmFactor <= 0)
        ppmFactor = 500;
    switch (ECUnit) {
    case 2:
        return 10;
    case 4:
        return 10 / ppmFactor;
    default:
        return 1;
    }
}

TOptions& GetOptions() {
    std::unique_ptr<TOptions>& shared = Process().options;
    if (!shared) {
        auto created = std::make_unique<TOptions>();
        created->Create();
        shared = std::move(created);
    }
    return *shared;
}

} // namespace hortivex
