#include "templates/template.h"

#include <gtest/gtest.h>

#include "core/store_file.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::ReadBytes;
using testing::TempDir;

bool WriteRows(const std::filesystem::path& path, std::string_view section,
               std::vector<SettingDescriptor> rows) {
  StoreFile file = StoreFile::Open(path, false, StoreCreation::kCreateAlways);
  return file.IsValid() && WriteValues(file, section, rows);
}

std::string ReadText(const std::filesystem::path& path, const std::string& name, std::size_t size) {
  std::string text = "unread";
  StoreFile file = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
  EXPECT_TRUE(file.IsValid());
  std::vector<SettingDescriptor> rows{TextRow(name, &text, size)};
  EXPECT_TRUE(ReadValues(file, "Template", rows));
  return text;
}

// A template with every field set to a distinct value.
Template FullTemplate(const std::filesystem::path& path) {
  Template t(path);
  TemplateSettings& s = t.settings;
  s.Name = "COBOL II";
  s.ContextHelpFile = "cobol.hlp";
  s.SyntaxParser = "cobol.vdx";
  s.CompilerOutputMask = "$(FileName) $(Line)";
  s.TabStops = 5;
  s.CustomEdit = 1;
  s.SmartIndenting = 1;
  s.Ruler = 1;
  s.SaveTabsAsSpaces = 1;
  s.AddTabsAsSpaces = 1;
  s.Cobol85 = 1;
  s.Trim = 1;
  s.TabPositions = "8,12,73";
  s.MPEFileSupport = 2;
  s.MPEFileCode = 1052;
  s.MPERecordLen = -80;
  s.MPEType = 9;
  s.MPEMode = 1;
  s.RemoveLineNumbers = 1;
  s.KeepSequence = 1;
  s.MPELineNoFormat = 1;
  s.HideLineNumbers = 1;
  s.LineNumberPosition = 2;
  s.LineNumberDigits = 8;
  s.LineNumberStart = 1000;
  s.LineNumberIncrement = 100;
  s.IntelliSequence = 1;
  s.QeditType = 3;
  s.MaximumLineLength = 72;
  s.OpenComment = "(*";
  s.CloseComment = "*)";
  s.LineComment = "*>";
  s.LineCommentPos = 7;
  s.Delimiters = " ,.;()";
  s.CaseSensitive = 1;
  s.SingleQuotes = 1;
  s.DoubleQuotes = 1;
  s.PartialMatchLen = 4;
  s.PartialMatch = 1;
  t.keywords[0].Parse("ADD\nMOVE", '\n', false);
  t.keywords[2].Parse("COPY", '\n', false);
  t.keywords[3].Parse("X\n", '\n', false);
  return t;
}

TEST(TemplateRows, FortyThreeRowsInStoredOrder) {
  Template t;
  std::array<std::string, 4> texts;
  const auto rows = t.Descriptors(texts);
  ASSERT_EQ(rows.size(), 43u);
  const std::vector<std::pair<std::string, std::size_t>> texts_expected = {
      {"Name", 63},
      {"ContextHelpFile", 259},
      {"SyntaxParser", 259},
      {"CompilerOutputMask", 259},
      {"TabPositions", 63},
      {"OpenComment", 14},
      {"CloseComment", 14},
      {"LineComment", 14},
      {"Delimiters", 255},
      {"KeywordList1", 16384},
      {"KeywordList2", 16384},
      {"KeywordList3", 16384},
      {"KeywordList4", 16384}};
  const std::vector<std::string> order = {"Name",
                                          "ContextHelpFile",
                                          "SyntaxParser",
                                          "CompilerOutputMask",
                                          "TabStops",
                                          "CustomEdit",
                                          "SmartIndenting",
                                          "Ruler",
                                          "SaveTabsAsSpaces",
                                          "AddTabsAsSpaces",
                                          "Cobol85",
                                          "Trim",
                                          "TabPositions",
                                          "MPEFileSupport",
                                          "MPEFileCode",
                                          "MPERecordLen",
                                          "MPEType",
                                          "MPEMode",
                                          "RemoveLineNumbers",
                                          "KeepSequence",
                                          "MPELineNoFormat",
                                          "HideLineNumbers",
                                          "LineNumberPosition",
                                          "LineNumberDigits",
                                          "LineNumberStart",
                                          "LineNumberIncrement",
                                          "IntelliSequence",
                                          "QeditType",
                                          "MaximumLineLength",
                                          "OpenComment",
                                          "CloseComment",
                                          "LineComment",
                                          "LineCommentPos",
                                          "Delimiters",
                                          "CaseSensitive",
                                          "SingleQuotes",
                                          "DoubleQuotes",
                                          "PartialMatchLen",
                                          "PartialMatch",
                                          "KeywordList1",
                                          "KeywordList2",
                                          "KeywordList3",
                                          "KeywordList4"};
  std::size_t textRows = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].name, order[i]);
    if (rows[i].type == kStorageText) {
      ASSERT_LT(textRows, texts_expected.size());
      EXPECT_EQ(rows[i].name, texts_expected[textRows].first);
      EXPECT_EQ(rows[i].size, texts_expected[textRows].second);
      ++textRows;
    } else {
      EXPECT_EQ(rows[i].type, kStorageNumber) << rows[i].name;
      EXPECT_EQ(rows[i].size, 4u);
      EXPECT_TRUE(std::holds_alternative<std::int32_t*>(rows[i].target)) << rows[i].name;
    }
  }
  EXPECT_EQ(textRows, texts_expected.size());
  // The keyword rows point at the caller's texts.
  EXPECT_EQ(std::get<std::string*>(rows[39].target), &texts[0]);
  EXPECT_EQ(std::get<std::string*>(rows[42].target), &texts[3]);
}

