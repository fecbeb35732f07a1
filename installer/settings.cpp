#include "installer/settings.h"

#include <charconv>
#include <cmath>

#include "platform/profile/profile.h"

namespace installer {

namespace {

constexpr size_t kResultBufferSize = 255;  // as passed with a 256-byte buffer

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  return s;
}

}  // namespace

std::optional<std::string> ReadSetting(const std::string& path, std::string_view key) {
  std::string value =
      platform::GetPrivateProfileString(kSection, key, kAbsent, kResultBufferSize, path);
  if (value == kAbsent) return std::nullopt;
  return value;
}

std::optional<int32_t> ParseWholeNumber(std::string_view text) {
  std::string_view s = SkipBlanks(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || s.front() == '+') return std::nullopt;
  int32_t value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

double ParseNeed(std::string_view text) {
  std::string_view s = SkipBlanks(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  // Only the forms a decimal number may take: no "inf", "nan" or hex.
  size_t i = (!s.empty() && s.front() == '-') ? 1 : 0;
  if (i >= s.size() || !((s[i] >= '0' && s[i] <= '9') || s[i] == '.')) return 0.0;
  double value = 0.0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || !std::isfinite(value)) return 0.0;
  (void)end;  // what follows the number is ignored
  return value;
}

std::string FormatNeed(double megabytes) {
  char text[400];
  auto [end, ec] = std::to_chars(text, text + sizeof text, megabytes, std::chars_format::fixed, 2);
  if (ec != std::errc()) return "0.00";
  return std::string(text, end);
}

void SaveExpansionConditions(const qarch::ExpansionParams& block, const std::string& path) {
  if (block.needsMissing != 1) return;
  platform::WritePrivateProfileString(kSection, "maxFileCountInLzh",
                                      std::to_string(block.maxFileCount), path);
  for (int32_t i = 0; i < block.archiveCount; ++i) {
    platform::WritePrivateProfileString(kSection, "needMByte" + std::to_string(i),
                                        FormatNeed(block.archives[i].needMByte), path);
  }
}

}  // namespace installer
