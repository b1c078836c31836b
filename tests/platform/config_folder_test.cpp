#include "platform/config_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "support/temp_dir.h"

namespace vandrel::platform {
namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ConfigFolder, FollowsTheBaseDirectoryRules) {
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/somewhere/config");
    EXPECT_EQ(UserConfigFolder(), std::filesystem::path("/somewhere/config/vandrel"));
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/config");
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(UserConfigFolder(), std::filesystem::path("/home/someone/.config/vandrel"));
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", "/home/other");
    EXPECT_EQ(UserConfigFolder(), std::filesystem::path("/home/other/.config/vandrel"));
    EXPECT_EQ(ConfigFolder(""), std::filesystem::path("/home/other/.config/vandrel"));
    EXPECT_EQ(ConfigFolder("/tmp/x"), std::filesystem::path("/tmp/x"));
  }
}

TEST(ConfigFolder, CreatesPrivateFoldersAndRefusesFiles) {
  testing::TempDir dir;
  auto nested = dir / "a" / "b" / "vandrel";
  std::string error;
  ASSERT_TRUE(EnsureFolder(nested, &error)) << error;
  struct stat info;
  ASSERT_EQ(::stat(nested.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_TRUE(EnsureFolder(nested));

  testing::WriteBytes(dir / "file", {1});
  EXPECT_FALSE(EnsureFolder(dir / "file", &error));
  EXPECT_NE(error.find("not a folder"), std::string::npos);
  EXPECT_FALSE(EnsureFolder(dir / "file" / "below"));
}

}  // namespace
}  // namespace vandrel::platform
