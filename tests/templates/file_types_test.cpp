#include "templates/file_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::TempDir;

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class FileTypesTest : public ::testing::Test {
 protected:
  std::string StoredText(std::string_view name) {
    auto raw = store_.ReadRaw(kFileTypesKey, name);
    if (!raw) return "<missing>";
    EXPECT_EQ(raw->first, kStorageText);
    return std::string(raw->second.begin(), raw->second.end());
  }
  void Put(std::string_view name, std::string_view text, std::uint32_t type = kStorageText) {
    ASSERT_TRUE(store_.WriteValue(kFileTypesKey, name, type, Bytes(text)));
  }

  TempDir dir_;
  SettingsStore store_{dir_ / "settings.reg"};
};

TEST(FileTypeText, FormatsAndParsesTheStoredForm) {
  EXPECT_EQ(FormatFileType({"Ansi - C", "*.c;*.cpp;*.h"}),
            "Template=\"Ansi - C\" Extensions=\"*.c;*.cpp;*.h\"");
  // A double quote in a value is kept by quoting with single quotes.
  const FileType quoted{"The \"Best\" C", "*.c"};
  ASSERT_EQ(FormatFileType(quoted), "Template='The \"Best\" C' Extensions=\"*.c\"");
  EXPECT_EQ(ParseFileType(*FormatFileType(quoted)), quoted);
  EXPECT_FALSE(FormatFileType({"It's \"odd\"", "*.x"}));

  EXPECT_EQ(ParseFileType("temp='Ansi - C' EXT=*.c;*.h"), (FileType{"Ansi - C", "*.c;*.h"}));
  EXPECT_FALSE(ParseFileType("Template=\"Ansi - C\""));                 // no Extensions
  EXPECT_FALSE(ParseFileType("Extensions=\"*.c\""));                    // no Template
  EXPECT_FALSE(ParseFileType("Template=C Extensions=*.c Icon=1"));      // unknown name
  EXPECT_FALSE(ParseFileType("Template=C Extensions=*.c Template=D"));  // given twice
  EXPECT_FALSE(ParseFileType("Tem=C Extensions=*.c"));                  // too short
}

TEST(FileTypeMatching, LowerCasesBothSidesAndMatchesWholePaths) {
  const std::vector<FileType> table = {
      {"Ansi - COBOL", "*.cob; *.CBL"},
      {"Ansi - C", "*.c;*.cpp;*.h"},
      {"Any C", "*.c"},
  };
  EXPECT_EQ(MatchFileType(table, "PROG.C"), "Ansi - C");
  EXPECT_EQ(MatchFileType(table, "/home/user/src/prog.c"), "Ansi - C");
  EXPECT_EQ(MatchFileType(table, "C:\\Src\\Prog.c"), "Ansi - C");
  // Blanks before a pattern are skipped; the pattern list is lower-cased too.
  EXPECT_EQ(MatchFileType(table, "pay.cbl"), "Ansi - COBOL");
  EXPECT_FALSE(MatchFileType(table, "prog.cc"));
  EXPECT_FALSE(MatchFileType(table, "PROG.SOURCE.ACCT"));
  EXPECT_FALSE(MatchFileType(std::vector<FileType>{}, "prog.c"));
}

TEST_F(FileTypesTest, AFirstRunWritesTheEightDefaultsOnlyWhenTheKeyIsMissing) {
  ASSERT_TRUE(EnsureDefaultFileTypes(store_));
  const std::vector<StoredValue> values = store_.Values(kFileTypesKey);
  ASSERT_EQ(values.size(), 8u);
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i].name, std::to_string(i + 1));
  EXPECT_EQ(StoredText("1"), "Template=\"Ansi - Basic\" Extensions=\"*.bas\"");
  EXPECT_EQ(StoredText("7"), "Template=\"Sun Microsystems - Java\" Extensions=\"*.java\"");
  EXPECT_EQ(StoredText("8"), "Template=\"HTML 4.0\" Extensions=\"*.htm;*.html\"");
  EXPECT_EQ(ReadFileTypes(store_),
            std::vector<FileType>(DefaultFileTypes().begin(), DefaultFileTypes().end()));
  EXPECT_EQ(MatchFileType(store_, "Index.HTML"), "HTML 4.0");

  // A table the user changed is not touched again.
  const std::vector<FileType> mine = {{"Mine", "*.bas"}};
  ASSERT_TRUE(ApplyFileTypes(store_, mine));
  ASSERT_TRUE(EnsureDefaultFileTypes(store_));
  EXPECT_EQ(ReadFileTypes(store_), mine);
}

TEST_F(FileTypesTest, ApplyingAnEmptiedListRemovesTheKeyUntilTheNextFirstRun) {
  ASSERT_TRUE(EnsureDefaultFileTypes(store_));
  ASSERT_TRUE(ApplyFileTypes(store_, {}));
  EXPECT_FALSE(store_.KeyExists(kFileTypesKey));
  EXPECT_TRUE(ReadFileTypes(store_).empty());
  EXPECT_FALSE(MatchFileType(store_, "prog.c"));

  ASSERT_TRUE(EnsureDefaultFileTypes(store_));
  EXPECT_EQ(ReadFileTypes(store_).size(), 8u);
}

TEST_F(FileTypesTest, ApplyRenumbersInListOrderAndRefusesWhatCannotBeReadBack) {
  Put("7", "Template=\"Old\" Extensions=\"*.old\"");
  Put("Extra", "Template=\"Odd\" Extensions=\"*.odd\"");
  const std::vector<FileType> table = {{"Ansi - C", "*.c"}, {"O'Brien \"C\" ", "*.x"}};
  EXPECT_FALSE(ApplyFileTypes(store_, table));
  EXPECT_EQ(ReadFileTypes(store_).size(), 2u);  // unchanged

  const std::vector<FileType> longer = {{"Ansi - C", "*.c"}, {"Odd", std::string(1100, 'x')}};
  EXPECT_FALSE(ApplyFileTypes(store_, longer));

  const std::vector<FileType> good = {{"Z", "*.z"}, {"A", "*.a"}, {"Ansi - C", "*.c"}};
  ASSERT_TRUE(ApplyFileTypes(store_, good));
  const std::vector<StoredValue> values = store_.Values(kFileTypesKey);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].name, "1");
  EXPECT_EQ(values[2].name, "3");
  EXPECT_EQ(ReadFileTypes(store_), good);
}

TEST_F(FileTypesTest, ReadingKeepsStoredOrderAndPassesOverWhatCannotBeUsed) {
  Put("2", "Template=\"Second\" Extensions=\"*.c\"");
  Put("1", "Template=\"First\" Extensions=\"*.c\"");
  Put("3", "not an attribute list at all");
  Put("4", "Template=\"Bytes\" Extensions=\"*.c\"", kStorageBytes);
  Put("5", "Template=\"Huge\" Extensions=\"" + std::string(1020, 'x') + "\"");
  Put(std::string(260, 'n'), "Template=\"LongName\" Extensions=\"*.c\"");
  Put("6", std::string("Template=\"Terminated\" Extensions=\"*.t\"\0", 39));

  EXPECT_EQ(ReadFileTypes(store_),
            (std::vector<FileType>{{"Second", "*.c"}, {"First", "*.c"}, {"Terminated", "*.t"}}));
  // The stored order decides, not the values' names.
  EXPECT_EQ(MatchFileType(store_, "x.c"), "Second");
}

}  // namespace
}  // namespace vandrel
