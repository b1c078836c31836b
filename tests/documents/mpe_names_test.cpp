#include "documents/mpe_names.h"

#include <gtest/gtest.h>

namespace vandrel {
namespace {

TEST(HostPathOfName, MpeNamesBecomePathsInTheCurrentAccount) {
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "PROG1.SRC.DEV"), "/DEV/SRC/PROG1");
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "prog1.src.sys"), "/SYS/SRC/PROG1");
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "prog1.src"), "/DEV/SRC/PROG1");
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "prog1"), "/DEV/PUB/PROG1");
  EXPECT_EQ(HostPathOfName("/dev/pub/", "prog1"), "/DEV/PUB/PROG1");  // no doubled slash
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "@.@"), "/DEV");
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "@.@.@"), "/");
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "@.src"), "/DEV/SRC/@");
  EXPECT_EQ(HostPathOfName("/DEV", "x.y"), "/DEV/Y/X");
}

TEST(HostPathOfName, PathsStayButAreUpperCased) {
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "/users/me/file.c"), "/USERS/ME/FILE.C");
  EXPECT_EQ(HostPathOfName("/DEV/PUB", "src/a.b.c"), "SRC/A.B.C");
}

TEST(HostPathOfName, WithoutCurrentAccountNamesStartAtTheRoot) {
  EXPECT_EQ(HostPathOfName("/", "@.@"), "/");
  EXPECT_EQ(HostPathOfName("", "@.@"), "/");
  EXPECT_EQ(HostPathOfName("/", "prog1.src"), "/SRC/PROG1");
  EXPECT_EQ(HostPathOfName("/", "prog1"), "/PROG1");
  EXPECT_EQ(AccountOfDirectory("/DEV/PUB"), "/DEV");
  EXPECT_EQ(AccountOfDirectory("/DEV"), "/DEV");
  EXPECT_EQ(AccountOfDirectory("/"), "");
}

TEST(SlashPath, DrivesComeFirst) {
  EXPECT_EQ(SlashPath("C:\\src\\a.cob", 'D'), "/C/src/a.cob");
  EXPECT_EQ(SlashPath("c:/x", 'D'), "/c/x");
  EXPECT_EQ(SlashPath("\\src\\a.cob", 'D'), "/D/src/a.cob");
  EXPECT_EQ(SlashPath("/c:/x", 'D'), "/c/x");
  EXPECT_EQ(SlashPath("\\c:\\x", 'D'), "/c/x");
  EXPECT_EQ(SlashPath("/dir/x", 'C'), "/C/dir/x");
  EXPECT_EQ(SlashPath("/dir/x", 0), "/dir/x");  // no drive on this system
}

TEST(SlashPath, DriveFormsAndRelativePathsStay) {
  EXPECT_EQ(SlashPath("/", 'C'), "/");
  EXPECT_EQ(SlashPath("/c", 'D'), "/c");
  EXPECT_EQ(SlashPath("/c/x", 'D'), "/c/x");
  EXPECT_EQ(SlashPath("src\\a.cob", 'C'), "src/a.cob");
  EXPECT_EQ(SlashPath("", 'C'), "");
  // A drive without a slash after it still gets one.
  EXPECT_EQ(SlashPath("c:x", 'D'), "/c/x");
  EXPECT_EQ(SlashPath("c:", 'D'), "/c");
  EXPECT_EQ(SlashPath("/c:", 'D'), "/c");
}

TEST(HostFileName, PartAfterTheLastSlash) {
  EXPECT_EQ(HostFileName("/DEV/SRC/PROG1"), "PROG1");
  EXPECT_EQ(HostFileName("PROG1"), "PROG1");
  EXPECT_EQ(HostFileName("/DEV/SRC/"), "/");
  EXPECT_EQ(HostFileName("/"), "/");
  EXPECT_EQ(HostFileName(""), "");
  EXPECT_EQ(HostFileName("/x/" + std::string(300, 'A')), std::string(259, 'A'));
}

}  // namespace
}  // namespace vandrel
