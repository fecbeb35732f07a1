// The installer's operating-system services: a folder tree worked on without
// ever following a link (with the kernel's walk and with the portable one),
// where links lead, and programs started with arguments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "platform/process/folder_tree.h"
#include "platform/process/process.h"

namespace fs = std::filesystem;
using platform::FolderTree;
using platform::Names;
using platform::Reach;
using platform::TreeError;

namespace {

class Tree : public ::testing::TestWithParam<platform::Walk> {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tree-test-XXXXXX").string();
    base_ = mkdtemp(pattern.data());
    root_ = base_ / "root";
    fs::create_directories(root_ / "lib");
    fs::create_directories(root_ / "v2/lib");
    fs::create_directories(base_ / "outside");
    std::ofstream(root_ / "f") << "file";
    std::ofstream(base_ / "outside/secret") << "secret";
    fs::create_directory_symlink("v2", root_ / "cur");
    fs::create_directory_symlink("..", root_ / "v2/up");
    fs::create_directory_symlink("../..", root_ / "v2/out");
    fs::create_directory_symlink(base_ / "outside", root_ / "abs");
    fs::create_symlink("loop2", root_ / "loop1");
    fs::create_symlink("loop1", root_ / "loop2");
    tree_ = std::make_unique<FolderTree>(root_.string(), GetParam());
    ASSERT_TRUE(tree_->ok());
  }
  void TearDown() override {
    tree_.reset();
    fs::remove_all(base_);
  }

  fs::path base_, root_;
  std::unique_ptr<FolderTree> tree_;
};

INSTANTIATE_TEST_SUITE_P(Walks, Tree,
                         ::testing::Values(platform::Walk::kBest, platform::Walk::kPortable));

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

namespace {

// Whether this kernel resolves paths with openat2 and RESOLVE_BENEATH.
bool KernelHasOpenat2() {
  open_how how{};
  how.flags = O_PATH | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH;
  const long fd = ::syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how);
  if (fd < 0) return false;
  ::close(static_cast<int>(fd));
  return true;
}

}  // namespace

TEST_P(Tree, TheKernelWalkIsUsedWhereItIsAsked) {
  // Otherwise the tests of both walks would test the portable one twice.
  const bool kernel = GetParam() == platform::Walk::kBest && KernelHasOpenat2();
  EXPECT_EQ(tree_->kernelWalk(), kernel);
  if (GetParam() == platform::Walk::kBest && !kernel) GTEST_SKIP() << "this kernel has no openat2";
}

TEST_P(Tree, LinksLeadWhereTheTreeTakesThem) {
  struct Case {
    Names folder;
    const char* target;
    Reach reach;
  };
  const Case cases[] = {
      {{"lib"}, "../v2/lib", Reach::kInside},
      {{}, "v2/../lib", Reach::kInside},  // ".." after a real folder is certain
      {{}, "cur/lib", Reach::kInside},
      {{}, "cur/up", Reach::kInside},       // the link's own ".." is taken from its folder
      {{}, "nothing/yet", Reach::kInside},  // whatever comes there later is judged then
      {{"lib"}, "../..", Reach::kOutside},
      {{}, "/etc", Reach::kOutside},
      {{}, "abs", Reach::kOutside},      // a link there that leads out
      {{}, "cur/out", Reach::kOutside},  // … at the second step
      {{}, "cur/..", Reach::kUncertain},
      {{}, "lib/../cur/../x", Reach::kUncertain},
      {{}, "nothing/../x", Reach::kUncertain},
      {{}, "f/../x", Reach::kUncertain},
      {{}, "loop1", Reach::kLoop},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tree_->Follow(c.folder, c.target), c.reach) << c.target;
  }
  // A link about to be made counts as itself, whatever holds its place now.
  const Names self = {"f"};
  EXPECT_EQ(tree_->Follow({}, "f/x", &self), Reach::kLoop);
  EXPECT_EQ(tree_->Follow({}, "f/x"), Reach::kInside);
}

