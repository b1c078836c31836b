#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "cli_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::Cli;
using ::testing::HasSubstr;
using testing::TempDir;
using testing::WriteTextFile;

// A listing with a message of the C compiler's kind and one of the
// FORTRAN compiler's, which names the numbered line printed above it.
const std::string kListing =
    "cc -c main.c\r\n"
    "main.c(42): syntax error\r\n"
    "   1.000   PROGRAM X\r\n"
    "   2.500   Y = \r\n"
    "**** ERROR 12 EXPRESSION EXPECTED\r\n"
    "\"my file.c\"(7): warning\r\n";

TEST(MaskCli, PrintsEachErrorLineAndTheCount) {
  TempDir dir;
  const auto listing = dir / "build.log";
  WriteTextFile(listing, kListing);
  const auto result = Cli(dir, {"mask", "--mask", "$(FileName)($(Line)): $(String)", "--template",
                                "hp fortran 77", listing.string()});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out,
            "1\tmain.c\t42\tphysical\n"
            "4\t\t2500\tnumbered\n"
            "5\tmy file.c\t7\tphysical\n"
            "3 error(s)\n");

  const auto json = Cli(dir, {"mask", "--mask", "$(FileName)($(Line)): $(String)", "--template",
                              "HP FORTRAN 77", listing.string(), "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.out;
  EXPECT_EQ(json.out,
            "{\"count\":3,\"errors\":["
            "{\"index\":1,\"file\":\"main.c\",\"line\":42,\"numbered\":false},"
            "{\"index\":4,\"file\":\"\",\"line\":2500,\"numbered\":true},"
            "{\"index\":5,\"file\":\"my file.c\",\"line\":7,\"numbered\":false}]}\n");
}

TEST(MaskCli, MasksAndTemplatesKeepTheOrderTheyWereGivenIn) {
  TempDir dir;
  const auto listing = dir / "build.log";
  WriteTextFile(listing, kListing);
  // Both masks match line 4; the first given wins.
  auto result = Cli(dir, {"mask", "--template", "HP FORTRAN 77", "--mask", "**** $(String)",
                          listing.string(), "--json"});
  EXPECT_THAT(result.out, HasSubstr("{\"count\":1,\"errors\":[{\"index\":4,\"file\":\"\","
                                    "\"line\":2500,\"numbered\":true}]}"));
  result = Cli(dir, {"mask", "--mask", "**** $(String)", "--template", "HP FORTRAN 77",
                     listing.string(), "--json"});
  EXPECT_THAT(result.out, HasSubstr("{\"index\":4,\"file\":\"\",\"line\":-1,\"numbered\":false}"));
  // A mask given as a template's name stands for its mask, as in a project.
  result = Cli(dir, {"mask", "--mask", "hp fortran 77", listing.string()});
  EXPECT_EQ(result.out, "4\t\t2500\tnumbered\n1 error(s)\n");
}

TEST(MaskCli, NoMasksFindNothingAndBadArgumentsFail) {
  TempDir dir;
  const auto listing = dir / "build.log";
  WriteTextFile(listing, kListing);
  auto result = Cli(dir, {"mask", listing.string()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "0 error(s)\n");

  result = Cli(dir, {"mask", "--template", "No Such Template", listing.string()});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_THAT(result.out, HasSubstr("No Such Template"));
  result = Cli(dir, {"mask", "--mask", "$(String)", (dir / "missing.log").string()});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_THAT(result.out, HasSubstr("missing.log"));
}

TEST(MaskCli, MpeFileNamesAreResolvedAgainstTheHostDirectory) {
  TempDir dir;
  const auto listing = dir / "build.log";
  WriteTextFile(listing, "ERROR IN prog.src, line 9: x\n");
  const auto result =
      Cli(dir, {"mask", "--mask", "ERROR IN $(MpeFile), line $(Line):", "--host-dir", "/DEV/PUB",
                listing.string()});
  EXPECT_EQ(result.out, "0\t/DEV/SRC/PROG\t9\tphysical\n1 error(s)\n");
}

}  // namespace
}  // namespace vandrel
