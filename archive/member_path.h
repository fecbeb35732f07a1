// Where an archive member may land: only below the destination folder.
#pragma once

#include <string>
#include <vector>

#include "archive/lzh_listing.h"

namespace qarch {

enum class PathVerdict {
  kSafe,
  kEmpty,         // no name at all, or a file entry without a file name
  kAbsolute,      // began with a separator
  kParent,        // a ".." part
  kDrive,         // a drive letter or other ':' (Windows names have none)
  kBadCharacter,  // a NUL or other control character
};

struct MemberPath {
  PathVerdict verdict = PathVerdict::kSafe;
  std::vector<std::string> parts;  // "." parts dropped; safe parts only when kSafe
  std::string relative;            // parts joined with '/'
};

MemberPath CheckMemberPath(const Member& member);

// A short Japanese description of a refusal, for the report.
std::string VerdictText(PathVerdict verdict);

}  // namespace qarch
