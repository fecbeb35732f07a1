// Profile files: the lookup rules, and writes that change one line and keep
// every other byte, in code page 932 or UTF-8.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/profile/codepage.h"
#include "platform/profile/profile.h"

namespace fs = std::filesystem;
using platform::ProfileDocument;

namespace {

std::string Cp932(const std::string& utf8) {
  return platform::Utf8ToCp932(utf8).value();
}

const std::string kSection = "LZHファイルの解凍条件";

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "profile-test-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    path_ = (dir_ / "q_unfold.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  void WriteFile(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string ReadFile() {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Get(const std::string& key, size_t size = 255) {
    return platform::GetPrivateProfileString(kSection, key, "defalt", size, path_);
  }

  fs::path dir_;
  std::string path_;
};

}  // namespace

TEST(ProfileDocument, LookupIgnoresCaseTrimsAndUnquotes) {
  auto doc = ProfileDocument::Parse(
      "; comment = not a key\r\n"
      "[Other]\r\nTitleName=wrong section\r\n"
      "  [ lzh ]  \r\n"
      "  TitleName  =  \"  quoted title  \"  \r\n"
      "exename='single'\r\n"
      "Half=\"open\r\n"
      "Empty=\r\n"
      "NoEquals\r\n"
      "TitleName=second one is ignored\r\n"
      "[LZH]\r\nLate=duplicate section is ignored\r\n");
  EXPECT_EQ(doc.Value("LZH", "titlename", 254), "  quoted title  ");
  EXPECT_EQ(doc.Value("lzh", "ExeName", 254), "single");
  EXPECT_EQ(doc.Value("LZH", "Half", 254), "\"open");
  EXPECT_EQ(doc.Value("LZH", "Empty", 254), "");
  EXPECT_FALSE(doc.Value("LZH", "NoEquals", 254));
  EXPECT_FALSE(doc.Value("LZH", "Late", 254));
  EXPECT_FALSE(doc.Value("LZH", "comment", 254));
  EXPECT_FALSE(doc.Value("Missing", "TitleName", 254));
}

TEST(ProfileDocument, Cp932KeysAndValuesCompareByCharacterNotByByte) {
  // "ア" is 0x83 0x41: its second byte is an 'A' that must not be case-folded,
  // and "ソ" ends in 0x5C.
  auto doc = ProfileDocument::Parse(Cp932("[LZHファイルの解凍条件]\r\nアキー=ソ表能\r\n"));
  EXPECT_EQ(doc.encoding(), ProfileDocument::Encoding::kCp932);
  EXPECT_EQ(doc.Value(kSection, "アキー", 254), "ソ表能");
  EXPECT_FALSE(doc.Value(kSection, "ボキー", 254));  // 0x83 0x61: 'a' in second place
  // Cut to the buffer without splitting a two-byte character.
  EXPECT_EQ(doc.Value(kSection, "アキー", 3), "ソ");
}

TEST_F(ProfileFile, MissingFileSectionOrKeyGiveTheDefaultCutToTheBuffer) {
  EXPECT_EQ(Get("TitleName"), "defalt");
  WriteFile("[Other]\r\nTitleName=x\r\n");
  EXPECT_EQ(Get("TitleName"), "defalt");
  EXPECT_EQ(Get("TitleName", 4), "def");
  WriteFile(Cp932("[" + kSection + "]\r\nTitleName=" + std::string(300, 'x') + "\r\n"));
  EXPECT_EQ(Get("TitleName"), std::string(254, 'x'));
}

TEST_F(ProfileFile, WritesChangeOneLineAndKeepEverythingElse) {
  const std::string before = Cp932(
      "; 設定ファイル\r\n"
      "[Other]\r\nneedMByte0=keep me\r\n\r\n"
      "[" +
      kSection +
      "]\r\n"
      "TitleName = テスト\r\n"
      "needMByte0 = 1.00   \r\n"
      "\r\n"
      "[Tail]\r\nX=1");
  WriteFile(before);
  ASSERT_TRUE(platform::WritePrivateProfileString(kSection, "NEEDMBYTE0", "5.00", path_));
  ASSERT_TRUE(platform::WritePrivateProfileString(kSection, "needMByte1", "2.50", path_));
  EXPECT_EQ(ReadFile(), Cp932("; 設定ファイル\r\n"
                              "[Other]\r\nneedMByte0=keep me\r\n\r\n"
                              "[" +
                              kSection +
                              "]\r\n"
                              "TitleName = テスト\r\n"
                              "needMByte0 =5.00\r\n"
                              "needMByte1=2.50\r\n"
                              "\r\n"
                              "[Tail]\r\nX=1"));
  // A new section goes at the end, after a line break for the last line.
  ASSERT_TRUE(platform::WritePrivateProfileString("New", "K", "v", path_));
  EXPECT_TRUE(ReadFile().ends_with("X=1\r\n[New]\r\nK=v\r\n")) << ReadFile();
}

TEST_F(ProfileFile, NewFilesAreCp932WithCrlfAndLfFilesStayLf) {
  ASSERT_TRUE(platform::WritePrivateProfileString(kSection, "maxFileCountInLzh", "3", path_));
  EXPECT_EQ(ReadFile(), Cp932("[" + kSection + "]\r\nmaxFileCountInLzh=3\r\n"));
  EXPECT_EQ(Get("maxFileCountInLzh"), "3");

  WriteFile(Cp932("[" + kSection + "]\nTitleName=t\n"));
  ASSERT_TRUE(platform::WritePrivateProfileString(kSection, "needMByte0", "1.00", path_));
  EXPECT_EQ(ReadFile(), Cp932("[" + kSection + "]\nTitleName=t\nneedMByte0=1.00\n"));
}

TEST_F(ProfileFile, Utf8FilesAreReadAndWrittenBackAsUtf8) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    SCOPED_TRACE(bom.size());
    WriteFile(bom + "[" + kSection + "]\r\nTitleName=テスト\r\n");
    EXPECT_EQ(Get("TitleName"), "テスト");
    ASSERT_TRUE(platform::WritePrivateProfileString(kSection, "needMByte0", "1.00", path_));
    EXPECT_EQ(ReadFile(), bom + "[" + kSection + "]\r\nTitleName=テスト\r\nneedMByte0=1.00\r\n");
  }
}

