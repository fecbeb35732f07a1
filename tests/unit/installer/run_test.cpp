// The expansion run of q_unfold against a scripted archive library, on the
// virtual platform: every message, box style, block field, the installed
// program and the settings written afterwards.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale>
#include <set>
#include <sstream>

#include "installer/expansion_run.h"
#include "installer/settings.h"
#include "platform/profile/codepage.h"
#include "platform/virtual/virtual_backend.h"
#include "services/calls.h"
#include "services/system.h"

namespace fs = std::filesystem;
using installer::RunHooks;
using services::IDCANCEL;
using services::IDOK;

namespace {

// The scripted library; its calls are plain functions, so it is reached
// through one pointer while a test runs.
struct FakeLibrary {
  int version = 20;
  int unlha = 80;
  int result = 1;
  std::vector<std::string> calls;
  qarch::ExpansionParams block{};
  std::vector<qarch::ArchiveEntry> records;
  std::function<void(qarch::ExpansionParams&)> measure;
};
FakeLibrary* g_fake = nullptr;

int FakeGetVersion() {
  g_fake->calls.push_back("GetVersion");
  return g_fake->version;
}
int FakeInitUnlha() {
  g_fake->calls.push_back("InitUnlha");
  return g_fake->unlha;
}
int FakeUnpack(qarch::ExpansionParams* p) {
  g_fake->calls.push_back("Unpack");
  g_fake->block = *p;
  g_fake->records.assign(p->archives, p->archives + p->archiveCount);
  if (g_fake->measure) g_fake->measure(*p);
  return g_fake->result;
}

std::string Cp932(const std::string& utf8) {
  return platform::Utf8ToCp932(utf8).value();
}
const std::string kSection = "[LZHファイルの解凍条件]\r\n";

class Run : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "run-test-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    program_ = root_ / "cd";
    fs::create_directories(program_ / "ini");
    fs::create_directories(drive_ = root_ / "drive");
    setenv("ZELK_DRIVE_ROOT", drive_.c_str(), 1);
    unsetenv("ZELK_MSGBOX_ANSWERS");
    unsetenv("ZELK_MSGBOX_LOG");
    platform::VirtualBackend::Options options;
    options.moduleFileName = (program_ / "q_unfold").string();
    system_ = std::make_unique<services::System>([this, &options](services::System& s) {
      auto backend = std::make_unique<platform::VirtualBackend>(s, options);
      backend_ = backend.get();
      return backend;
    });
    installed_ = std::make_unique<services::ScopedSystem>(*system_);
    g_fake = &fake_;
    hooks_.library = {FakeGetVersion, FakeInitUnlha, FakeUnpack};
    hooks_.setCurrentDirectory = [this](const std::string& d) {
      events_.push_back("cd " + d);
      return true;
    };
    hooks_.startProgram = [this](const std::string& p, const std::vector<std::string>& args) {
      std::string line = "start " + p;
      for (const auto& a : args)
        line += " [" + a + "]";
      events_.push_back(line + " after " + std::to_string(Boxes().size()) + " boxes");
      return true;
    };
    hooks_.openFolder = [this](const std::string& f) {
      events_.push_back("open " + f);
      return true;
    };
  }
  void TearDown() override {
    g_fake = nullptr;
    installed_.reset();
    system_.reset();
    unsetenv("ZELK_DRIVE_ROOT");
    fs::remove_all(root_);
  }

  void Settings(const std::string& utf8Lines) {
    std::ofstream(program_ / "ini/q_unfold.ini", std::ios::binary) << Cp932(kSection + utf8Lines);
  }
  // The settings file, whatever the case of its name (a new one is written
  // as "Q_UNFOLD.INI").
  std::string SettingsFile() {
    fs::path file = program_ / "ini/q_unfold.ini";
    if (!fs::exists(file)) file = program_ / "ini/Q_UNFOLD.INI";
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return platform::Cp932ToUtf8(s.str()).value();
  }
  void Archives(std::initializer_list<const char*> names, const char* folder = "LZH") {
    fs::create_directories(program_ / folder);
    for (const char* n : names)
      std::ofstream(program_ / folder / n) << "archive " << n;
  }
  const std::vector<services::BoxRecord>& Boxes() { return system_->boxLog(); }
  std::string Texts() {
    std::string all;
    for (const auto& b : Boxes())
      all += "[" + b.caption + "|" + b.text + "|" + std::to_string(b.style) + "]";
    return all;
  }
  void RunIt() { installer::RunExpansion(hooks_); }

  fs::path root_, program_, drive_;
  platform::VirtualBackend* backend_ = nullptr;
  std::unique_ptr<services::System> system_;
  std::unique_ptr<services::ScopedSystem> installed_;
  FakeLibrary fake_;
  RunHooks hooks_;
  std::vector<std::string> events_;
};

}  // namespace

