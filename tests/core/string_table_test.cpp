#include "core/string_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/string_ids.h"

namespace vandrel {
namespace {

// Checks that every '%' in `text` starts a conversion that printf and
// fmt::sprintf understand: flags, width, precision, length, then one of the
// conversion letters, or "%%". Returns an empty string when the text is a valid
// format, otherwise a description of the first fault.
std::string CheckPrintfFormat(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    const std::size_t start = i++;
    if (i < text.size() && text[i] == '%') continue;
    while (i < text.size() && std::string_view("-+ #0").find(text[i]) != std::string_view::npos) {
      ++i;
    }
    if (i < text.size() && text[i] == '*') {
      ++i;
    } else {
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    }
    if (i < text.size() && text[i] == '.') {
      ++i;
      if (i < text.size() && text[i] == '*') {
        ++i;
      } else {
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
      }
    }
    if (text.substr(i, 2) == "hh" || text.substr(i, 2) == "ll") {
      i += 2;
    } else if (i < text.size() &&
               std::string_view("hlLzjt").find(text[i]) != std::string_view::npos) {
      ++i;
    }
    if (i >= text.size()) {
      return "unfinished conversion at offset " + std::to_string(start);
    }
    if (std::string_view("diouxXeEfFgGaAcsp").find(text[i]) == std::string_view::npos) {
      return "unknown conversion '" + std::string(text.substr(start, i - start + 1)) +
             "' at offset " + std::to_string(start);
    }
  }
  return {};
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> items;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(separator, begin);
    items.emplace_back(text.substr(begin, end - begin));
    if (end == std::string_view::npos) return items;
    begin = end + 1;
  }
}

TEST(StringTableTest, EntriesAreSortedUniqueAndReachableByLookup) {
  const auto table = StringTable();
  ASSERT_FALSE(table.empty());
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(table[i - 1].id, table[i].id) << "at index " << i;
    }
    EXPECT_FALSE(table[i].text.empty()) << "id " << table[i].id;
    EXPECT_TRUE(HasStringTableText(table[i].id));
    EXPECT_EQ(StringTableText(table[i].id).data(), table[i].text.data()) << "id " << table[i].id;
  }
}

TEST(StringTableTest, FixedEntriesHoldTheirExactTexts) {
  EXPECT_EQ(StringTableText(kStrMainWindowClass), "VANDREL");
  EXPECT_EQ(StringTableText(kStrAppCaption), "Zorvant Vandrel");
  EXPECT_EQ(StringTableText(kStrSettingsBaseKey), "Software\\Zorvant Technology\\Vandrel");
  EXPECT_EQ(StringTableText(kStrConnectFailed),
            "Failed to connect to '%s' on port %d. Please check the connection profile and try "
            "again.");
  EXPECT_EQ(StringTableText(kStrUntitled), "Untitled");
  EXPECT_EQ(StringTableText(kStrAgentVersionTooOld),
            "This version of Vandrel supports version %c.%c%c.%c%c and above of Tandrill on the "
            "server. The currently installed version is %c.%c%c.%c%c.\n\nPlease install an updated "
            "version of Tandrill and try again. If this problem persists, please contact Technical "
            "Support.");
  EXPECT_EQ(StringTableText(kStrCobolTagMaskList),
            "GS%yy%mm%dd,%yy%mm%ddGS,%dd-%mm-%yy,%dd%mm%yyyy");
  EXPECT_EQ(StringTableText(kStrRecordTypeList),
            "Fixed,Variable,Undefined,Spool block,Byte stream");
  EXPECT_EQ(StringTableText(kStrGoToChoiceList), "Bookmark,Definition,Error/Tag,Line,Reference,");
  EXPECT_EQ(StringTableText(kStrReady), "Ready");
  EXPECT_EQ(StringTableText(kStrHelpNewFile), "Creates a new document\nNew (Ctrl+N)");

  // Numbers given by other components must not drift.
  EXPECT_EQ(kStrUntitled, 113);
  EXPECT_EQ(kStrNone, 166);
  EXPECT_EQ(kStrAutoDetect, 228);
  EXPECT_EQ(kStrReady, 901);
  EXPECT_EQ(kStrHelpNewFile, 1001);
}

