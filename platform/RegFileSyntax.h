#pragma once

// The text helpers of the .reg format, shared by its parser and its writer: ASCII case folding,
// UTF-8 and UTF-16LE conversion, quoted strings and hexadecimal value bytes. Internal to the
// platform layer.

#include "platform/RegFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hortivex::regsyntax {

char FoldChar(char c);
std::string Fold(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool IsSpace(char c);
std::string_view Trim(std::string_view s);
bool EndsWithBackslash(std::string_view line);
int HexDigit(char c);
std::string_view RootName(RegistryRoot root);
bool NamesRoot(std::string_view name, RegistryRoot root);
// Sections of other roots ("HKEY_CLASSES_ROOT", "HKCR", ...) are kept; anything else is junk.
bool NamesAnyRoot(std::string_view name);
void AppendUtf8(std::string& out, char32_t cp);
// Unpaired surrogates become U+FFFD; an odd final byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);
void AppendUtf16Le(std::string& out, char32_t cp);
// Each byte that does not start a valid UTF-8 sequence becomes U+FFFD.
std::string Utf8ToUtf16Le(std::string_view s);
std::string DecodeText(std::string_view bytes);
// Reads a quoted name or text with the escapes \\ and \" from the front of s.
bool TakeQuoted(std::string_view& s, std::string& out);
void AppendQuoted(std::string& out, std::string_view s);
// An ASCII letter, either case.
bool IsLetter(char c);
// The type tag of a value kept verbatim: a letter, then letters, digits or brackets, then ':'.
bool HasTypeTag(std::string_view s);
std::optional<std::uint32_t> ParseDword(std::string_view digits);
// The bytes of a raw value with the given tag ("hex(1)"), or nothing when the tag differs or a
// byte is not hexadecimal.
std::optional<std::string> HexBytes(const RegValue& value, std::string_view tag);
void AppendHex(std::string& out, std::string_view tag, std::string_view bytes);
void AppendWithCrLf(std::string& out, std::string_view text);

} // namespace hortivex::regsyntax