TEST(TemplateTransfer, EveryValueSurvivesSaveAndLoad) {
  TempDir dir;
  Template saved = FullTemplate(dir / "cobol.vdt");
  ASSERT_TRUE(saved.Save());

  Template loaded(dir / "cobol.vdt");
  loaded.userFlag = 1;
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(loaded.settings, saved.settings);
  EXPECT_EQ(loaded.settings.MPERecordLen, -80);
  EXPECT_EQ(loaded.keywords[0].Keywords(), (std::vector<std::string>{"ADD", "MOVE"}));
  EXPECT_EQ(loaded.keywords[1].Count(), 0u);
  EXPECT_EQ(loaded.keywords[3].Keywords(), (std::vector<std::string>{"X", ""}));
  // Loading starts from Clear, which zeroes the user flag too.
  EXPECT_EQ(loaded.userFlag, 0);
  EXPECT_FALSE(loaded.Differs(saved));

  // Keyword lists are stored as line-feed separated text; an empty one as "".
  EXPECT_EQ(ReadText(dir / "cobol.vdt", "KeywordList1", 16384), "ADD\nMOVE");
  EXPECT_EQ(ReadText(dir / "cobol.vdt", "KeywordList2", 16384), "");
}

TEST(TemplateTransfer, MissingValuesLoadAsZero) {
  TempDir dir;
  const auto path = dir / "partial.vdt";
  std::string name = "Pascal";
  std::int32_t tabs = 3;
  std::string words = "BEGIN\n\nEND";
  ASSERT_TRUE(WriteRows(path, "Template",
                        {TextRow("Name", &name, 63), NumberRow("TabStops", &tabs),
                         TextRow("KeywordList2", &words, 16384)}));

  // Start from a full record: nothing of it may survive the load.
  Template t = FullTemplate(path);
  t.userFlag = 1;
  ASSERT_TRUE(t.Load());
  TemplateSettings expected;
  expected.Name = "Pascal";
  expected.TabStops = 3;
  EXPECT_EQ(t.settings, expected);
  EXPECT_EQ(t.userFlag, 0);
  EXPECT_EQ(t.keywords[0].Count(), 0u);
  // Two keywords separated by two line feeds load as two keywords.
  EXPECT_EQ(t.keywords[1].Keywords(), (std::vector<std::string>{"BEGIN", "END"}));
  EXPECT_EQ(t.path, path);
}

TEST(TemplateTransfer, LoadFailsWithoutFileOrSection) {
  TempDir dir;
  Template missing(dir / "none.vdt");
  EXPECT_FALSE(missing.Load());

  std::string name = "Other";
  ASSERT_TRUE(WriteRows(dir / "project.vdt", "Project", {TextRow("Name", &name, 63)}));
  Template wrongSection(dir / "project.vdt");
  EXPECT_FALSE(wrongSection.Load());

  testing::WriteBytes(dir / "text.vdt", {'n', 'o', 't', '\n'});
  Template notStore(dir / "text.vdt");
  EXPECT_FALSE(notStore.Load());
}

