// Data files are found below the program's folder whatever the case of their
// names, and names with backslashes reach subfolders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "tests/support/virtual_system.h"

namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("zelk-paths-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "Data" / "Sub");
    std::ofstream(root_ / "Data" / "fm.mag") << "x";
    std::ofstream(root_ / "Data" / "Sub" / "Tobirano.WAV") << "x";
    sys_.backend().SetModuleFileName((root_ / "scenedemo").string());
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
  testing_support::VirtualSystem sys_;
};

TEST_F(PathsTest, NamesResolveWithoutRegardToCase) {
  std::string dir = root_.string() + "/";
  EXPECT_EQ(platform::ProgramDirectory(), dir);
  EXPECT_EQ(platform::ProgramRelativePath("data\\Fm.mag"), dir + "Data/fm.mag");
  EXPECT_EQ(platform::ProgramRelativePath("DATA\\fm.MAG"), dir + "Data/fm.mag");
  EXPECT_EQ(platform::ProgramRelativePath("data\\sub\\tobirano.wav"),
            dir + "Data/Sub/Tobirano.WAV");
}

TEST_F(PathsTest, MissingNamesStayAsWrittenFromTheFirstMiss) {
  std::string dir = root_.string() + "/";
  EXPECT_EQ(platform::ProgramRelativePath("data\\nothere\\FM.mag"), dir + "Data/nothere/FM.mag");
  EXPECT_EQ(platform::ProgramRelativePath("x.mag"), dir + "x.mag");
}

}  // namespace