TEST_F(Run, SuccessFillsTheBlockStartsTheProgramAfterTheMessageAndSavesTheNeeds) {
  const std::string exeName = "ExeName=bin\\start.sh --flag  \"two words\"\r\n";
  Settings("TitleName=ゲーム\r\nToDefDirName=Zelk\\Game\r\n" + exeName);
  Archives({"b.lzh", "a.lzh"});
  fake_.measure = [](qarch::ExpansionParams& p) {
    p.maxFileCount = 7;
    p.archives[0].needMByte = 1.5;
    p.archives[1].needMByte = 5;
  };
  RunIt();

  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"GetVersion", "InitUnlha", "Unpack"}));
  const qarch::ExpansionParams& b = fake_.block;
  EXPECT_EQ(b.archiveCount, 2);
  EXPECT_EQ(std::string(b.title), Cp932("ゲーム"));  // the block's texts are code page 932
  EXPECT_EQ(std::string(b.archiveDir), (program_ / "LZH").string());
  EXPECT_EQ(std::string(b.destDir), (drive_ / "Zelk/Game").string());
  EXPECT_EQ(b.needsMissing, 1);
  EXPECT_EQ(b.maxFileCount, 0);
  // Listing order is by name; every byte not written is zero.
  EXPECT_STREQ(fake_.records[0].fileName, "a.lzh");
  EXPECT_STREQ(fake_.records[0].baseName, "a");
  EXPECT_STREQ(fake_.records[1].fileName, "b.lzh");
  EXPECT_EQ(fake_.records[1].needMByte, 0.0);
  const char* bytes = reinterpret_cast<const char*>(&fake_.records[1]);
  EXPECT_EQ(std::count(bytes, bytes + sizeof(qarch::ArchiveEntry), '\0'),
            static_cast<long>(sizeof(qarch::ArchiveEntry) - 6));

  EXPECT_EQ(Texts(), "[ゲーム|解凍が終了しました。|8256]");
  const std::string folder = (drive_ / "Zelk/Game/bin").string() + "/";
  // ExeName is a command line: the program, then its arguments.
  EXPECT_EQ(events_, (std::vector<std::string>{
                         "cd " + folder,
                         "start " + folder + "start.sh [--flag] [two words] after 1 boxes"}));
  EXPECT_EQ(SettingsFile(), kSection + "TitleName=ゲーム\r\nToDefDirName=Zelk\\Game\r\n" + exeName +
                                "maxFileCountInLzh=7\r\nneedMByte0=1.50\r\nneedMByte1=5.00\r\n");
}

