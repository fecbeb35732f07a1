// The archive library's listing and expansion: real archives made by jlha,
// names in code page 932 at every header level, and hostile archives made by
// the forge.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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
                      std::function<bool(uint64_t)> progress = nullptr) {
  Expansion result;
  qarch::MemorySource source(bytes);
  result.listing = qarch::ListArchive(source);
  qarch::Expander expander(source, std::move(progress));
  std::string problem;
  EXPECT_TRUE(expander.SetDestination(dest.string(), &problem)) << problem;
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
  return result;
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
  EXPECT_TRUE(qarch::ParseStoredName("", "\\etc\\passwd", false).absolute);
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

  EXPECT_TRUE(qarch::LinkStaysInside({"lib", "cur"}, "../v2/lib"));
  EXPECT_TRUE(qarch::LinkStaysInside({"cur"}, "v2/../v1"));
  EXPECT_FALSE(qarch::LinkStaysInside({"lib", "cur"}, "../../etc"));
  EXPECT_FALSE(qarch::LinkStaysInside({"cur"}, "/etc"));
  EXPECT_FALSE(qarch::LinkStaysInside({"cur"}, "a/../../b"));
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

TEST(JlhaArchives, ExpandByteIdenticalWithEveryMethod) {
  const auto content = Tree(Fixture("content"));
  for (const char* name : {"full.lzh", "lv0.lzh", "lv1lh6.lzh", "lh7.lzh", "stored.lzh"}) {
    SCOPED_TRACE(name);
    TempDir dest;
    auto e = ExpandBytes(Read(Fixture(name)), dest.path());
    EXPECT_TRUE(e.problems.empty()) << e.problems[0];
    EXPECT_EQ(Tree(dest.path()), content);
  }
}

TEST(JlhaArchives, ScriptsWithoutUnixPermissionsBecomeRunnable) {
  TempDir dest;
  ExpandBytes(Read(Fixture("full.lzh")), dest.path());
  auto perms = fs::status(dest.path() / "bin/start.sh").permissions();
  EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
  perms = fs::status(dest.path() / "readme.txt").permissions();
  EXPECT_EQ(perms & fs::perms::owner_exec, fs::perms::none);
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

TEST(ForgedArchives, FoldersUnixPermissionsAndLinksInside) {
  forge::Entry dir;
  dir.method = "-lhd-";
  dir.dir = "lib\xFF";
  forge::Entry exe = forge::File("tool", "#!/bin/sh\n");
  exe.dir = "lib\xFF";
  exe.unixPerms = 0750;
  forge::Entry link = forge::Link("current", "lib/tool", 1);
  // At levels 2 and 3 a link needs a folder field (lhasa requires one).
  forge::Entry nested = forge::Link("again", "../lib", 2);
  nested.dir = "sub\xFF";
  TempDir dest;
  auto x = ExpandBytes(forge::Archive({dir, exe, link, nested}), dest.path());
  EXPECT_TRUE(x.problems.empty());
  EXPECT_EQ(fs::read_symlink(dest.path() / "sub/again"), "../lib");
  EXPECT_TRUE(fs::is_directory(dest.path() / "lib"));
  EXPECT_EQ(fs::status(dest.path() / "lib/tool").permissions() & fs::perms::all,
            static_cast<fs::perms>(0750));
  EXPECT_EQ(fs::read_symlink(dest.path() / "current"), "lib/tool");
}

// ---- Hostile archives: nothing outside the destination, each one reported ----

TEST(HostileArchives, PathsOutsideTheDestinationAreRefusedAndTheRestExpanded) {
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
  absoluteDir.dir = "\\tmp\xFF";
  entries.push_back(absoluteDir);

  auto x = ExpandBytes(forge::Archive(entries), dest);
  EXPECT_EQ(x.listing.status, ListingStatus::kOk);
  EXPECT_EQ(x.problems.size(), 6u);
  EXPECT_EQ(Tree(root.path()), (std::map<std::string, std::string>{{"dest/good.txt", "fine"}}));
  EXPECT_FALSE(fs::exists("/tmp/escaped2.txt"));
  EXPECT_FALSE(fs::exists("/tmp/escaped5.txt"));
}

TEST(HostileArchives, LinksOutAndWritesThroughLinksAreRefused) {
  TempDir root;
  const fs::path dest = root.path() / "dest";
  forge::Entry throughLink = forge::File("planted.txt", "x");
  throughLink.dir = "out\xFF";
  auto x = ExpandBytes(
      forge::Archive({forge::Link("out", "../..", 0), forge::Link("abs", "/etc", 1), throughLink}),
      dest);
  // Both links refused; "out" then is an ordinary folder inside.
  EXPECT_EQ(x.problems.size(), 2u);
  EXPECT_EQ(Tree(root.path()), (std::map<std::string, std::string>{{"dest/out/planted.txt", "x"}}));

  // A link already in the destination that points out is not followed either.
  fs::remove_all(dest);
  fs::create_directories(dest);
  fs::create_directories(root.path() / "elsewhere");
  fs::create_directory_symlink(root.path() / "elsewhere", dest / "out");
  x = ExpandBytes(forge::Archive({throughLink}), dest);
  EXPECT_EQ(x.problems.size(), 1u);
  EXPECT_TRUE(fs::is_empty(root.path() / "elsewhere"));
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
