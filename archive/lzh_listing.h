// Listing an LHA archive: every member's kind, name, place and sizes, read
// with Debian's lhasa header reader. Names come from the raw header bytes, so
// code page 932 names whose second bytes are 0x5C stay whole at every header
// level; a name ends at a NUL (Amiga archivers put a file comment after it).
// The listing also tells whether the headers ran to the end of the file:
// lhasa ends a listing quietly at a cut or damaged header, which here makes
// the archive corrupt. A sound file entry without a name (an old Amiga LhA
// fault), where lhasa stops, is listed as such and the listing goes on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qarch {

// Random-access bytes: an archive file or a buffer.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads up to `n` bytes at `offset`; the count read (short only at the end).
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t n) = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

 private:
  std::string_view bytes_;
};

class FileSource : public ByteSource {
 public:
  // nullptr when the file cannot be opened.
  static std::unique_ptr<FileSource> Open(const std::string& path);
  ~FileSource() override;
  uint64_t size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override;

 private:
  FileSource(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
  std::FILE* file_;
  uint64_t size_;
  uint64_t position_ = 0;
};

enum class MemberKind { kFile, kDirectory, kSymlink };

struct Member {
  MemberKind kind = MemberKind::kFile;
  // The stored path split at its separators, each part converted to UTF-8;
  // unchecked (may hold "..", ":" or be empty).
  std::vector<std::string> parts;
  bool absolute = false;  // the stored path began with '/'
  // A file entry whose name is empty: never expanded, named in the report
  // by its folder and its place in the archive.
  bool nameless = false;
  size_t position = 0;     // 1 for the archive's first entry
  std::string storedName;  // the file name's own bytes, without its folder
  char osType = 0;         // the system that wrote the entry (0: not stored)
  std::string linkTarget;  // symbolic links: the target, '/' between parts
  std::string method;      // "-lh5-", "-lhd-", …
  int headerLevel = 0;
  uint64_t dataOffset = 0;  // where the compressed data starts in the archive
  uint64_t compressedLength = 0;
  uint64_t length = 0;  // uncompressed
  uint16_t crc = 0;     // CRC-16 of the uncompressed data
  std::optional<unsigned> unixPerms;
  // Modification time in Unix seconds (0: none stored): the MS-DOS local time
  // of level 0 and 1 headers, the Unix time of level 2 and 3 headers or of
  // an extended header.
  int64_t time = 0;

  std::string DisplayName() const;  // parts joined with '/' (led by one when absolute)
};

enum class ListingStatus {
  kOk,          // headers up to the end marker or the end of the file
  kNotArchive,  // no LHA header anywhere at the start
  kCorrupt,     // a header is cut, damaged or missing before the end
};

struct Listing {
  ListingStatus status = ListingStatus::kOk;
  std::string problem;  // what is wrong, for kCorrupt (in Japanese)
  std::vector<Member> members;
  uint64_t totalLength = 0;  // sum of the members' uncompressed lengths
};

// Never reads outside the source; never fails in any other way than by status.
Listing ListArchive(ByteSource& source);

// The member name parser, exposed for tests: cuts the stored name bytes of
// one header at a NUL, splits them into parts (0xFF, '\\' and '/' separate,
// the second bytes of code page 932 characters do not) and converts them to
// UTF-8. A leading '\\' (DOS archivers' "from the top") is relative; only a
// leading '/' makes the path absolute. With `link` (a directory entry), a '|'
// ends the name and starts a symbolic link's target.
struct ParsedName {
  std::vector<std::string> parts;
  bool absolute = false;
  bool nameless = false;   // no file name after the last separator
  std::string storedName;  // the raw bytes of that file name
  std::optional<std::string> linkTarget;
};
ParsedName ParseStoredName(std::string_view dirBytes, std::string_view nameBytes, bool link);

}  // namespace qarch
