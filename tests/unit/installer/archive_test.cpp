// The archive library's listing and expansion: real archives made by jlha,
// names in code page 932 at every header level, and hostile archives made by
// the forge.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "archive/expander.h"
#include "archive/lzh_listing.h"
#include "archive/member_path.h"
#include "tests/unit/installer/lzh_forge.h"

namespace fs = std::filesystem;
using qarch::ListingStatus;
using qarch::MemberKind;

namespace {

std::string Fixture(const std::string& name) {
  return std::string(std::getenv("ZELK_SOURCE_DIR")) + "/tests/fixtures/lzh/" + name;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every file below `root` (links as "-> target"), by path relative to it.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    std::string rel = fs::relative(it->path(), root).string();
    if (it->is_symlink()) {
      files[rel] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_regular_file()) {
      files[rel] = Read(it->path());
    }
  }
  return files;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "archive-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct Expansion {
  qarch::Listing listing;
  std::vector<std::string> problems;
  bool cancelled = false;
};

// Lists `bytes` and expands every member into `dest` as the library does.
Expansion ExpandBytes(const std::string& bytes, const fs::path& dest,
                      std::function<bool(uint64_t)> progress = nullptr,
                      platform::Walk walk = platform::Walk::kBest) {
  Expansion result;
  qarch::MemorySource source(bytes);
  result.listing = qarch::ListArchive(source);
  qarch::Expander expander(source, std::move(progress), walk);
  std::string problem;
  EXPECT_TRUE(expander.SetDestination(dest.string(), &problem)) << problem;
  expander.RemoveLeftovers(result.listing.members);
  for (const auto& m : result.listing.members) {
    auto outcome = expander.Expand(m, &problem);
    if (outcome == qarch::Expander::Outcome::kCancelled) {
      result.cancelled = true;
      break;
    }
    if (outcome == qarch::Expander::Outcome::kFailed) {
      result.problems.push_back(m.DisplayName() + ": " + problem);
    }
  }
  for (const auto& late : expander.Finish())
    result.problems.push_back(late.member + ": " + late.why);
  return result;
}

int64_t ModifiedAt(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mtime;
}

unsigned ModeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Sets the umask (or the time zone) for one test.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(previous_); }

 private:
  mode_t previous_;
};

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (previous_) {
      setenv("TZ", previous_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

// Contents and modification times of the plain files below `root`, whatever
// their names (lhasa cuts names at 0x5C bytes inside code page 932 names).
std::multiset<std::pair<std::string, int64_t>> ContentsAndTimes(const fs::path& root) {
  std::multiset<std::pair<std::string, int64_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file() && !e.is_symlink())
      files.insert({Read(e.path()), ModifiedAt(e.path())});
  }
  return files;
}

forge::Entry Folder(const std::string& dir, int level = 2) {
  forge::Entry e;
  e.level = level;
  e.method = "-lhd-";
  if (level == 0) {
    e.name = dir + "\\";
  } else {
    e.dir = dir + "\xFF";
  }
  return e;
}

std::string Sjis(const char* utf8) {
  // The few names used here, in code page 932.
  static const std::map<std::string, std::string> table = {
      {"ソ表能.txt", "\x83\x5C\x95\x5C\x94\x5C.txt"},
      {"ソフト", "\x83\x5C\x83\x74\x83\x67"},
      {"表示.txt", "\x95\x5C\x8E\xA6.txt"},
  };
  return table.at(utf8);
}

}  // namespace

// ---- Names ----

TEST(StoredNames, DoubleByteCharactersEndingIn5CStayWhole) {
  auto p = qarch::ParseStoredName("", Sjis("ソフト") + "\\" + Sjis("表示.txt"), false);
  EXPECT_EQ(p.parts, (std::vector<std::string>{"ソフト", "表示.txt"}));
  EXPECT_FALSE(p.absolute);

  p = qarch::ParseStoredName(Sjis("ソフト") + "\xFF", Sjis("ソ表能.txt"), false);
  EXPECT_EQ(p.parts, (std::vector<std::string>{"ソフト", "ソ表能.txt"}));

  // A name written by a UTF-8 system stays as it is.
  p = qarch::ParseStoredName("", "dir/ソ表能.txt", false);
  EXPECT_EQ(p.parts, (std::vector<std::string>{"dir", "ソ表能.txt"}));
}

