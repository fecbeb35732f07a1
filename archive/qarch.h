// The archive library's interface: the parameter block the installer fills
// and the three calls it makes, in this order, at most once each. The block is
// little-endian and packed; its texts are NUL-terminated and in code page 932,
// as the original's were (so a field holds as many characters as there), and
// paths use '/'.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qarch {

// One file of the archive folder.
struct ArchiveEntry {
  double needMByte;    // megabytes the archive needs
  char baseName[256];  // file name without extension (empty with one archive)
  char fileName[16];   // file name with extension, at most 15 bytes
};
static_assert(sizeof(ArchiveEntry) == 280);
static_assert(offsetof(ArchiveEntry, baseName) == 8);
static_assert(offsetof(ArchiveEntry, fileName) == 264);

#pragma pack(push, 1)
struct ExpansionParams {
  int32_t archiveCount;
  char title[256];
  char archiveDir[256];
  char destDir[256];
  int32_t needsMissing;  // 1: measure maxFileCount and every needMByte
  int32_t maxFileCount;
  ArchiveEntry* archives;  // archiveCount records; as wide as an address
};
#pragma pack(pop)
static_assert(offsetof(ExpansionParams, title) == 4);
static_assert(offsetof(ExpansionParams, archiveDir) == 260);
static_assert(offsetof(ExpansionParams, destDir) == 516);
static_assert(offsetof(ExpansionParams, needsMissing) == 772);
static_assert(offsetof(ExpansionParams, maxFileCount) == 776);
static_assert(offsetof(ExpansionParams, archives) == 780);
static_assert(sizeof(ExpansionParams) == 780 + sizeof(void*));

// Results of QArch_UnpackUnlha.
constexpr int kUnpackFinished = 1;
constexpr int kUnpackCancelled = 0;
constexpr int kUnpackFailed = 2;  // something could not be expanded (reported)

}  // namespace qarch

#define QARCH_EXPORT extern "C" __attribute__((visibility("default")))

// The library's version as the number after "0." (20 stands for 0.20).
QARCH_EXPORT int QArch_GetVersion();
// 0 while another expansion holds the library; else the version of the LHA
// expander as the number after "0.". A non-zero result reserves the library
// for this process until QArch_UnpackUnlha returns.
QARCH_EXPORT int QArch_InitUnlha();
// Expands every archive of the block; see the kUnpack results.
QARCH_EXPORT int QArch_UnpackUnlha(qarch::ExpansionParams* params);
