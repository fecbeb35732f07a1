// Expanding the members of one listed archive into a destination folder with
// lhasa's decoders. A file is written under a temporary name beside its place
// and renamed there only once its length and CRC are right, so a cut, damaged
// or cancelled file never stays behind; nothing is created outside the
// destination, whatever names, links or folders the archive or the
// destination hold.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/lzh_listing.h"

namespace qarch {

class Expander {
 public:
  enum class Outcome { kDone, kFailed, kCancelled };

  // `progress` gets the bytes written since its last call; false cancels.
  Expander(ByteSource& archive, std::function<bool(uint64_t)> progress);

  // Creates the destination folder (and its parents). False with a reason
  // when it cannot be made.
  bool SetDestination(const std::string& folder, std::string* problem);

  // Expands one member; on kFailed `problem` says why (in Japanese).
  Outcome Expand(const Member& member, std::string* problem);

 private:
  Outcome ExpandFile(const Member& member, const std::string& path, std::string* problem);
  bool MakeFolders(const std::string& relative, bool includeLast, std::string* problem);
  bool Inside(const std::string& path) const;

  ByteSource& archive_;
  std::function<bool(uint64_t)> progress_;
  std::string destination_;  // canonical, without trailing '/'
};

}  // namespace qarch
