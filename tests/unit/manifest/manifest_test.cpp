// Each demo program opens exactly the files the manifest lists for it, where
// it lists them: run headlessly over one cycle (a few seconds of a program
// without cycles) from a copy of the built programs' folder, watched by
// inotify, without a message box (a file it wanted and did not find would
// have shown one).
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "tools/manifest/manifest.h"
#include "tools/zelkrender/stage.h"

namespace {

namespace fs = std::filesystem;

// The files opened in a folder and its subfolders since the watch began,
// relative to the folder.
class OpenedFiles {
 public:
  explicit OpenedFiles(const fs::path& dir) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    Watch(dir, "");
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_directory()) Watch(e.path(), fs::relative(e.path(), dir).string() + "/");
  }
  ~OpenedFiles() { close(fd_); }
  OpenedFiles(const OpenedFiles&) = delete;
  OpenedFiles& operator=(const OpenedFiles&) = delete;

  std::set<std::string> Take() {
    std::set<std::string> opened;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* p = buffer; p < buffer + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(p);
        EXPECT_EQ(e->mask & IN_Q_OVERFLOW, 0u) << "inotify lost events";
        if (e->len > 0 && (e->mask & IN_ISDIR) == 0) opened.insert(folders_[e->wd] + e->name);
        p += sizeof(inotify_event) + e->len;
      }
    }
    return opened;
  }

 private:
  void Watch(const fs::path& dir, const std::string& prefix) {
    folders_[inotify_add_watch(fd_, dir.c_str(), IN_OPEN)] = prefix;
  }

  int fd_;
  std::map<int, std::string> folders_;
};

class ManifestTest : public ::testing::Test {
 protected:
  // The built programs' files, every program's where it reads them.
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelk-manifest-" + std::to_string(getpid()));
    for (const manifest::Program& p : manifest::Programs()) {
      for (std::string_view file : p.reads) {
        const fs::path to = dir_ / p.PathOf(file);
        fs::create_directories(to.parent_path());
        fs::copy_file(fs::path(ZELK_MANIFEST_BIN_DIR) / p.PathOf(file), to,
                      fs::copy_options::overwrite_existing);
      }
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

TEST_F(ManifestTest, EachProgramOpensExactlyTheFilesItLists) {
  for (const manifest::Program& p : manifest::Programs()) {
    SCOPED_TRACE(std::string(p.name));
    std::set<std::string> listed;
    for (std::string_view file : p.reads)
      listed.insert(p.PathOf(file));

    const std::optional<zelkrender::ProgramInfo> info = zelkrender::FindProgram(p.name);
    ASSERT_TRUE(info && info->entry != nullptr);
    zelkrender::Stage stage(*info, dir_.string(), 1);
    if (!p.theme.empty()) stage.CountFromTheme();
    stage.At(p.cycleMs != 0 ? p.cycleMs : 3000, [&stage] { stage.Stop(); });
    OpenedFiles opened(dir_);
    EXPECT_EQ(stage.Run(), 0);
    EXPECT_EQ(opened.Take(), listed);
    EXPECT_TRUE(stage.Boxes().empty()) << stage.Boxes().front().text;
  }
}

}  // namespace