TEST_F(Run, CancelAndOtherResultsStillSaveButStartNothing) {
  Settings("TitleName=T\r\nToDefDirName=G\r\n");
  Archives({"a.lzh"});
  fake_.result = 0;
  fake_.measure = [](qarch::ExpansionParams& p) { p.archives[0].needMByte = 2; };
  RunIt();
  EXPECT_EQ(Texts(), "[T|解凍を中止しました。|8256]");
  EXPECT_TRUE(events_.empty());
  EXPECT_NE(SettingsFile().find("maxFileCountInLzh=0\r\nneedMByte0=2.00\r\n"), std::string::npos);

  fs::remove(program_ / "ini/q_unfold.ini");
  fake_.result = 2;
  RunIt();
  EXPECT_EQ(Boxes().size(), 1u);  // nothing more shown
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(SettingsFile(), kSection + "maxFileCountInLzh=0\r\nneedMByte0=2.00\r\n");
}

TEST_F(Run, WithoutExeNameTheDestinationFolderIsOpened) {
  Settings("ToDefDirName=Game\r\n");
  Archives({"a.lzh"});
  RunIt();
  EXPECT_EQ(events_, (std::vector<std::string>{"open " + (drive_ / "Game").string() + "/"}));
  // Without TitleName every caption is empty.
  EXPECT_EQ(Texts(), "[|解凍が終了しました。|8256]");
}

TEST_F(Run, NoArchivesMeansFileExistErrorAndNothingSaved) {
  Settings("TitleName=T\r\n");
  const std::string before = SettingsFile();
  RunIt();  // no folder
  fs::create_directories(program_ / "LZH/subfolder");
  RunIt();  // only a folder in it
  EXPECT_EQ(Texts(), "[T|File Exist Error|8208][T|File Exist Error|8208]");
  EXPECT_EQ(std::count(fake_.calls.begin(), fake_.calls.end(), "Unpack"), 0);
  EXPECT_EQ(SettingsFile(), before);
}

TEST_F(Run, MaxFileCountThatIsNoWholeNumberStopsBeforeAnything) {
  Settings("TitleName=T\r\nmaxFileCountInLzh=12x\r\n");
  Archives({"a.lzh"});
  const std::string before = SettingsFile();
  RunIt();
  EXPECT_EQ(Texts(), "[T|'12x' は整数ではありません|8208]");
  EXPECT_TRUE(fake_.calls.empty());
  EXPECT_EQ(SettingsFile(), before);

  Settings("maxFileCountInLzh= -42 \r\n");
  RunIt();
  EXPECT_EQ(fake_.block.maxFileCount, -42);
}

TEST_F(Run, NeedsArePresentOnlyWhenTheLastArchivesKeyIs) {
  Archives({"a.lzh", "b.lzh", "c.lzh"});
  // Only the last key: the others need 10.0 each, and nothing is written.
  Settings("needMByte2=3.25\r\n");
  const std::string before = SettingsFile();
  RunIt();
  EXPECT_EQ(fake_.block.needsMissing, 0);
  EXPECT_EQ(fake_.records[0].needMByte, 10.0);
  EXPECT_EQ(fake_.records[1].needMByte, 10.0);
  EXPECT_EQ(fake_.records[2].needMByte, 3.25);
  EXPECT_EQ(SettingsFile(), before);

  // Empty is present (0); "defalt" counts as absent.
  Settings("needMByte0=\r\nneedMByte1=defalt\r\nneedMByte2=1e1\r\n");
  RunIt();
  EXPECT_EQ(fake_.records[0].needMByte, 0.0);
  EXPECT_EQ(fake_.records[1].needMByte, 10.0);
  EXPECT_EQ(fake_.records[2].needMByte, 10.0);

  // Last key absent: lower keys are ignored on reading and overwritten.
  Settings("needMByte0=99\r\nneedMByte2=defalt\r\n");
  fake_.measure = [](qarch::ExpansionParams& p) {
    for (int i = 0; i < p.archiveCount; ++i)
      p.archives[i].needMByte = i + 0.5;
  };
  RunIt();
  EXPECT_EQ(fake_.block.needsMissing, 1);
  EXPECT_EQ(fake_.records[0].needMByte, 0.0);
  EXPECT_EQ(SettingsFile(), kSection +
                                "needMByte0=0.50\r\nneedMByte2=2.50\r\nmaxFileCountInLzh=0\r\n"
                                "needMByte1=1.50\r\n");
}

