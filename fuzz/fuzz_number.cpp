// Typed numbers: byte 0 picks the unit tag, byte 1 the decimal symbol, the temperature unit and
// the ppm factor; the rest is the text. Checks the parser against the C library's correctly
// rounded reader, its message on failure, and that a converted raw word matches the value.
#include "export/Units.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Messages.h"
#include "platform/Regional.h"
#include "platform/Services.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <string>

using namespace hortivex;

namespace {

class CountingMessages : public Messages {
public:
    void Information(const std::string&) override { ++count; }
    void Error(const std::string&, const std::string&) override { ++count; }
    void Plain(const std::string& text) override {
        ++count;
        last = text;
    }
    int count = 0;
    std::string last;
};

constexpr std::array<const char*, 12> kTags = {
    "C", "F", "TEMP_ADJ", "RH_ADJ", "CO2_ADJ", " CF  ", "mS/cm", "pH", "WGTMOL", "ppm", "", "cf"};
constexpr std::array<const char*, 4> kSymbols = {".", ",", "::", ""};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::array<double, 8> kFactors = {500, 700, 0, -5, 1e-30, 1e30, kNaN, kInfinity};

CountingMessages& Counter() {
    static const std::shared_ptr<CountingMessages> messages = [] {
        auto made = std::make_shared<CountingMessages>();
        InstallMessages(made);
        return made;
    }();
    return *messages;
}

std::string_view Trimmed(std::string_view s) {
    auto skip = [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; };
    while (!s.empty() && skip(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && skip(s.back()))
        s.remove_suffix(1);
    return s;
}

// The C library's reading of a text in the parser's grammar with "." or "," as the decimal
// symbol, when the text holds only the grammar's characters and it reads the whole text.
std::optional<float> Reference(std::string_view text, const std::string& symbol) {
    if (symbol != "." && symbol != ",")
        return std::nullopt;
    std::string s(Trimmed(text));
    for (char& c : s) {
        if (c == symbol[0])
            c = '.';
        else if (c == '.' || !(std::isdigit(static_cast<unsigned char>(c)) || c == '+' ||
                               c == '-' || c == 'e' || c == 'E'))
            return std::nullopt;
    }
    if (s.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(s.c_str(), &end);
    if (end != s.c_str() + s.size() || std::isinf(v))
        return std::nullopt;
    return v;
}

// The stored-scale value of v for a tag, before rounding, as the conversion intends it.
long double Scaled(float v, const std::string& tag, double factor, bool fahrenheitAdjust) {
    const long double x = v;
    if (tag == "F")
        return (x - 32) * 5 / 9 * 100;
    if (tag == "TEMP_ADJ")
        return fahrenheitAdjust ? x * 5 / 9 * 100 : x * 100;
    if (tag == "C" || tag == "pH" || tag == "mS/cm" || tag == "WGTMOL")
        return x * 100;
    if (tag == " CF  ")
        return x * 10;
    if (tag == "ppm")
        return x / (static_cast<long double>(factor) / 100);
    return x;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::string tag = kTags[data[0] % kTags.size()];
    const std::string symbol = kSymbols[data[1] % kSymbols.size()];
    const bool fahrenheit = (data[1] & 0x80) != 0;
    const double factor = kFactors[(data[1] >> 2) % kFactors.size()];
    const std::string_view text = fuzz::AsText(data + 2, size - 2);

    CountingMessages& messages = Counter();
    InstallRegional(std::make_shared<FixedRegional>(symbol));
    const std::string notANumber = std::string(text) + " is not a valid number.";

    messages.count = 0;
    float value = 12.5f;
    const bool parsed = ParseNumber(text, value);
    if (parsed && (messages.count != 0 || !std::isfinite(value)))
        fuzz::Fail("a number read gave a message or a value that is not finite");
    if (!parsed && (messages.count != 1 || messages.last != notANumber || value != 12.5f))
        fuzz::Fail("a failed read did not show its one message or changed the value");
    const auto reference = Reference(text, symbol);
    if (parsed && symbol == "." && !reference)
        fuzz::Fail("the parser accepted a text the C library does not read");
    if (reference && (!parsed || value != *reference))
        fuzz::Fail("the parser's value differs from the correctly rounded one");

    messages.count = 0;
    std::uint16_t raw = 0xBEEF;
    const bool converted = TextToRaw(text, tag, factor, fahrenheit ? "F" : "C", raw);
    if (messages.count != (converted ? 0 : 1))
        fuzz::Fail("a conversion's message does not match its answer");
    if (!converted && raw != 0xBEEF)
        fuzz::Fail("a failed conversion changed the raw word");
    if (converted && !parsed)
        fuzz::Fail("a text that does not read as a number converted");
    if (!parsed)
        return 0;

    // The word the tag's scale asks for. Scaling a float by 10 or 100 is exact in extended
    // precision, so those tags must give exactly the rounded (or cut) value and fail exactly
    // outside the word's range; a tolerance of one covers the single-precision steps of the
    // Fahrenheit and ppm conversions.
    const bool fahrenheitAdjust = tag == "TEMP_ADJ" && fahrenheit;
    const bool usableFactor = tag != "ppm" || (factor > 0 && std::isfinite(factor) &&
                                               factor / 100 > std::numeric_limits<float>::min());
    if (!usableFactor) {
        if (converted)
            fuzz::Fail("a ppm text converted with an unusable factor");
        return 0;
    }
    const long double scaled = Scaled(value, tag, factor, fahrenheitAdjust);
    const bool exact = !(tag == "F" || fahrenheitAdjust || tag == "ppm");
    const bool truncates = tag == "RH_ADJ" || tag == "CO2_ADJ";
    // A half may go either way: the rule for ties is not part of the contract.
    const bool tie = !truncates && std::fabs(scaled - std::trunc(scaled)) == 0.5L;
    const bool strict = exact && !tie;
    const long double slack = strict ? 0 : 2;
    const bool isSigned = tag == "C" || tag == "F" || tag == "TEMP_ADJ";
    const long double lowest = -32768, highest = isSigned ? 32767 : 65535;
    const long double rounded = truncates ? std::trunc(scaled) : std::nearbyint(scaled);
    const bool inRange = rounded >= lowest && rounded <= highest;
    if (converted) {
        if (!(rounded >= lowest - slack && rounded <= highest + slack))
            fuzz::Fail("a value beyond the word's range converted");
        const long long got = isSigned ? static_cast<std::int16_t>(raw) : raw;
        const long long diff = (static_cast<long long>(rounded) - got) % 65536;
        const bool close =
            diff == 0 || (!strict && (diff == 1 || diff == -1 || diff == 65535 || diff == -65535));
        if (!close)
            fuzz::Fail("the raw word does not hold the converted value");
    } else if (strict ? inRange : rounded > lowest + slack && rounded < highest - slack) {
        fuzz::Fail("a value inside the word's range did not convert");
    }
    return 0;
}