TEST(StoredNames, LinksAbsolutePathsAndUnconvertibleBytes) {
  auto p = qarch::ParseStoredName("", "lib\\cur|..\\v2\\lib", true);
  EXPECT_EQ(p.parts, (std::vector<std::string>{"lib", "cur"}));
  ASSERT_TRUE(p.linkTarget);
  EXPECT_EQ(*p.linkTarget, "../v2/lib");
  // In a plain file's name a bar is a character like any other.
  EXPECT_EQ(qarch::ParseStoredName("", "a|b", false).parts, (std::vector<std::string>{"a|b"}));
  // A leading backslash (DOS archivers' "from the top") stays below the
  // destination; a name ends at a NUL (Amiga archivers' file comments).
  p = qarch::ParseStoredName("", std::string("\\etc\\passwd\0x\\y", 15), false);
  EXPECT_EQ(p.parts, (std::vector<std::string>{"etc", "passwd"}));
  EXPECT_FALSE(p.absolute);
  EXPECT_TRUE(qarch::ParseStoredName("", "/etc/passwd", false).absolute);
  // 0x85 0x40 is no character of code page 932: kept visibly, not dropped.
  EXPECT_EQ(qarch::ParseStoredName("", "x\x85\x40.txt", false).parts[0], "x%85%40.txt");
}

TEST(MemberPaths, RefusesEverythingThatLeavesTheDestination) {
  auto verdict = [](std::vector<std::string> parts, bool absolute = false) {
    qarch::Member m;
    m.parts = std::move(parts);
    m.absolute = absolute;
    return qarch::CheckMemberPath(m).verdict;
  };
  EXPECT_EQ(verdict({"a", ".", "b.txt"}), qarch::PathVerdict::kSafe);
  EXPECT_EQ(verdict({"a", "..", "b.txt"}), qarch::PathVerdict::kParent);
  EXPECT_EQ(verdict({"etc", "passwd"}, true), qarch::PathVerdict::kAbsolute);
  EXPECT_EQ(verdict({"C:", "evil.txt"}), qarch::PathVerdict::kDrive);
  EXPECT_EQ(verdict({std::string("a\0b", 3)}), qarch::PathVerdict::kBadCharacter);
  EXPECT_EQ(verdict({".", ""}), qarch::PathVerdict::kEmpty);
}

// ---- Archives made by jlha ----

TEST(JlhaArchives, ListEveryMemberWithItsJapaneseNameAtEachLevel) {
  const std::vector<std::string> expected = {"readme.txt", "bin/start.sh", "data/ソ表能.txt",
                                             "data/pattern.bin", "ソフト/表示.txt"};
  for (const char* name : {"full.lzh", "lv0.lzh", "lv1lh6.lzh", "lh7.lzh", "stored.lzh"}) {
    SCOPED_TRACE(name);
    auto source = qarch::FileSource::Open(Fixture(name));
    ASSERT_TRUE(source);
    auto listing = qarch::ListArchive(*source);
    ASSERT_EQ(listing.status, ListingStatus::kOk) << listing.problem;
    std::vector<std::string> names;
    for (const auto& m : listing.members)
      names.push_back(m.DisplayName());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(listing.totalLength, 4140u + 100 + 71 + 16384 + 8);
  }
}

TEST(JlhaArchives, ExpandByteIdenticalWithTheTimesDebiansLhasaGives) {
  const auto content = Tree(Fixture("content"));
  for (const char* name : {"full.lzh", "lv0.lzh", "lv1lh6.lzh", "lh7.lzh", "stored.lzh"}) {
    SCOPED_TRACE(name);
    TempDir dest, lhasa;
    auto e = ExpandBytes(Read(Fixture(name)), dest.path());
    EXPECT_TRUE(e.problems.empty()) << e.problems[0];
    EXPECT_EQ(Tree(dest.path()), content);
    const std::string command =
        "cd '" + lhasa.path().string() + "' && lhasa xq '" + Fixture(name) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto ours = ContentsAndTimes(dest.path());
    EXPECT_EQ(ours, ContentsAndTimes(lhasa.path()));
    EXPECT_LT(ours.begin()->second, std::time(nullptr) - 3600);  // stored, not today's
  }
}

