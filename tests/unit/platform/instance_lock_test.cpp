// The single-instance lock: one holder at a time, in the user's runtime folder
// or a folder of the user's own under tmp; nothing another user makes can hold
// it for us, and no started program keeps it after we let go.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/instance_lock.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using platform::InstanceLock;
using Result = InstanceLock::Result;

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/zelk-lock-test-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    root_ = name;
    run_ = (root_ / "run").string();
    tmp_ = (root_ / "tmp").string();
    fs::create_directory(run_);
    fs::create_directory(tmp_);
    fs::permissions(run_, fs::perms::owner_all);
    own_ = tmp_ + "/zelk-" + std::to_string(getuid());
  }
  void TearDown() override { fs::remove_all(root_); }

  Result Take(InstanceLock& lock, const char* runtime, std::string* why = nullptr) {
    return lock.Take("ZELK", runtime, tmp_, why);
  }

  fs::path root_;
  std::string run_, tmp_, own_;
};

TEST_F(InstanceLockTest, OneHolderAtATimeInTheRuntimeFolder) {
  {
    InstanceLock first, second;
    EXPECT_EQ(Take(first, run_.c_str()), Result::kTaken);
    EXPECT_EQ(Take(second, run_.c_str()), Result::kInUse);
    EXPECT_FALSE(second.held());
    EXPECT_EQ(fs::status(run_ + "/ZELK.lock").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(own_));
  }
  InstanceLock after;
  EXPECT_EQ(Take(after, run_.c_str()), Result::kTaken);
}

TEST_F(InstanceLockTest, WithoutASafeRuntimeFolderAFolderOfOurOwnUnderTmp) {
  InstanceLock first, second, third;
  EXPECT_EQ(Take(first, nullptr), Result::kTaken);
  EXPECT_EQ(fs::status(own_).permissions(), fs::perms::owner_all);
  EXPECT_TRUE(fs::exists(own_ + "/ZELK.lock"));
  EXPECT_EQ(Take(second, ""), Result::kInUse);
  // A runtime folder others may write to is not used either.
  fs::permissions(run_, fs::perms::all);
  EXPECT_EQ(Take(third, run_.c_str()), Result::kInUse);
  EXPECT_FALSE(fs::exists(run_ + "/ZELK.lock"));
}

TEST_F(InstanceLockTest, NothingAnotherUserMakesHoldsOurLock) {
  std::string why;
  // A folder of that name open to everybody ...
  fs::create_directory(own_);
  fs::permissions(own_, fs::perms::all);
  InstanceLock open;
  EXPECT_EQ(Take(open, nullptr, &why), Result::kNoPlace);
  EXPECT_NE(why.find(own_), std::string::npos) << why;
  EXPECT_TRUE(fs::is_empty(own_));
  fs::remove(own_);

  // ... a symbolic link to somewhere else ...
  const std::string elsewhere = (root_ / "elsewhere").string();
  fs::create_directory(elsewhere);
  fs::permissions(elsewhere, fs::perms::owner_all);
  fs::create_directory_symlink(elsewhere, own_);
  InstanceLock linked;
  EXPECT_EQ(Take(linked, nullptr, &why), Result::kNoPlace);
  EXPECT_TRUE(fs::is_empty(elsewhere));
  fs::remove(own_);

  // ... or a private folder of another user's.
  if (getuid() != 0) GTEST_SKIP() << "making another user's folder needs root";
  fs::create_directory(own_);
  fs::permissions(own_, fs::perms::owner_all);
  ASSERT_EQ(chown(own_.c_str(), 65534, 65534), 0);
  InstanceLock foreign;
  EXPECT_EQ(Take(foreign, nullptr, &why), Result::kNoPlace);
  EXPECT_NE(why.find("another user"), std::string::npos) << why;
}

TEST_F(InstanceLockTest, AStartedProgramDoesNotKeepTheLock) {
  pid_t child = 0;
  {
    InstanceLock lock;
    ASSERT_EQ(Take(lock, run_.c_str()), Result::kTaken);
    char sleep[] = "sleep";
    char seconds[] = "30";
    char* argv[] = {sleep, seconds, nullptr};
    ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
  }
  InstanceLock next;
  EXPECT_EQ(Take(next, run_.c_str()), Result::kTaken);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace
