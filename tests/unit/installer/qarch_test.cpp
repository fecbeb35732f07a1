// The archive library's three calls as the installer makes them: the lock,
// the measured needs, the free-space question, cancelling and the report of
// what could not be expanded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "archive/qarch.h"
#include "platform/instance_lock.h"
#include "platform/process/process.h"
#include "platform/profile/codepage.h"
#include "platform/virtual/virtual_backend.h"
#include "services/calls.h"
#include "services/system.h"
#include "tests/unit/installer/lzh_forge.h"

namespace fs = std::filesystem;

namespace {

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("ZELK_QARCH_CANCEL_AFTER");
    unsetenv("ZELK_MSGBOX_ANSWERS");
    std::string pattern = (fs::temp_directory_path() / "qarch-test-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::create_directories(root_ / "LZH");
    // The library's lock lives here: tests running side by side never meet.
    setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    system_ = std::make_unique<services::System>([this](services::System& s) {
      auto backend = std::make_unique<platform::VirtualBackend>(s);
      backend_ = backend.get();
      return backend;
    });
    installed_ = std::make_unique<services::ScopedSystem>(*system_);
    std::strcpy(block_.title, "Title");
    std::strcpy(block_.archiveDir, (root_ / "LZH").c_str());
    std::strcpy(block_.destDir, (root_ / "dest").c_str());
  }
  void TearDown() override {
    installed_.reset();
    system_.reset();
    fs::remove_all(root_);
  }
  // Copies fixtures (or writes text) into the archive folder and describes them.
  void Add(const std::string& name, const std::string& fixture, const std::string& text = "") {
    if (fixture.empty()) {
      std::ofstream(root_ / "LZH" / name) << text;
    } else {
      fs::copy_file(std::string(std::getenv("ZELK_SOURCE_DIR")) + "/tests/fixtures/lzh/" + fixture,
                    root_ / "LZH" / name);
    }
    qarch::ArchiveEntry e{};
    std::strcpy(e.fileName, platform::Utf8ToCp932(name).value().c_str());  // as the installer does
    records_.push_back(e);
  }
  int Unpack() {
    block_.archiveCount = static_cast<int32_t>(records_.size());
    block_.archives = records_.data();
    return QArch_UnpackUnlha(&block_);
  }
  const std::vector<services::BoxRecord>& Boxes() { return system_->boxLog(); }

  fs::path root_;
  platform::VirtualBackend* backend_ = nullptr;
  std::unique_ptr<services::System> system_;
  std::unique_ptr<services::ScopedSystem> installed_;
  qarch::ExpansionParams block_{};
  std::vector<qarch::ArchiveEntry> records_;
};

}  // namespace

TEST_F(Library, VersionsAndTheLockBetweenExpansions) {
  using Result = platform::InstanceLock::Result;
  EXPECT_GE(QArch_GetVersion(), 13);
  {
    platform::InstanceLock other;  // another installer's expansion
    ASSERT_EQ(other.Take("zelk-qarch", root_.c_str(), "/nonexistent", nullptr), Result::kTaken);
    EXPECT_EQ(QArch_InitUnlha(), 0);
    Add("a.lzh", "small.lzh");
    EXPECT_EQ(Unpack(), qarch::kUnpackFailed);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_FALSE(fs::exists(root_ / "dest"));
  }
  EXPECT_GE(QArch_InitUnlha(), 71);
  EXPECT_EQ(Unpack(), qarch::kUnpackFinished);
  // The expansion has released the library for others.
  platform::InstanceLock other;
  EXPECT_EQ(other.Take("zelk-qarch", root_.c_str(), "/nonexistent", nullptr), Result::kTaken);
}

TEST_F(Library, MeasuresTheNeedsAndSkipsFilesThatAreNoArchive) {
  Add("日本語漢字.lzh", "full.lzh");
  Add("readme.txt", "", "not an archive");
  Add("small.lzh", "small.lzh");
  block_.needsMissing = 1;
  EXPECT_EQ(Unpack(), qarch::kUnpackFinished);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(block_.maxFileCount, 5);
  EXPECT_DOUBLE_EQ(records_[0].needMByte, (4140.0 + 100 + 71 + 16384 + 8) / 1048576.0);
  EXPECT_EQ(records_[1].needMByte, 0.0);
  EXPECT_DOUBLE_EQ(records_[2].needMByte, 4140.0 / 1048576.0);
  EXPECT_TRUE(fs::exists(root_ / "dest/ソフト/表示.txt"));
}

TEST_F(Library, DamagedArchivesAreReportedAndNotFinished) {
  Add("good.lzh", "small.lzh");
  std::string bytes;
  {
    std::ifstream in(std::string(std::getenv("ZELK_SOURCE_DIR")) + "/tests/fixtures/lzh/full.lzh",
                     std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  Add("cut.lzh", "", bytes.substr(0, bytes.size() / 2));
  Add("broken.lha", "", "no header here");
  forge::Entry lh3 = forge::File("lh3.bin", "data");  // a method Debian's lhasa lacks
  lh3.method = "-lh3-";
  Add("methods.lzh", "", forge::Archive({lh3, forge::File("after.txt", "after")}));
  EXPECT_EQ(Unpack(), qarch::kUnpackFailed);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Title");
  EXPECT_EQ(Boxes()[0].style, 0x2010u);
  EXPECT_NE(Boxes()[0].text.find("cut.lzh"), std::string::npos);
  EXPECT_NE(Boxes()[0].text.find("broken.lha"), std::string::npos);
  EXPECT_NE(Boxes()[0].text.find("methods.lzh: lh3.bin: 対応していない圧縮方式 -lh3-"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(root_ / "dest/after.txt"));
  // Nothing of the cut archive was written; the sound one was expanded.
  EXPECT_TRUE(fs::exists(root_ / "dest/readme.txt"));
  EXPECT_FALSE(fs::exists(root_ / "dest/bin"));
}

TEST_F(Library, ShortSpaceIsAskedAboutAndCancelStopsAtOnce) {
  Add("a.lzh", "full.lzh");
  records_[0].needMByte = 1e12;  // a million terabytes
  backend_->QueueBoxAnswer(services::IDCANCEL);
  EXPECT_EQ(Unpack(), qarch::kUnpackCancelled);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].style, 0x2131u);
  EXPECT_FALSE(fs::exists(root_ / "dest"));

  backend_->QueueBoxAnswer(services::IDOK);
  EXPECT_EQ(Unpack(), qarch::kUnpackFinished);

  // The Cancel of the progress display (here the test seam) returns 0.
  fs::remove_all(root_ / "dest");
  records_[0].needMByte = 0;
  setenv("ZELK_QARCH_CANCEL_AFTER", "5000", 1);
  EXPECT_EQ(Unpack(), qarch::kUnpackCancelled);
  unsetenv("ZELK_QARCH_CANCEL_AFTER");
  EXPECT_TRUE(fs::exists(root_ / "dest/readme.txt"));
  EXPECT_FALSE(fs::exists(root_ / "dest/data/pattern.bin"));
}

TEST_F(Library, BlocksWithoutDestinationOrArchivesAreRefused) {
  Add("a.lzh", "small.lzh");
  block_.destDir[0] = '\0';
  EXPECT_EQ(Unpack(), qarch::kUnpackFailed);
  records_.clear();
  std::strcpy(block_.destDir, (root_ / "dest").c_str());
  EXPECT_EQ(Unpack(), qarch::kUnpackFailed);
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_FALSE(fs::exists(root_ / "dest"));
}