TEST(JlhaArchives, ProgressCountsEveryByteAndCancelLeavesNoPartialFile) {
  TempDir dest;
  uint64_t seen = 0;
  auto e = ExpandBytes(Read(Fixture("stored.lzh")), dest.path(), [&](uint64_t n) {
    seen += n;
    return true;
  });
  EXPECT_EQ(seen, e.listing.totalLength);

  TempDir cancelled;
  // Cancel inside pattern.bin, the fourth member.
  seen = 0;
  e = ExpandBytes(Read(Fixture("stored.lzh")), cancelled.path(), [&](uint64_t n) {
    seen += n;
    return seen < 4140 + 100 + 71 + 1;
  });
  EXPECT_TRUE(e.cancelled);
  auto tree = Tree(cancelled.path());
  EXPECT_EQ(tree.count("readme.txt"), 1u);
  EXPECT_EQ(tree.count("data/pattern.bin"), 0u);
  for (const auto& [path, data] : tree)
    EXPECT_EQ(path.find(".tmp"), std::string::npos) << path;
}

// ---- Header levels and names made by the forge ----

TEST(ForgedArchives, EveryHeaderLevelKeeps5CNamesWhole) {
  for (int level = 0; level <= 3; ++level) {
    SCOPED_TRACE(level);
    forge::Entry e = forge::File(Sjis("ソ表能.txt"), "data", level);
    if (level == 0) {
      e.name = Sjis("ソフト") + "\\" + Sjis("ソ表能.txt");
    } else {
      e.dir = Sjis("ソフト") + "\xFF";
    }
    e.headerCrc = level >= 1;
    TempDir dest;
    auto x = ExpandBytes(forge::Archive({e}), dest.path());
    ASSERT_EQ(x.listing.status, ListingStatus::kOk) << x.listing.problem;
    EXPECT_TRUE(x.problems.empty());
    EXPECT_EQ(Tree(dest.path()),
              (std::map<std::string, std::string>{{"ソフト/ソ表能.txt", "data"}}));
  }
}

TEST(ForgedArchives, StoredTimesOfEveryLevelOnFilesAndTheirFolders) {
  // Levels 0 and 1 hold MS-DOS local time (here 2025-01-11 13:33:58 in
  // Japan); an extended header or a level 2 header holds Unix time.
  ScopedTimeZone japan("JST-9");
  const int64_t dosTime = 1736570038;
  std::vector<forge::Entry> entries;
  for (int level = 0; level <= 2; ++level) {
    const std::string dir = "l" + std::to_string(level);
    forge::Entry folder = Folder(dir, level);
    forge::Entry file = forge::File(level == 0 ? dir + "\\f.txt" : "f.txt", "f", level);
    if (level > 0) file.dir = dir + "\xFF";
    if (level == 2) folder.time = 1650000000;
    entries.push_back(folder);
    entries.push_back(file);
  }
  forge::Entry extended = forge::File("g.txt", "g", 1);
  extended.dir = "l1\xFF";
  extended.extTime = 1600000000;
  entries.push_back(extended);
  TempDir dest;
  auto x = ExpandBytes(forge::Archive(entries), dest.path());
  ASSERT_TRUE(x.problems.empty()) << x.problems[0];
  EXPECT_EQ(ModifiedAt(dest.path() / "l0/f.txt"), dosTime);
  EXPECT_EQ(ModifiedAt(dest.path() / "l1/f.txt"), dosTime);
  EXPECT_EQ(ModifiedAt(dest.path() / "l1/g.txt"), 1600000000);
  EXPECT_EQ(ModifiedAt(dest.path() / "l2/f.txt"), 1700000000);
  // Folders keep their time although files were written into them later.
  EXPECT_EQ(ModifiedAt(dest.path() / "l0"), dosTime);
  EXPECT_EQ(ModifiedAt(dest.path() / "l1"), dosTime);
  EXPECT_EQ(ModifiedAt(dest.path() / "l2"), 1650000000);
}

