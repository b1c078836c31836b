#include "platform/atomic_replacement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/atomic_file.h"
#include "support/temp_dir.h"

namespace vandrel::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string Read(const fs::path& path) {
  std::string text;
  EXPECT_EQ(ReadWholeFile(path, &text), ReadStatus::kOk);
  return text;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

int EntryCount(const fs::path& folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++n;
  return n;
}

bool Replace(const fs::path& target, std::string_view text,
             const ReplacementOptions& options = {}) {
  std::string error;
  auto replacement = AtomicReplacement::Begin(target, &error, options);
  return replacement && replacement->Write(text, &error) && replacement->Commit(&error);
}

TEST(AtomicReplacement, KeepsTheTargetsModeAndReplacesThroughALink) {
  TempDir dir;
  const fs::path real = dir / "real.txt";
  ASSERT_TRUE(WriteFileAtomically(real, "old", 0640));
  fs::create_symlink(real, dir / "link.txt");

  ASSERT_TRUE(Replace(dir / "link.txt", "new"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(Read(real), "new");
  EXPECT_EQ(ModeOf(real), 0640u);

  // A file that does not exist yet gets 0666 less the umask.
  const mode_t mask = ::umask(027);
  ASSERT_TRUE(Replace(dir / "fresh.txt", "x"));
  ::umask(mask);
  EXPECT_EQ(ModeOf(dir / "fresh.txt"), 0640u);

  // Not following links replaces the link itself.
  ReplacementOptions asNamed;
  asNamed.followLinks = false;
  ASSERT_TRUE(Replace(dir / "link.txt", "own", asNamed));
  EXPECT_FALSE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(Read(real), "new");
  EXPECT_EQ(EntryCount(dir.path()), 3);
}

TEST(AtomicReplacement, RefusalsAndRollbackLeaveTheTargetAndNoTemporary) {
  TempDir dir;
  const fs::path target = dir / "t.txt";
  ASSERT_TRUE(WriteFileAtomically(target, "whole", 0444));

  std::string error;
  ReplacementOptions editor;
  editor.refuseReadOnlyTarget = true;
  if (::geteuid() != 0) {  // root may write anything
    EXPECT_FALSE(AtomicReplacement::Begin(target, &error, editor));
    EXPECT_NE(error.find(target.string()), std::string::npos);
  }
  EXPECT_FALSE(AtomicReplacement::Begin(dir.path(), &error));
  EXPECT_EQ(errno, EISDIR);

  {
    auto dropped = AtomicReplacement::Begin(target, &error);
    ASSERT_TRUE(dropped);
    ASSERT_TRUE(dropped->Write(std::string(100000, 'x'), &error));
    EXPECT_EQ(EntryCount(dir.path()), 2);
  }
  EXPECT_EQ(Read(target), "whole");
  EXPECT_EQ(EntryCount(dir.path()), 1);
}

TEST(AtomicReplacement, SweepsOnlyTemporariesNoOneHolds) {
  TempDir dir;
  const fs::path target = dir / "p.vdp";
  ReplacementOptions options;
  options.infix = ".save-";
  testing::WriteBytes(dir / "p.vdp.save-left01", {1});  // an interrupted save's

  std::string error;
  auto running = AtomicReplacement::Begin(target, &error, options);
  ASSERT_TRUE(running);
  RemoveStaleTemporaries(target, options);
  EXPECT_FALSE(fs::exists(dir / "p.vdp.save-left01"));
  EXPECT_TRUE(fs::exists(running->temporaryPath()));

  ASSERT_TRUE(running->Write("project", &error));
  ASSERT_TRUE(running->Commit(&error));
  EXPECT_EQ(Read(target), "project");
  EXPECT_EQ(EntryCount(dir.path()), 1);
}

}  // namespace
}  // namespace vandrel::platform