TEST_F(Run, FilesAddedDuringTheRunAreLeftOutAndVanishedOnesNotDescribed) {
  Settings("needMByte1=1\r\n");
  Archives({"b.lzh", "c.lzh"});
  hooks_.afterCount = [this] { Archives({"a.lzh"}); };
  RunIt();
  EXPECT_EQ(fake_.block.archiveCount, 2);
  EXPECT_STREQ(fake_.records[0].fileName, "a.lzh");
  EXPECT_STREQ(fake_.records[1].fileName, "b.lzh");

  hooks_.afterCount = [this] {
    fs::remove(program_ / "LZH/a.lzh");
    fs::remove(program_ / "LZH/b.lzh");
  };
  RunIt();
  EXPECT_EQ(fake_.block.archiveCount, 1);
  EXPECT_STREQ(fake_.records[0].fileName, "c.lzh");
}

TEST_F(Run, LimitsCountTheBytesOfCodePage932) {
  // A title of 200 kana keeps 127 of them (254 bytes), as on Windows.
  std::string kana200, kana127;
  for (int i = 0; i < 200; ++i)
    kana200 += "ア";
  for (int i = 0; i < 127; ++i)
    kana127 += "ア";
  std::string program120;
  for (int i = 0; i < 120; ++i)
    program120 += "プ";
  Settings("TitleName=" + kana200 + "\r\nToDefDirName=G\r\nExeName=" + program120 + "\r\n");
  Archives({"日本語漢字.lzh", "a.lzh"});  // 14 bytes in code page 932
  RunIt();
  ASSERT_EQ(Boxes().size(), 1u);
  ASSERT_EQ(fake_.records.size(), 2u) << Texts();
  EXPECT_EQ(Boxes()[0].caption, kana127);
  EXPECT_EQ(std::string(fake_.block.title), Cp932(kana127));
  EXPECT_EQ(std::string(fake_.records[1].fileName), Cp932("日本語漢字.lzh"));
  EXPECT_EQ(std::string(fake_.records[1].baseName), Cp932("日本語漢字"));
  ASSERT_EQ(events_.size(), 2u);
  EXPECT_EQ(events_[1], "start " + (drive_ / "G" / program120).string() + " after 1 boxes");

  // 16 bytes do not fit the file name field; nor 255 bytes of destination.
  Archives({"日本語漢字です.lzh"});
  RunIt();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_NE(Boxes()[1].text.find("日本語漢字です.lzh"), std::string::npos);
  EXPECT_EQ(Boxes()[1].style, 0x2010u);
  fs::remove(program_ / "LZH/日本語漢字です.lzh");
  // The drive root with its '/' and the value: 255 bytes at most.
  const size_t room = 255 - (drive_.string().size() + 1);
  std::string fits;
  for (size_t i = 0; i < room / 2; ++i)
    fits += "ゲ";
  if (room % 2) fits += "x";
  const std::string longer = fits + "x";
  Settings("ToDefDirName=" + fits + "\r\n");
  RunIt();
  EXPECT_EQ(Boxes().size(), 3u) << Texts();
  EXPECT_EQ(std::string(fake_.block.destDir), Cp932((drive_ / fits).string()));
  Settings("ToDefDirName=" + longer + "\r\n");
  const size_t calls = fake_.calls.size();
  RunIt();
  EXPECT_EQ(fake_.calls.size(), calls);
  EXPECT_EQ(Boxes().back().style, 0x2010u);
}

TEST_F(Run, ShortMemoryStopsWithAMessage) {
  Settings("TitleName=T\r\n");
  Archives({"a.lzh"});
  hooks_.recordLimit = 0;
  RunIt();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "");
  EXPECT_EQ(Boxes()[0].text,
            "メモリ不足のためファイル名格納領域が\r作成できません。解凍を中止します。");
  EXPECT_TRUE(std::find(fake_.calls.begin(), fake_.calls.end(), "Unpack") == fake_.calls.end());
  EXPECT_EQ(SettingsFile(), kSection + "TitleName=T\r\n");
}