TEST(ForgedArchives, ModesFollowTheUmaskAndNeverGrantSetuidOrWritingToAll) {
  auto stored = [](const std::string& name, uint16_t perms, const std::string& data = "x") {
    forge::Entry e = forge::File(name, data);
    e.unixPerms = perms;
    return e;
  };
  forge::Entry folder = Folder("open");
  folder.unixPerms = 040777;
  std::vector<forge::Entry> entries = {stored("all.sh", 0100777),
                                       stored("setuid", 0104755),
                                       forge::File("plain.txt", "text"),
                                       forge::File("script", "#!/bin/sh\n"),
                                       folder,
                                       forge::File("x.txt", "x")};
  entries.back().dir = "made\xFF";
  {
    ScopedUmask mask(027);
    TempDir dest;
    ExpandBytes(forge::Archive(entries), dest.path());
    EXPECT_EQ(ModeOf(dest.path() / "all.sh"), 0750u);
    EXPECT_EQ(ModeOf(dest.path() / "setuid"), 0750u);
    EXPECT_EQ(ModeOf(dest.path() / "plain.txt"), 0640u);
    EXPECT_EQ(ModeOf(dest.path() / "script"), 0750u);
    EXPECT_EQ(ModeOf(dest.path() / "open"), 0750u);
  }
  ScopedUmask none(0);
  TempDir dest;
  ExpandBytes(forge::Archive(entries), dest.path());
  EXPECT_EQ(ModeOf(dest.path() / "all.sh"), 0775u);
  EXPECT_EQ(ModeOf(dest.path() / "plain.txt"), 0664u);
  EXPECT_EQ(ModeOf(dest.path() / "script"), 0775u);
  EXPECT_EQ(ModeOf(dest.path() / "open"), 0775u);
  EXPECT_EQ(ModeOf(dest.path() / "made"), 0775u);
}

// ---- Variants other archivers write, against Debian's lhasa where it is right ----

// What MacLHA stores for a file named `name`: a MacBinary header, then the
// data fork (shorter than 128 bytes here) padded to 128 bytes.
std::string MacBinary(const std::string& name, const std::string& fork, uint32_t time) {
  std::string h(128, '\0');
  h[1] = static_cast<char>(name.size());
  h.replace(2, name.size(), name);
  for (int k = 0; k < 4; ++k) {
    h[0x56 - k] = static_cast<char>(fork.size() >> (8 * k));
    h[0x62 - k] = static_cast<char>((time + 2082844800u) >> (8 * k));
  }
  return h + fork + std::string(128 - fork.size(), '\0');
}

TEST(OtherArchivers, MacBinaryCommentsRootedNamesAndMethodsAsLhasaExpandsThem) {
  const uint32_t time = 1700000000;
  auto mac = [&](const std::string& name, int level, char os, const std::string& inside) {
    forge::Entry e = forge::File(name, MacBinary(inside, "mac\n", time), level);
    e.os = os;
    (level >= 2 ? e.time : e.extTime) = time;
    return e;
  };
  forge::Entry plain = forge::File("plain.txt", std::string(200, 'p'));  // no MacBinary header
  plain.os = 'm';
  forge::Entry lh2 = forge::File("lh2.bin", "data");  // -lh2-: not in Debian's lhasa
  lh2.method = "-lh2-";
  forge::Entry lark = forge::File("lark.bin", "LHARK's own coding");  // same id, other data
  lark.method = "-lh7-";
  const std::string archive =
      forge::Archive({mac("m1.txt", 1, 'm', "m1.txt"), mac("m2.txt", 2, 'm', "m2.txt"),
                      mac("m3.txt", 3, 'm', "m3.txt"), mac("u2.bin", 2, 'U', "u2.bin"),
                      mac("x2.bin", 2, 'm', "other"), mac("m0.bin", 0, 'm', "m0.bin"), plain,
                      forge::File(std::string("note.txt\0A comment", 18), "note", 1),
                      forge::File("\\top\\sub\\hi.txt", "hi", 0), lh2, lark});
  const std::map<std::string, std::string> expected = {
      {"m1.txt", "mac\n"},
      {"m2.txt", "mac\n"},
      {"m3.txt", "mac\n"},
      {"u2.bin", MacBinary("u2.bin", "mac\n", time)},
      {"x2.bin", MacBinary("other", "mac\n", time)},
      {"m0.bin", MacBinary("m0.bin", "mac\n", time)},
      {"plain.txt", std::string(200, 'p')},
      {"note.txt", "note"},
      {"top/sub/hi.txt", "hi"}};
  TempDir ours, lhasa;
  auto x = ExpandBytes(archive, ours.path());
  EXPECT_EQ(Tree(ours.path()), expected);
  ASSERT_EQ(x.problems.size(), 2u);
  EXPECT_NE(x.problems[0].find("lh2.bin: 対応していない圧縮方式 -lh2-"), std::string::npos);
  EXPECT_EQ(x.problems[1], "lark.bin: CRCが一致しません（データが壊れています）");
  std::ofstream(lhasa.path() / "a.lzh", std::ios::binary) << archive;
  std::system(("cd '" + lhasa.path().string() + "' && lhasa xq a.lzh 2>/dev/null").c_str());
  fs::remove(lhasa.path() / "a.lzh");
  EXPECT_TRUE(fs::remove(lhasa.path() / "lark.bin"));  // lhasa keeps what fails its CRC
  EXPECT_EQ(Tree(lhasa.path()), expected);
}