TEST_P(Tree, WritesNeverGoThroughALink) {
  std::vector<Names> created;
  EXPECT_EQ(tree_->MakeFolders({"abs", "x"}, &created), TreeError::kLinkOnTheWay);
  EXPECT_EQ(tree_->MakeFolders({"cur", "x"}, &created), TreeError::kLinkOnTheWay);
  EXPECT_EQ(tree_->MakeFolders({"f", "x"}, &created), TreeError::kFileOnTheWay);
  EXPECT_TRUE(created.empty());
  TreeError error;
  EXPECT_FALSE(tree_->CreateFile({"abs"}, &error));
  EXPECT_EQ(error, TreeError::kLinkOnTheWay);
  EXPECT_EQ(tree_->MakeLink({"abs", "planted"}, "x"), TreeError::kLinkOnTheWay);
  EXPECT_EQ(tree_->SetFolderTime({"abs"}, 1000), TreeError::kLinkOnTheWay);
  EXPECT_EQ(tree_->SetFolderMode({"abs"}, 0700), TreeError::kLinkOnTheWay);
  EXPECT_EQ((std::vector<std::string>{"secret"}),
            std::vector<std::string>{fs::directory_iterator(base_ / "outside")->path().filename()});
  EXPECT_EQ(fs::status(base_ / "outside").permissions() & fs::perms::owner_all,
            fs::perms::owner_all);

  // A new file or link replaces a link in its place, not what it names.
  auto file = tree_->CreateFile({}, &error);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Write("new", 3));
  ASSERT_TRUE(file->Seal(0640, 1000000000));
  EXPECT_EQ(file->Commit("abs"), TreeError::kSystem);  // not yet on the disk
  ASSERT_TRUE(tree_->Sync({file.get()}));
  EXPECT_EQ(file->Commit("abs"), TreeError::kNone);
  EXPECT_EQ(ReadFile(root_ / "abs"), "new");
  struct stat st {};
  ASSERT_EQ(::lstat((root_ / "abs").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1000000000);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(tree_->MakeLink({"cur"}, "lib"), TreeError::kNone);
  EXPECT_EQ(fs::read_symlink(root_ / "cur"), "lib");
  EXPECT_EQ(tree_->MakeLink({"v2"}, "lib"), TreeError::kFolderInPlace);
  EXPECT_EQ(ReadFile(base_ / "outside/secret"), "secret");

  // Folders made are told, outermost first, and only empty ones are removed.
  EXPECT_EQ(tree_->MakeFolders({"lib", "a", "b"}, &created), TreeError::kNone);
  EXPECT_EQ(created, (std::vector<Names>{{"lib", "a"}, {"lib", "a", "b"}}));
  tree_->RemoveEmptyFolder({"lib", "a"});
  EXPECT_TRUE(fs::exists(root_ / "lib/a/b"));
  tree_->RemoveEmptyFolder({"lib", "a", "b"});
  EXPECT_FALSE(fs::exists(root_ / "lib/a/b"));
  // A file not committed leaves nothing.
  file = tree_->CreateFile({"lib"}, &error);
  ASSERT_TRUE(file && file->Write("x", 1));
  file.reset();
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "lib"), fs::directory_iterator()), 1);
}

TEST_P(Tree, ProgramsAreReachedOnlyWithoutLeavingTheTree) {
  std::ofstream(root_ / "v2/lib/prog") << "#!/bin/sh\n";
  fs::create_symlink("/bin/sh", root_ / "run");
  EXPECT_TRUE(tree_->ReachesBeneath("cur/lib/prog"));
  EXPECT_TRUE(tree_->ReachesBeneath("lib/../cur/up/f"));
  EXPECT_TRUE(tree_->ReachesBeneath("."));
  EXPECT_FALSE(tree_->ReachesBeneath("run"));
  EXPECT_FALSE(tree_->ReachesBeneath("abs/secret"));
  EXPECT_FALSE(tree_->ReachesBeneath("../outside/secret"));
  EXPECT_FALSE(tree_->ReachesBeneath("cur/out/outside/secret"));
  EXPECT_FALSE(tree_->ReachesBeneath("missing"));
  EXPECT_FALSE(tree_->ReachesBeneath("f/x"));
}

TEST_P(Tree, OnlyTemporaryNamesAreRemoved) {
  for (const char* name : {".zelk:1", ".zelk:204", ".zelk:", ".zelk:1a", ".zelk-1", "zelk:1"})
    std::ofstream(root_ / "lib" / name) << "x";
  fs::create_symlink("../f", root_ / "lib/.zelk:7");
  fs::create_directory(root_ / "lib/.zelk:5");
  tree_->RemoveTemporaryFiles({"lib"});
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(root_ / "lib"))
    left.insert(e.path().filename());
  EXPECT_EQ(left, (std::set<std::string>{".zelk:", ".zelk:1a", ".zelk-1", "zelk:1", ".zelk:5"}));
}

TEST(StartDetached, PassesEachArgumentAsItIs) {
  std::string pattern = (fs::temp_directory_path() / "start-test-XXXXXX").string();
  const fs::path dir = mkdtemp(pattern.data());
  const fs::path script = dir / "args.sh";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" << (dir / "out.tmp").string()
                        << "\"\nmv \"" << (dir / "out.tmp").string() << "\" \""
                        << (dir / "out").string() << "\"\n";
  fs::permissions(script, fs::perms::owner_all);
  ASSERT_TRUE(platform::StartDetached(script.string(), {"--flag", "two words", "*", "$HOME"}));
  for (int i = 0; i < 600 && !fs::exists(dir / "out"); ++i)  // 30 s at most
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadFile(dir / "out"), "--flag|two words|*|$HOME|");
  // A file without "#!" is not handed to a shell.
  std::ofstream(dir / "plain") << "touch " << (dir / "ran").string() << "\n";
  fs::permissions(dir / "plain", fs::perms::owner_all);
  EXPECT_FALSE(platform::StartDetached((dir / "plain").string(), {}));
  fs::remove_all(dir);
}
