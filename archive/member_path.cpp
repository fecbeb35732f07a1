#include "archive/member_path.h"

namespace qarch {

namespace {

PathVerdict CheckPart(const std::string& part) {
  if (part == "..") return PathVerdict::kParent;
  for (char c : part) {
    if (c == ':') return PathVerdict::kDrive;
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return PathVerdict::kBadCharacter;
  }
  return PathVerdict::kSafe;
}

}  // namespace

MemberPath CheckMemberPath(const Member& member) {
  MemberPath result;
  if (member.nameless) {
    result.verdict = PathVerdict::kEmpty;
    return result;
  }
  if (member.absolute) result.verdict = PathVerdict::kAbsolute;
  for (const std::string& part : member.parts) {
    if (part.empty() || part == ".") continue;
    PathVerdict v = CheckPart(part);
    if (v != PathVerdict::kSafe && result.verdict == PathVerdict::kSafe) result.verdict = v;
    result.parts.push_back(part);
  }
  if (result.parts.empty() && result.verdict == PathVerdict::kSafe) {
    result.verdict = PathVerdict::kEmpty;
  }
  if (result.verdict != PathVerdict::kSafe) {
    result.parts.clear();
    return result;
  }
  for (const std::string& part : result.parts) {
    if (!result.relative.empty()) result.relative += '/';
    result.relative += part;
  }
  return result;
}

std::string VerdictText(PathVerdict verdict) {
  switch (verdict) {
    case PathVerdict::kSafe:
      return "";
    case PathVerdict::kEmpty:
      return "名前がないため展開しません";
    case PathVerdict::kAbsolute:
      return "絶対パスのため展開しません";
    case PathVerdict::kParent:
      return "展開先の外を指す「..」を含むため展開しません";
    case PathVerdict::kDrive:
      return "ドライブ名を含むため展開しません";
    case PathVerdict::kBadCharacter:
      return "名前に使えない文字を含むため展開しません";
  }
  return "";
}

}  // namespace qarch