TEST(OtherArchivers, EntriesWithoutANameAreSkippedAndNamedWhereLhasaStops) {
  forge::Entry folder = forge::File("", "", 2);  // Amiga LhA's empty folder
  folder.dir = "empty\xFF";
  TempDir dest;
  auto x = ExpandBytes(forge::Archive({forge::File("first.txt", "1", 0), folder,
                                       forge::File("old\\", "", 0), forge::File("last.txt", "3")}),
                       dest.path());
  ASSERT_EQ(x.listing.status, ListingStatus::kOk) << x.listing.problem;
  EXPECT_EQ(Tree(dest.path()),
            (std::map<std::string, std::string>{{"first.txt", "1"}, {"last.txt", "3"}}));
  ASSERT_EQ(x.problems.size(), 2u);
  EXPECT_EQ(x.problems[0], "empty/（2 番目の項目、名前なし）: 名前がないため展開しません");
  EXPECT_EQ(x.problems[1], "old/（3 番目の項目、名前なし）: 名前がないため展開しません");
}

// ---- Hostile archives: nothing outside the destination, each one reported ----

// Both ways of walking below the destination: the kernel's and the portable one.
class Hostile : public ::testing::TestWithParam<platform::Walk> {
 protected:
  Expansion Expand(const std::vector<forge::Entry>& entries, const fs::path& dest) {
    return ExpandBytes(forge::Archive(entries), dest, nullptr, GetParam());
  }
};
INSTANTIATE_TEST_SUITE_P(Walks, Hostile,
                         ::testing::Values(platform::Walk::kBest, platform::Walk::kPortable));

TEST_P(Hostile, PathsOutsideTheDestinationAreRefusedAndTheRestExpanded) {
  TempDir root;
  const fs::path dest = root.path() / "dest";
  std::vector<forge::Entry> entries = {
      forge::File("..\\..\\escaped0.txt", "x", 0),
      forge::File("..\\escaped1.txt", "x", 1),
      forge::File("/tmp/escaped2.txt", "x", 0),
      forge::File("C:\\escaped3.txt", "x", 0),
      forge::File("good.txt", "fine"),
  };
  forge::Entry parentDir = forge::File("escaped4.txt", "x");
  parentDir.dir = "..\xFF..\xFF";
  entries.push_back(parentDir);
  forge::Entry absoluteDir = forge::File("escaped5.txt", "x", 3);
  absoluteDir.dir = "/tmp\xFF";
  entries.push_back(absoluteDir);

  auto x = Expand(entries, dest);
  EXPECT_EQ(x.listing.status, ListingStatus::kOk);
  EXPECT_EQ(x.problems.size(), 6u);
  EXPECT_EQ(Tree(root.path()), (std::map<std::string, std::string>{{"dest/good.txt", "fine"}}));
  EXPECT_FALSE(fs::exists("/tmp/escaped2.txt"));
  EXPECT_FALSE(fs::exists("/tmp/escaped5.txt"));
}

