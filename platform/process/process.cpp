#include "platform/process/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <system_error>

namespace platform {

namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// Runs argv in a grandchild in its own session, so it is neither waited for
// nor left as a zombie. True when exec succeeded (told through a pipe that
// exec closes).
bool SpawnDetached(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(pipefd[0]);
    ::close(pipefd[1]);
    return false;
  }
  if (child == 0) {
    ::close(pipefd[0]);
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, STDIN_FILENO);
      if (devnull != STDIN_FILENO) ::close(devnull);
    }
    // A path is run as it is (a file without "#!" is not handed to a shell);
    // a bare name is looked up on PATH.
    if (args[0].find('/') != std::string::npos) {
      ::execv(argv[0], argv.data());
    } else {
      ::execvp(argv[0], argv.data());
    }
    int err = errno;
    [[maybe_unused]] ssize_t n = ::write(pipefd[1], &err, sizeof err);
    _exit(127);
  }
  ::close(pipefd[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n;
  while ((n = ::read(pipefd[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  ::close(pipefd[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

constexpr int kStopSignals[] = {SIGINT, SIGHUP, SIGTERM};
std::atomic<bool> g_interrupted{false};  // set by the signal handler
struct sigaction g_previous[std::size(kStopSignals)]{};

void OnInterrupt(int) {
  g_interrupted = true;
}

}  // namespace

std::string DriveRoot() {
  const char* chosen = std::getenv("ZELK_DRIVE_ROOT");
  if (chosen == nullptr || *chosen == '\0') chosen = std::getenv("HOME");
  if (chosen == nullptr || *chosen == '\0') chosen = "/";
  std::string root(chosen);
  if (root.back() != '/') root.push_back('/');
  return root;
}

std::optional<std::vector<FileEntry>> ListFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  std::vector<FileEntry> files;
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return std::nullopt;
    struct stat st {};
    if (::stat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    files.push_back({it->path().filename().string(), static_cast<uint64_t>(st.st_size)});
  }
  std::sort(files.begin(), files.end(),
            [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
  return files;
}

NoCasePath ResolveBelow(const std::string& folder, std::string_view relative) {
  NoCasePath result;
  result.path = folder;
  while (result.path.size() > 1 && result.path.back() == '/')
    result.path.pop_back();
  bool matching = true;
  size_t pos = 0;
  while (pos <= relative.size()) {
    size_t next = relative.find('/', pos);
    if (next == std::string_view::npos) next = relative.size();
    std::string name(relative.substr(pos, next - pos));
    pos = next + 1;
    if (name.empty()) continue;
    const std::string base = result.path.empty() ? "/" : result.path;
    if (result.path != "/") result.path += '/';
    if (matching && name != "." && name != "..") {
      struct stat st {};
      if (::lstat((result.path + name).c_str(), &st) != 0) {
        std::vector<std::string> variants;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(base, ec), end; !ec && it != end;
             it.increment(ec)) {
          std::string entry = it->path().filename().string();
          if (EqualNoCase(entry, name)) variants.push_back(entry);
        }
        if (variants.size() > 1) {
          std::sort(variants.begin(), variants.end());
          for (const std::string& v : variants)
            result.variants.push_back(result.path + v);
          return result;
        }
        if (variants.empty()) {
          matching = false;
        } else {
          name = variants[0];
        }
      }
    }
    result.path += name;
  }
  result.found = matching;
  return result;
}

std::optional<uint64_t> FreeSpace(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path p = path.empty() ? fs::path(".") : fs::path(path);
  std::error_code ec;
  while (!fs::exists(p, ec)) {
    if (!p.has_parent_path() || p.parent_path() == p) {
      p = ".";
      break;
    }
    p = p.parent_path();
  }
  struct statvfs vfs {};
  if (::statvfs(p.c_str(), &vfs) != 0) return std::nullopt;
  return static_cast<uint64_t>(vfs.f_bavail) * static_cast<uint64_t>(vfs.f_frsize);
}

bool SetCurrentDirectory(const std::string& path) {
  return ::chdir(path.c_str()) == 0;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
  // A bare name would be looked up on PATH; the program named is a file.
  std::vector<std::string> argv = {program.find('/') == std::string::npos ? "./" + program
                                                                          : program};
  argv.insert(argv.end(), args.begin(), args.end());
  return SpawnDetached(argv);
}

bool OpenFolder(const std::string& folder) {
  return SpawnDetached({"xdg-open", folder});
}

HeldFolder::HeldFolder(const std::string& folder)
    : fd_(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}

HeldFolder::~HeldFolder() {
  if (fd_ >= 0) ::close(fd_);
}

std::string HeldFolder::name() const {
  return "/proc/self/fd/" + std::to_string(fd_);
}

FolderLock::FolderLock(const std::string& folder)
    : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    inUse_ = errno == EWOULDBLOCK;
    ::close(fd_);
    fd_ = -1;
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

InterruptWatch::InterruptWatch() {
  g_interrupted = false;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kStopSignals); ++i)
    ::sigaction(kStopSignals[i], &action, &g_previous[i]);
}

InterruptWatch::~InterruptWatch() {
  for (size_t i = 0; i < std::size(kStopSignals); ++i)
    ::sigaction(kStopSignals[i], &g_previous[i], nullptr);
}

bool InterruptWatch::raised() const {
  return g_interrupted;
}

}  // namespace platform
