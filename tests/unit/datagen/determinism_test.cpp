// Two generations of the data set are byte for byte the same: a fresh run on
// one thread against the set the build made on two. A generation writes
// exactly the files the manifest's programs read, where they read them.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "tools/datagen/dataset.h"
#include "tools/manifest/manifest.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Every file below `dir`, relative to it.
std::set<std::string> Files(const fs::path& dir) {
  std::set<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files.insert(fs::relative(e.path(), dir).string());
  return files;
}

TEST(DeterminismTest, AFreshGenerationEqualsTheBuiltSetAndHoldsTheManifestsFiles) {
  const fs::path built = ZELK_PROGRAM_DIR;  // where the build wrote its set
  fs::path fresh = fs::temp_directory_path() / ("zelkdata-" + std::to_string(getpid()));
  fs::remove_all(fresh);
  std::string error;
  ASSERT_TRUE(datagen::GenerateDataSet(fresh.string(), "", 1, &error)) << error;

  std::set<std::string> read;
  for (const manifest::Program& p : manifest::Programs())
    for (std::string_view file : p.reads)
      read.insert(p.PathOf(file));
  EXPECT_EQ(Files(fresh), read);
  for (const std::string& path : read)
    EXPECT_TRUE(ReadFile(fresh / path) == ReadFile(built / path)) << path << " differs";
  fs::remove_all(fresh);
}

}  // namespace
