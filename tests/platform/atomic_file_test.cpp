#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/temp_dir.h"

namespace vandrel::platform {
namespace {

using testing::TempDir;

std::string Read(const std::filesystem::path& path) {
  std::string text;
  EXPECT_EQ(ReadWholeFile(path, &text), ReadStatus::kOk);
  return text;
}

int FileCount(const std::filesystem::path& folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(AtomicFile, ReplacesContentsWithTheGivenModeAndLeavesNoTemporaries) {
  TempDir dir;
  auto file = dir / "a.txt";
  ASSERT_TRUE(WriteFileAtomically(file, "first", 0600));
  ASSERT_TRUE(WriteFileAtomically(file, std::string(100000, 'x') + "second", 0640));
  EXPECT_EQ(Read(file), std::string(100000, 'x') + "second");
  struct stat info;
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(FileCount(dir.path()), 1);
  ASSERT_TRUE(WriteFileAtomically(file, ""));
  EXPECT_EQ(Read(file), "");
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndReportsWhy) {
  TempDir dir;
  auto file = dir / "a.txt";
  ASSERT_TRUE(WriteFileAtomically(file, "old contents"));

  // A file size limit makes writes fail as on a full disk.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      4096, 4096
    };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    bool ok = WriteFileAtomically(file, std::string(1 << 20, 'n'), 0644, &error);
    ::_exit(!ok && !error.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Read(file), "old contents");
  EXPECT_EQ(FileCount(dir.path()), 1);

  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "b.txt", "x", 0644, &error));
  EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST(AtomicFile, ReadTellsMissingFromUnreadable) {
  TempDir dir;
  std::string text = "stale";
  EXPECT_EQ(ReadWholeFile(dir / "none", &text), ReadStatus::kMissing);
  EXPECT_EQ(text, "");
  std::string error;
  EXPECT_EQ(ReadWholeFile(dir.path(), &text, &error), ReadStatus::kError);
  EXPECT_FALSE(error.empty());
}

TEST(AtomicFile, RemovesOnlyItsOwnStaleTemporaries) {
  TempDir dir;
  auto file = dir / "s.reg";
  for (const char* name : {"s.reg.tmp-abc123", "s.reg.tmp-zzzzzz", "s.reg.tmp-toolong1",
                           "t.reg.tmp-abc123", "s.reg.bad"}) {
    testing::WriteBytes(dir / name, {1});
  }
  RemoveStaleTemporaries(file);
  EXPECT_FALSE(std::filesystem::exists(dir / "s.reg.tmp-abc123"));
  EXPECT_FALSE(std::filesystem::exists(dir / "s.reg.tmp-zzzzzz"));
  EXPECT_TRUE(std::filesystem::exists(dir / "s.reg.tmp-toolong1"));
  EXPECT_TRUE(std::filesystem::exists(dir / "t.reg.tmp-abc123"));
  EXPECT_TRUE(std::filesystem::exists(dir / "s.reg.bad"));
}

}  // namespace
}  // namespace vandrel::platform
