// Expanding the members of one listed archive into a destination folder with
// lhasa's decoders. Everything below the destination is reached name by name
// without following a link, so nothing is created outside it, whatever names,
// links or folders the archive or the destination hold; a link is made only
// when what it leads to, followed through what the destination holds, stays
// inside. A file is written under a temporary name beside its place and
// renamed there only once its length and CRC are right and it is on the disk
// (files are forced there in batches, one flush for many), so a file under
// its real name is always whole. A file MacLHA wrapped in MacBinary is
// written without the wrapper (see macbinary.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/lzh_listing.h"
#include "platform/process/folder_tree.h"

namespace qarch {

class Expander {
 public:
  enum class Outcome { kDone, kFailed, kCancelled };

  // `progress` gets the bytes written since its last call; false cancels.
  Expander(ByteSource& archive, std::function<bool(uint64_t)> progress,
           platform::Walk walk = platform::Walk::kBest);

  // Creates the destination folder (and its parents). False with a reason
  // when it cannot be made.
  bool SetDestination(const std::string& folder, std::string* problem);

  // Removes the temporary files and links an expansion that was killed left
  // in the folders `members` land in. Only while the destination is locked,
  // so that no expansion is under way there.
  void RemoveLeftovers(const std::vector<Member>& members);

  // Expands one member; on kFailed `problem` says why (in Japanese). Folders
  // made only for a member that is not expanded are removed again. A file
  // may take its name only at a later call or at Finish.
  Outcome Expand(const Member& member, std::string* problem);

  struct LateProblem {
    std::string member;
    std::string why;
  };
  // Gives every file written its name and the archive's folders their stored
  // modes and times, once nothing more is written into them. Returns the
  // members that failed at that last step.
  std::vector<LateProblem> Finish();

 private:
  struct StoredFolder {
    platform::Names path;
    int64_t time;
    std::optional<unsigned> perms;
  };

  struct Written {
    std::unique_ptr<platform::NewFile> file;
    std::string name;
    std::string member;  // for the report
  };

  Outcome ExpandFile(const Member& member, const platform::Names& path, std::string* problem);
  // Forces the written files to the disk and gives them their names.
  void Commit();
  Outcome ExpandLink(const Member& member, const platform::Names& path, std::string* problem);
  bool MakeFolders(const platform::Names& path, std::vector<platform::Names>* created,
                   std::string* problem);

  ByteSource& archive_;
  std::function<bool(uint64_t)> progress_;
  platform::Walk walk_;
  std::unique_ptr<platform::FolderTree> tree_;
  unsigned umask_;
  std::vector<StoredFolder> folders_;
  std::vector<Written> written_;
  uint64_t writtenBytes_ = 0;
  std::vector<LateProblem> lateProblems_;
};

}  // namespace qarch
