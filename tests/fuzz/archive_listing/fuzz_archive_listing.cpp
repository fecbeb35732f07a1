// Any bytes as an LHA archive: the listing never reads outside its input, and
// every member it gives has a place inside the input and a path verdict.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "archive/lzh_listing.h"
#include "archive/member_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qarch::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  qarch::Listing listing = qarch::ListArchive(source);
  for (const qarch::Member& m : listing.members) {
    if (m.dataOffset > size) std::abort();
    qarch::MemberPath where = qarch::CheckMemberPath(m);
    if (where.verdict == qarch::PathVerdict::kSafe) {
      for (const auto& part : where.parts) {
        if (part.empty() || part == "." || part == ".." || part.find('/') != part.npos)
          std::abort();
      }
    }
  }
  return 0;
}