TEST(TemplateTransfer, NameOf62CharactersFitsAndLongerIsRefused) {
  TempDir dir;
  const auto path = dir / "name.vdt";
  Template t(path);
  t.settings.Name = std::string(62, 'N');
  ASSERT_TRUE(t.Save());
  Template back(path);
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(back.settings.Name, std::string(62, 'N'));

  // A 63-character name is not stored shortened: Save refuses and leaves the
  // file as it was.
  const auto before = ReadBytes(path);
  t.settings.Name = std::string(63, 'N');
  EXPECT_EQ(t.UnstorableValue(), "Name");
  EXPECT_FALSE(t.Save());
  EXPECT_EQ(ReadBytes(path), before);

  // A file holding a longer name loads with the name empty.
  std::string longName(63, 'L');
  ASSERT_TRUE(WriteRows(path, "Template", {TextRow("Name", &longName, 100)}));
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(back.settings.Name, "");
}

TEST(TemplateTransfer, KeywordTextBeyondItsRowIsRefused) {
  TempDir dir;
  const auto path = dir / "words.vdt";
  Template t(path);
  // 4,096 keywords of three letters: 16,383 characters joined, which fits.
  std::string text;
  for (int i = 0; i < 4096; ++i) text += (i ? "\nABC" : "ABC");
  ASSERT_EQ(text.size(), 16383u);
  t.keywords[2].Parse(text, '\n', false);
  EXPECT_EQ(t.UnstorableValue(), "");
  ASSERT_TRUE(t.Save());
  Template back(path);
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(back.keywords[2].Count(), 4096u);
  EXPECT_FALSE(back.Differs(t));

  // One more character cannot be stored whole.
  t.keywords[2].Parse(text + "D", '\n', false);
  EXPECT_EQ(t.UnstorableValue(), "KeywordList3");
  const auto before = ReadBytes(path);
  EXPECT_FALSE(t.Save());
  EXPECT_EQ(ReadBytes(path), before);

  // Doubled separators do not count: the joined text is what is stored.
  std::string doubled;
  for (int i = 0; i < 4096; ++i) doubled += (i ? "\n\nABC" : "ABC");
  t.keywords[2].Parse(doubled, '\n', false);
  EXPECT_GT(t.keywords[2].Size(), 16384u);
  EXPECT_TRUE(t.Save());
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(back.keywords[2].Count(), 4096u);
}

TEST(TemplateTransfer, SaveFailsWhenTheFileCannotBeCreated) {
  TempDir dir;
  Template t(dir / "missing-folder" / "t.vdt");
  t.settings.Name = "X";
  EXPECT_FALSE(t.Save());
}

TEST(TemplateCompare, PathDoesNotCountUserFlagAndContentsDo) {
  Template a = FullTemplate("/a/one.vdt");
  Template b;
  b.CopyFrom(a);
  EXPECT_EQ(b.path, a.path);
  EXPECT_FALSE(b.Differs(a));

  b.path = "/b/two.vdt";
  EXPECT_FALSE(b.Differs(a));

  b.userFlag = 1;
  EXPECT_TRUE(b.Differs(a));
  b.userFlag = a.userFlag;

  b.settings.DoubleQuotes = 0;
  EXPECT_TRUE(b.Differs(a));
  b.settings.DoubleQuotes = 1;

  b.keywords[1].Parse("NEW", '\n', false);
  EXPECT_TRUE(b.Differs(a));
}

TEST(TemplateClear, ZeroesEverythingButThePath) {
  Template t = FullTemplate("/x/t.vdt");
  t.userFlag = 1;
  t.Clear();
  EXPECT_EQ(t.settings, TemplateSettings{});
  EXPECT_EQ(t.userFlag, 0);
  for (const KeywordList& list : t.keywords) EXPECT_EQ(list.Size(), 0u);
  EXPECT_EQ(t.path, "/x/t.vdt");
}

}  // namespace
}  // namespace vandrel