TEST_F(ProfileFile, FailedWritesLoseNothing) {
  WriteFile("[A]\r\nK=v\r\n");
  // Line breaks would smuggle in lines; a missing folder is never created.
  EXPECT_FALSE(platform::WritePrivateProfileString("A", "K", "x\r\nInjected=1", path_));
  EXPECT_FALSE(platform::WritePrivateProfileString("A", "K", "v", (dir_ / "INI/x.ini").string()));
  EXPECT_FALSE(fs::exists(dir_ / "INI"));
  // Text that code page 932 cannot hold.
  EXPECT_FALSE(platform::WritePrivateProfileString("A", "K", "😀", path_));
  EXPECT_EQ(ReadFile(), "[A]\r\nK=v\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ProfileFile, ALinkInThePlaceOfTheFileBecomesARealFileAndItsTargetStays) {
  const fs::path elsewhere = dir_ / "elsewhere.ini";
  const std::string shared = Cp932("[" + kSection + "]\r\nTitleName=共有\r\n");
  std::ofstream(elsewhere, std::ios::binary) << shared;
  fs::permissions(elsewhere, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(elsewhere, path_);
  EXPECT_EQ(Get("TitleName"), "共有");  // read through the link
  ASSERT_TRUE(platform::WritePrivateProfileString(kSection, "needMByte0", "1.00", path_));
  EXPECT_FALSE(fs::is_symlink(path_));
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadFile(), shared + "needMByte0=1.00\r\n");
  std::ifstream in(elsewhere, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), shared);

  // A link to something that is no file (a device here) is replaced too,
  // without reading from it.
  fs::remove(path_);
  fs::create_symlink("/dev/zero", path_);
  EXPECT_EQ(Get("TitleName"), "defalt");
  ASSERT_TRUE(platform::WritePrivateProfileString(kSection, "K", "v", path_));
  EXPECT_EQ(ReadFile(), Cp932("[" + kSection + "]\r\nK=v\r\n"));
  // Nothing of ours is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}
