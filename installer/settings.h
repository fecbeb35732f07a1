// The installer's settings file: one section of a profile file in the folder
// "ini" below the program, read with the "defalt" rule, and the expansion
// conditions written back after a run that measured them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive/qarch.h"

namespace installer {

inline constexpr std::string_view kSection = "LZHファイルの解凍条件";
// The default handed to the profile call; a result equal to it means absent.
inline constexpr std::string_view kAbsent = "defalt";

// The value of `key` (at most 254 bytes of the file's encoding), or nullopt
// when the file, the section or the key is missing, or the value is "defalt".
std::optional<std::string> ReadSetting(const std::string& path, std::string_view key);

// maxFileCountInLzh: optional blanks, an optional sign and decimal digits
// that fit 32 bits; nullopt otherwise (the empty text included).
std::optional<int32_t> ParseWholeNumber(std::string_view text);

// needMByte: the decimal number at the start of `text` (blanks, sign, digits,
// point, digits, exponent), read with a point whatever the locale; 0 when
// there is none.
double ParseNeed(std::string_view text);

// A need with exactly two decimals and a point whatever the locale ("5.00").
std::string FormatNeed(double megabytes);

// Writes maxFileCountInLzh and needMByte0… when the block's needsMissing is 1;
// write failures go unnoticed (the conditions are measured again next time).
void SaveExpansionConditions(const qarch::ExpansionParams& block, const std::string& path);

}  // namespace installer