TEST(StringTableTest, TextsKeepTheirOddSpellingAndSpacing) {
  EXPECT_EQ(StringTableText(kStrSaveProjectChanges),
            "You have made changes to the project '%s'. Do you want to save changes ?");
  EXPECT_NE(StringTableText(kStrQeditLineLimitExceeded).find("Qedit\xC2\xAE  files"),
            std::string_view::npos);
  EXPECT_NE(StringTableText(kStrScriptError).find("has been abortred."), std::string_view::npos);
  EXPECT_EQ(StringTableText(kStrDefaultFolderDependencies), "Dependancies");
  EXPECT_EQ(StringTableText(kStrMaskHelpDosFile),
            "Alternative to ($FileName) for DOS style filenames 'c:\\windows\\system'");
}

TEST(StringTableTest, AbsentIdsGiveNothing) {
  for (int id : {INT_MIN, -1, 0, 4, 111, 273, 1000, 1002, 19999, INT_MAX}) {
    EXPECT_TRUE(StringTableText(id).empty()) << "id " << id;
    EXPECT_FALSE(HasStringTableText(id)) << "id " << id;
  }
}

TEST(StringTableTest, FormatCheckerRejectsBrokenConversions) {
  EXPECT_EQ(CheckPrintfFormat("%s(%i) : error %ld : %ld : %s error"), "");
  EXPECT_EQ(CheckPrintfFormat("(%08d) %s %c 100%% %*.3f %0*ld %hu"), "");
  EXPECT_NE(CheckPrintfFormat("50%"), "");
  EXPECT_NE(CheckPrintfFormat("value %q"), "");
  EXPECT_NE(CheckPrintfFormat("%l"), "");
  EXPECT_NE(CheckPrintfFormat("Grey 50%;"), "");
}

TEST(StringTableTest, EveryFormatTextHasValidConversions) {
  // Choice lists that are never used as formats: the line-tag patterns use
  // their own % codes and the colour list names percentages.
  const std::set<int> not_formats = {kStrCobolTagMaskList, kStrColourList};
  for (const StringTableEntry& entry : StringTable()) {
    if (not_formats.count(entry.id) != 0) continue;
    EXPECT_EQ(CheckPrintfFormat(entry.text), "") << "id " << entry.id << ": " << entry.text;
  }
}

TEST(StringTableTest, VersionMessagesTakeTwoVersionsOfFiveDigits) {
  for (int id : {kStrAgentVersionTooOld, kStrAgentVersionTooNew}) {
    const std::string_view text = StringTableText(id);
    std::size_t conversions = 0;
    for (std::size_t pos = text.find('%'); pos != std::string_view::npos;
         pos = text.find('%', pos + 1)) {
      ++conversions;
      EXPECT_EQ(text.substr(pos, 2), "%c") << "id " << id;
    }
    EXPECT_EQ(conversions, 10u) << "id " << id;
  }
}

TEST(StringTableTest, ChoiceListsHoldTheirNumberOfChoices) {
  struct ListCase {
    int id;
    char separator;
    std::size_t count;
  };
  const ListCase cases[] = {
      {kStrQeditLanguageList, ',', 9},    {kStrRecordTypeList, ',', 5},
      {kStrFileModeList, ',', 2},         {kStrLineEndList, ',', 3},
      {kStrTabSizeList, ',', 5},          {kStrGoToChoiceList, ',', 6},
      {kStrMaskTokenList, ',', 11},       {kStrCobolTagMaskList, ',', 4},
      {kStrDisplayCategoryList, ',', 15}, {kStrColourList, ';', 17},
  };
  for (const ListCase& c : cases) {
    EXPECT_EQ(Split(StringTableText(c.id), c.separator).size(), c.count) << "id " << c.id;
  }
  EXPECT_EQ(Split(StringTableText(kStrQeditLanguageList), ',')[8], "(8) - COBOL'85");
  EXPECT_EQ(Split(StringTableText(kStrRecordTypeList), ',')[4], "Byte stream");
  EXPECT_EQ(Split(StringTableText(kStrGoToChoiceList), ',')[3], "Line");
}

TEST(StringTableTest, TextsFitTheMessageBoxBuffer) {
  // Message boxes load at most 511 characters of a text.
  for (const StringTableEntry& entry : StringTable()) {
    EXPECT_LE(entry.text.size(), 511u) << "id " << entry.id;
  }
}

TEST(StringTableTest, CommandHelpSplitsIntoPromptAndTooltip) {
  const std::string_view help = StringTableText(kStrHelpNewFile);
  const std::size_t line_break = help.find('\n');
  ASSERT_NE(line_break, std::string_view::npos);
  EXPECT_EQ(help.substr(0, line_break), "Creates a new document");
  EXPECT_EQ(help.substr(line_break + 1), "New (Ctrl+N)");
}

}  // namespace
}  // namespace vandrel
