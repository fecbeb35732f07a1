// Two generations of the data set are byte for byte the same: a fresh run on
// one thread against the set the build made on two.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/datagen/dataset.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DeterminismTest, AFreshGenerationEqualsTheBuiltSet) {
  const char* bin = ZELK_PROGRAM_DIR;  // where the build wrote its set
  fs::path built = fs::path(bin) / "data";
  fs::path fresh = fs::temp_directory_path() / ("zelkdata-" + std::to_string(getpid()));
  fs::remove_all(fresh);
  std::string error;
  ASSERT_TRUE(datagen::GenerateDataSet((fresh / "data").string(), fresh.string(), "", 1, &error))
      << error;

  std::vector<std::string> names = Names(fresh / "data");
  EXPECT_EQ(names, Names(built));
  EXPECT_EQ(names.size(), 36u);
  for (const std::string& name : names)
    EXPECT_TRUE(ReadFile(fresh / "data" / name) == ReadFile(built / name)) << name << " differs";
  for (const char* name : {"pelia.mag", "kaiten.mag", "red.mag", "water.mag", "waters.mag"})
    EXPECT_TRUE(ReadFile(fresh / name) == ReadFile(fs::path(bin) / name)) << name << " differs";
  fs::remove_all(fresh);
}

}  // namespace
