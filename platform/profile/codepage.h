// Conversions between UTF-8 (our strings) and the Japanese ANSI code page 932,
// in which Windows tools wrote settings files and archive member names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// nullopt when `bytes` holds a sequence that is not code page 932.
std::optional<std::string> Cp932ToUtf8(std::string_view bytes);
// nullopt when `text` is not UTF-8 or holds a character code page 932 lacks.
std::optional<std::string> Utf8ToCp932(std::string_view text);
// Strict UTF-8 check (no overlong forms, no surrogates).
bool IsUtf8(std::string_view bytes);
// Whether `byte` starts a two-byte character in code page 932.
bool IsCp932LeadByte(unsigned char byte);
// `text` in code page 932, with '?' for each character code page 932 lacks
// (and for each byte that is not UTF-8), as Windows' ANSI calls convert.
std::string Utf8ToCp932Lossy(std::string_view text);
// The longest prefix of `text` (UTF-8, whole characters) whose form above is
// at most `limit` bytes long.
std::string CutToCp932Size(std::string_view text, size_t limit);
// `text` with its middle cut out for "…" where it is wider than `columns`,
// counting the bytes of its code page 932 form (a box's fixed-width Japanese
// font gives two-byte characters two columns).
std::string FitToColumns(std::string_view text, size_t columns);
// Length in bytes of the longest prefix of `bytes` (code page 932) that is at
// most `limit` bytes long and does not end inside a two-byte character.
size_t Cp932PrefixLength(std::string_view bytes, size_t limit);

}  // namespace platform