TEST_P(Hostile, LinksOutAndWritesThroughAnyLinkAreRefused) {
  TempDir root;
  const fs::path dest = root.path() / "dest";
  forge::Entry throughLink = forge::File("planted.txt", "x");
  throughLink.dir = "out\xFF";
  auto x =
      Expand({forge::Link("out", "../..", 0), forge::Link("abs", "/etc", 1), throughLink}, dest);
  // Both links refused; "out" then is an ordinary folder inside.
  EXPECT_EQ(x.problems.size(), 2u);
  EXPECT_EQ(Tree(root.path()), (std::map<std::string, std::string>{{"dest/out/planted.txt", "x"}}));

  // Links already in the destination are never written through, whether
  // they lead out or stay inside; a file or link in their place replaces
  // the link itself.
  fs::remove_all(dest);
  fs::create_directories(dest / "inner");
  fs::create_directories(root.path() / "elsewhere");
  fs::create_directory_symlink(root.path() / "elsewhere", dest / "out");
  fs::create_directory_symlink("inner", dest / "in");
  std::ofstream(root.path() / "elsewhere/target.txt") << "keep";
  fs::create_symlink(root.path() / "elsewhere/target.txt", dest / "over.txt");
  forge::Entry throughInner = forge::File("planted.txt", "x");
  throughInner.dir = "in\xFF";
  forge::Entry folderThrough = Folder("out/sub");
  x = Expand({throughLink, throughInner, folderThrough, forge::File("over.txt", "new")}, dest);
  EXPECT_EQ(x.problems.size(), 3u);
  EXPECT_EQ(Tree(root.path() / "elsewhere"),
            (std::map<std::string, std::string>{{"target.txt", "keep"}}));
  EXPECT_TRUE(fs::is_empty(dest / "inner"));
  EXPECT_EQ(Read(dest / "over.txt"), "new");
  EXPECT_FALSE(fs::is_symlink(dest / "over.txt"));
}

TEST_P(Hostile, LinksAreDecidedByWhereTheyLeadThroughWhatIsThere) {
  TempDir root;
  const fs::path dest = root.path() / "dest";
  // Level 1, or level 2 where there is a folder field (lhasa wants one there).
  auto link = [](const std::string& dir, const std::string& name, const std::string& target) {
    forge::Entry e = forge::Link(name, target, dir.empty() ? 1 : 2);
    e.dir = dir.empty() ? "" : dir + "\xFF";
    return e;
  };
  auto x = Expand(
      {
          // A chain: each one's text stays inside, the links they go through do not.
          link("", "link1", "./"),
          link("", "link2", "link1/.."),
          link("", "link3", "link1/link1/../../x"),
          link("", "runit", "link1/link1/../../../../../../../bin/sh"),
          // Order: "sub" is not there yet when "later" is judged; then it
          // leads to the top, which would put "later" above it.
          link("a", "later", "sub/../../x"),
          link("a", "sub", "../"),
          // Links that stay inside whatever comes later.
          Folder("v2"),
          link("lib", "cur", "../v2"),
          link("", "tool", "lib/cur/missing/bin"),
          link("", "uplink", "lib/cur/.."),  // ".." after a link: where it leads may change
          link("", "selfy", "selfy/x"),
      },
      dest);
  std::set<std::string> made;
  for (const auto& e : fs::recursive_directory_iterator(dest)) {
    if (!e.is_symlink()) continue;
    made.insert(e.path().lexically_relative(dest).string());
    // The kernel's own resolution of every link made stays inside.
    std::error_code ec;
    fs::path real = fs::canonical(e.path(), ec);
    if (!ec) {
      EXPECT_EQ(fs::relative(real, dest).string().rfind("..", 0), std::string::npos) << real;
    }
  }
  EXPECT_EQ(made, (std::set<std::string>{"link1", "a/sub", "lib/cur", "tool"}));
  std::string report;
  for (const auto& p : x.problems)
    report += p + "\n";
  for (const char* refused : {"link2:", "link3:", "runit:", "a/later:", "uplink:", "selfy:"})
    EXPECT_NE(report.find(refused), std::string::npos) << refused << " in\n" << report;
  EXPECT_EQ(x.problems.size(), 6u) << report;
}