TEST_F(Run, TheDestinationNeverClimbsAboveTheDriveRoot) {
  Archives({"a.lzh"});
  for (const char* value :
       {"..\\..\\outside\\evil", "a\\..\\..\\..\\outside\\.\\evil", "\\outside\\evil\\"}) {
    Settings(std::string("ToDefDirName=") + value + "\r\n");
    RunIt();
    EXPECT_EQ(std::string(fake_.block.destDir), (drive_ / "outside/evil").string()) << value;
  }
}

TEST_F(Run, ProgramsOutsideTheDestinationAreNeverStarted) {
  Archives({"a.lzh"});
  const fs::path dest = drive_ / "G";
  fs::create_directories(dest / "bin");
  std::ofstream(dest / "bin/start.sh") << "#!/bin/sh\n";
  std::ofstream(drive_ / "outside.sh") << "#!/bin/sh\n";
  fs::create_symlink("/bin/sh", dest / "run");
  fs::create_symlink("bin/start.sh", dest / "go");
  fs::create_directory_symlink("..", dest / "up");
  for (const char* exe : {"run", "..\\outside.sh", "up\\outside.sh", "go", "bin\\..\\go -x"}) {
    Settings(std::string("ToDefDirName=G\r\nExeName=") + exe + "\r\n");
    RunIt();
  }
  EXPECT_EQ(events_,
            (std::vector<std::string>{"cd " + dest.string() + "/",
                                      "start " + (dest / "go").string() + " after 7 boxes",
                                      "cd " + dest.string() + "/bin/../",
                                      "start " + dest.string() + "/bin/../go [-x] after 8 boxes"}));
  ASSERT_EQ(Boxes().size(), 8u) << Texts();
  for (size_t i : {1, 3, 5}) {
    EXPECT_NE(Boxes()[i].text.find("展開先の外"), std::string::npos) << Boxes()[i].text;
    EXPECT_EQ(Boxes()[i].style, 0x2010u);
  }
}

TEST_F(Run, FoldersCodePage932CannotNameReachTheLibraryThroughAnOpenFolder) {
  // "é" has no code page 932 form: the library gets another name of the folder.
  program_ = root_ / "Téléchargements";
  fs::create_directories(program_ / "ini");
  installed_.reset();
  system_ = std::make_unique<services::System>([this](services::System& s) {
    return std::make_unique<platform::VirtualBackend>(
        s, platform::VirtualBackend::Options{.moduleFileName = (program_ / "q_unfold").string()});
  });
  installed_ = std::make_unique<services::ScopedSystem>(*system_);
  const fs::path drive = root_ / "Dé";
  fs::create_directories(drive);
  setenv("ZELK_DRIVE_ROOT", drive.c_str(), 1);
  Settings("ToDefDirName=G\r\n");
  Archives({"a.lzh"});
  bool sameArchives = false, sameDrive = false;
  std::string destDir;
  fake_.measure = [&](qarch::ExpansionParams& p) {
    sameArchives = fs::equivalent(p.archiveDir, program_ / "LZH");
    destDir = p.destDir;
    sameDrive =
        destDir.ends_with("/G") && fs::equivalent(destDir.substr(0, destDir.size() - 2), drive);
  };
  RunIt();
  EXPECT_TRUE(std::string(fake_.block.archiveDir).starts_with("/proc/self/fd/"));
  EXPECT_TRUE(destDir.starts_with("/proc/self/fd/")) << destDir;
  EXPECT_TRUE(sameArchives);
  EXPECT_TRUE(sameDrive);
  EXPECT_EQ(Texts(), "[|解凍が終了しました。|8256]");
}

