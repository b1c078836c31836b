// The agent's pieces on their own: logon strings, permission words, quoted
// fields, path normalisation, error numbers and session state.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "agent/agent_errors.h"
#include "agent/file_info.h"
#include "agent/host_tree.h"
#include "agent/login.h"
#include "agent/os_info.h"
#include "agent/session.h"
#include "support/temp_dir.h"

namespace vandrel::agent {
namespace {

TEST(LogonString, AllPartsInTheirPlaces) {
  auto full = ParseLogonString("job1, mgr/upw.dev/apw, src/gpw");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->session, "JOB1");
  EXPECT_EQ(full->user, "MGR");
  EXPECT_EQ(full->userPassword, "upw");
  EXPECT_EQ(full->account, "DEV");
  EXPECT_EQ(full->accountPassword, "apw");
  EXPECT_EQ(full->group, "SRC");
  EXPECT_EQ(full->groupPassword, "gpw");

  auto plain = ParseLogonString("MGR.SYS");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->session, "");
  EXPECT_EQ(plain->group, "PUB");
  EXPECT_EQ(plain->userPassword, "");

  for (const char* bad :
       {"", "MGR", "MGR.", ".SYS", "MGR.SYS,", "MGR.S/Y/S", "MGR.TOOLONGNAME", "1MGR.SYS",
        "M-R.SYS", "MGR.SYS,PUB,X", "A,B,MGR.SYS", "MGR.../..", "MGR.SYS/../X"}) {
    EXPECT_FALSE(ParseLogonString(bad)) << bad;
  }
}

TEST(FileInfo, PermissionWordsAsListingsShowThem) {
  EXPECT_EQ(PermissionsWord(S_IFREG | 0644), "-rw-r--r--");
  EXPECT_EQ(PermissionsWord(S_IFDIR | 0750), "drwxr-x---");
  EXPECT_EQ(PermissionsWord(S_IFREG | 04755), "-rwsr-xr-x");
  EXPECT_EQ(PermissionsWord(S_IFREG | 02644), "-rw-r-Sr--");
  EXPECT_EQ(PermissionsWord(S_IFDIR | 01777), "drwxrwxrwt");
  EXPECT_EQ(PermissionsWord(S_IFIFO | 0600), "prw-------");
}

TEST(SystemInformation, FieldsAreQuotedOnlyWhenTheyMustBe) {
  EXPECT_EQ(QuoteField("Linux"), "Linux");
  EXPECT_EQ(QuoteField("#1 SMP"), "\"#1 SMP\"");
  EXPECT_EQ(QuoteField("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(QuoteField("Up:\t1"), "\"Up:\t1\"");
  EXPECT_EQ(QuoteField(""), "\"\"");
}

TEST(ErrorNumbers, LocationAboveCodeAndNoFalseAborts) {
  EXPECT_EQ(ErrorNumber(kCommandSetCd, ENOENT), (2u << 16) | 2u);
  EXPECT_EQ(ErrorNumber(kCommandSession, kErrorUnknownCommand), 1001u);
  // Only an abort may carry 103 in the low bits.
  EXPECT_EQ(SystemError(103, "x").code, EIO);
  EXPECT_EQ(ErrorReply(kCommandGetCd, {kErrorInternal, "two\nlines"}), "66545 two lines");
}

class TreeTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  HostTree tree;
  AgentError error;
};

TEST_F(TreeTest, NormalisesWithinTheRoot) {
  ASSERT_TRUE(tree.Open(dir.path(), Personality::kPosix, nullptr));
  EXPECT_EQ(tree.Normalise("/a/b", "c", &error), "/a/b/c");
  EXPECT_EQ(tree.Normalise("/a/b", "../c/./d//", &error), "/a/c/d");
  EXPECT_EQ(tree.Normalise("/a/b", "/x/Y", &error), "/x/Y");
  EXPECT_EQ(tree.Normalise("/a", "..", &error), "/");
  EXPECT_EQ(tree.Normalise("/", "", &error), "/");
  EXPECT_FALSE(tree.Normalise("/a", "../..", &error));
  EXPECT_EQ(error.code, kErrorOutsideRoot);
  EXPECT_FALSE(tree.Normalise("/", std::string(kMaxHostPath + 1, 'x'), &error));
  EXPECT_EQ(error.code, kErrorNameTooLong);

  HostTree mpe;
  ASSERT_TRUE(mpe.Open(dir.path(), Personality::kMpe, nullptr));
  EXPECT_EQ(mpe.Normalise("/DEV/PUB", "../src/main", &error), "/DEV/SRC/MAIN");
}

TEST_F(TreeTest, ResolvesMissingTailsInsideTheRoot) {
  std::filesystem::create_directories(dir / "a");
  ASSERT_TRUE(tree.Open(dir.path(), Personality::kPosix, nullptr));
  auto missing = tree.Resolve("/", "a/new/file", &error);
  ASSERT_TRUE(missing);
  EXPECT_FALSE(missing->exists);
  EXPECT_EQ(missing->diskPath, std::filesystem::canonical(dir.path()) / "a" / "new" / "file");
  EXPECT_FALSE(tree.Open(dir / "nothing", Personality::kPosix, nullptr));
}

TEST(SessionState, EnvironmentAndPreferencesBelongToTheSession) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir / "DEV" / "PUB");
  HostTree tree;
  ASSERT_TRUE(tree.Open(dir.path(), Personality::kMpe, nullptr));
  ServerOptions options;
  Session session(options, tree, "/DEV/PUB");
  EXPECT_EQ(session.Execute("=SET_ENV path=/bin"), "0");
  EXPECT_EQ(session.Execute("=SET_ENV PATH=/usr/bin"), "0");
  EXPECT_EQ(session.environment().size(), 1u);
  EXPECT_EQ(session.environment().at("PATH"), "/usr/bin");
  EXPECT_EQ(session.Execute("=MPE_SET_UDC t"), "0");
  EXPECT_EQ(session.mpePreferences().udc, 'T');
  EXPECT_EQ(session.mpePreferences().shell, 'M');
  EXPECT_FALSE(session.Execute("=!"));
  // Trailing line ends are not part of the command.
  EXPECT_EQ(session.Execute("=GET_CD\r\n"), "0 /DEV/PUB");
}

}  // namespace
}  // namespace vandrel::agent