TEST_P(Hostile, FoldersMadeForARefusedMemberGoAgainAndOldTemporaryFilesToo) {
  TempDir dest;
  fs::create_directories(dest.path() / "keep/sub");
  std::ofstream(dest.path() / "keep/sub/.zelk:7") << "left by a killed run";
  std::ofstream(dest.path() / "keep/sub/.zelk:x") << "not ours";
  fs::create_symlink("nowhere", dest.path() / ".zelk:3");
  forge::Entry deep = forge::File("bad.txt", "data");
  deep.dir =
      "keep\xFF"
      "new\xFF"
      "deeper\xFF";
  deep.badCrc = true;
  forge::Entry fine = forge::File("fine.txt", "ok");
  fine.dir = "keep\xFFsub\xFF";
  auto x = Expand({deep, fine}, dest.path());
  EXPECT_EQ(x.problems.size(), 1u);
  EXPECT_EQ(Tree(dest.path()), (std::map<std::string, std::string>{
                                   {"keep/sub/fine.txt", "ok"}, {"keep/sub/.zelk:x", "not ours"}}));
  EXPECT_FALSE(fs::exists(dest.path() / "keep/new"));
}

TEST(HostileArchives, DamagedDataLeavesNoFileBehind) {
  forge::Entry badCrc = forge::File("crc.txt", "some data");
  badCrc.badCrc = true;
  forge::Entry huge = forge::File("huge.bin", "tiny");
  huge.declaredLength = 0xFFFFFFF0u;  // far more than the data or the disk holds
  forge::Entry shortData = forge::File("short.bin", "abc");
  shortData.declaredLength = 10;
  TempDir dest;
  auto x = ExpandBytes(forge::Archive({badCrc, huge, shortData, forge::File("ok.txt", "ok")}),
                       dest.path());
  ASSERT_EQ(x.problems.size(), 3u);
  EXPECT_NE(x.problems[0].find("CRC"), std::string::npos);
  EXPECT_EQ(Tree(dest.path()), (std::map<std::string, std::string>{{"ok.txt", "ok"}}));
}

TEST(HostileArchives, HeadersThatEndTheListingEarlyMakeTheArchiveCorrupt) {
  const std::string good =
      forge::Archive({forge::File("a.txt", "aaaa"), forge::File("b.txt", "bb")});
  auto status = [](const std::string& bytes) {
    qarch::MemorySource source(bytes);
    return qarch::ListArchive(source);
  };
  EXPECT_EQ(status(good).status, ListingStatus::kOk);
  EXPECT_EQ(status(good).members.size(), 2u);
  // Without end marker, or with bytes after it: still whole.
  EXPECT_EQ(status(good.substr(0, good.size() - 1)).status, ListingStatus::kOk);
  EXPECT_EQ(status(good + "trailing").status, ListingStatus::kOk);

  // Cut inside the second header, and inside the last member's data.
  const size_t second = forge::Header(forge::File("a.txt", "aaaa")).size() + 4;
  EXPECT_EQ(status(good.substr(0, second + 10)).status, ListingStatus::kCorrupt);
  EXPECT_EQ(status(good.substr(0, good.size() - 2)).status, ListingStatus::kCorrupt);

  forge::Entry badSum = forge::File("b.txt", "bb", 0);
  badSum.badChecksum = true;
  auto listing = status(forge::Archive({forge::File("a.txt", "aaaa", 0), badSum}));
  EXPECT_EQ(listing.status, ListingStatus::kCorrupt);
  EXPECT_EQ(listing.members.size(), 1u);

  forge::Entry withCrc = forge::File("b.txt", "bb");
  withCrc.headerCrc = true;
  EXPECT_EQ(status(forge::Archive({withCrc})).status, ListingStatus::kOk);
  withCrc.badHeaderCrc = true;
  EXPECT_EQ(status(forge::Archive({forge::File("a.txt", "aaaa"), withCrc})).status,
            ListingStatus::kCorrupt);
}

TEST(HostileArchives, FilesThatAreNoArchiveAtAll) {
  auto status = [](const std::string& bytes) {
    qarch::MemorySource source(bytes);
    return qarch::ListArchive(source).status;
  };
  EXPECT_EQ(status("This is a readme, not an archive.\r\n"), ListingStatus::kNotArchive);
  EXPECT_EQ(status(""), ListingStatus::kNotArchive);
  EXPECT_EQ(status(std::string(1, '\0')), ListingStatus::kOk);  // an archive of no members
  const char damaged[] = "\x20\x00-lh5-garbage garbage";
  EXPECT_EQ(status(std::string(damaged, sizeof damaged - 1)), ListingStatus::kCorrupt);
}