TEST_F(Run, NamesAreFoundOnceExactSpellingFirstAndVariantsWithoutOneStopTheRun) {
  fs::create_directories(program_ / "INI");
  std::ofstream(program_ / "INI/Q_UNFOLD.INI") << "[LZHファイルの解凍条件]\r\nTitleName=X\r\n";
  Settings("TitleName=T\r\n");
  Archives({"a.lzh"}, "Lzh");
  Archives({"b.lzh"}, "lZh");
  RunIt();
  EXPECT_EQ(Texts(), "[T|大文字と小文字だけが違う名前が複数あるため、解凍を中止します。\r" +
                         (program_ / "Lzh").string() + "\r" + (program_ / "lZh").string() +
                         "|8208]");
  fs::rename(program_ / "lZh", program_ / "LZH");
  RunIt();  // reads and writes back "ini/q_unfold.ini", the exact spelling
  EXPECT_STREQ(fake_.records[0].fileName, "b.lzh");
  EXPECT_EQ(SettingsFile(), kSection + "TitleName=T\r\nmaxFileCountInLzh=0\r\nneedMByte0=0.00\r\n");
}

TEST(CommandLines, ProgramThenArgumentsAsWinExecReadsThem) {
  auto parse = [](const char* line, std::set<std::string> files = {}) {
    auto c =
        installer::ParseCommandLine(line, [&](const std::string& n) { return files.count(n) > 0; });
    std::string out = c.program;
    for (const auto& a : c.args)
      out += "|" + a;
    return out;
  };
  EXPECT_EQ(parse("bin\\start.sh"), "bin\\start.sh");
  EXPECT_EQ(parse("  bin\\start.sh   -a\t-b  "), "bin\\start.sh|-a|-b");
  EXPECT_EQ(parse("start.sh \"two words\" x\"y z\"w \"\""), "start.sh|two words|xy zw|");
  EXPECT_EQ(parse("\"My Game\\start.sh\" -x"), "My Game\\start.sh|-x");
  // Unquoted blanks in the program's own name, as Windows tries them.
  EXPECT_EQ(parse("My Game\\start.sh -x", {"My Game\\start.sh"}), "My Game\\start.sh|-x");
  EXPECT_EQ(parse("My Game\\start.sh -x"), "My|Game\\start.sh|-x");
  EXPECT_EQ(parse(""), "");
}

// ---- Settings values ----

TEST(SettingValues, WholeNumbersAndNeeds) {
  EXPECT_EQ(installer::ParseWholeNumber("12"), 12);
  EXPECT_EQ(installer::ParseWholeNumber("+7"), 7);
  EXPECT_EQ(installer::ParseWholeNumber("-2147483648"), INT32_MIN);
  for (const char* bad : {"", "12x", "1.5", "2147483648", "0x10", "--1"}) {
    EXPECT_FALSE(installer::ParseWholeNumber(bad)) << bad;
  }
  EXPECT_EQ(installer::ParseNeed("  12.5"), 12.5);
  EXPECT_EQ(installer::ParseNeed("-1.5e2MB"), -150.0);
  EXPECT_EQ(installer::ParseNeed(".25"), 0.25);
  for (const char* none : {"", "abc", "inf", "nan", "0x1p3"}) {
    EXPECT_EQ(installer::ParseNeed(none), 0.0) << none;
  }
  EXPECT_EQ(installer::FormatNeed(5), "5.00");
  EXPECT_EQ(installer::FormatNeed(1.999), "2.00");
  EXPECT_EQ(installer::FormatNeed(1234.5), "1234.50");
}

TEST(SettingValues, NeedsKeepTheirPointUnderAnyLocale) {
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
  const bool cLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  const std::string written = installer::FormatNeed(5);
  const double read = installer::ParseNeed(written);
  std::setlocale(LC_NUMERIC, "C");
  std::locale::global(previous);
  EXPECT_EQ(written, "5.00");
  EXPECT_EQ(read, 5.0);
  if (!cLocale) GTEST_SKIP() << "no de_DE locale here to check the C library's side";
}
