#include "templates/apply_template.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/app_settings.h"
#include "documents/document_format.h"
#include "support/recording_edit_control.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel {
namespace {

using testing::RecordingEditControl;
using Calls = std::vector<std::string>;

// A numbered COBOL-like template: fixed 80-byte MPE records, six-digit
// numbers at the left, renumbered on save.
std::unique_ptr<Template> CobolTemplate() {
  auto t = std::make_unique<Template>();
  TemplateSettings& s = t->settings;
  s.Name = "COBOL";
  s.MPEFileSupport = 2;
  s.MPEFileCode = 1052;
  s.MPERecordLen = 80;
  s.MPEType = 0;
  s.MPEMode = 1;
  s.RemoveLineNumbers = 1;
  s.LineNumberPosition = 1;
  s.LineNumberDigits = 6;
  s.LineNumberStart = 1000;
  s.LineNumberIncrement = 1000;
  s.CustomEdit = 1;
  s.TabStops = 3;
  s.SmartIndenting = 1;
  s.Ruler = 1;
  s.AddTabsAsSpaces = 1;
  s.TabPositions = "8,12,73";
  s.Cobol85 = 1;
  s.LineComment = "*";
  s.LineCommentPos = 7;
  s.Delimiters = " .,()";
  s.PartialMatch = 1;
  s.PartialMatchLen = 4;
  t->keywords[0].Parse("ADD\nMOVE", '\n', false);
  t->keywords[2].Parse("COPY", '\n', false);
  return t;
}

std::unique_ptr<Template> Named(const std::string& name) {
  auto t = std::make_unique<Template>();
  t->settings.Name = name;
  return t;
}

class ApplyTemplateTest : public ::testing::Test {
 protected:
  Template* Add(std::unique_ptr<Template> t) { return catalogue.Append(std::move(t)); }
  int Apply(std::string_view name, unsigned parts) {
    return ApplyTemplate(catalogue, globals, name, &control, doc, parts);
  }

  TemplateCatalogue catalogue;
  AppSettings globals;
  RecordingEditControl control;
  DocumentFormat doc;
};

TEST_F(ApplyTemplateTest, NumberedCobolSendsEveryMessageInOrder) {
  Add(CobolTemplate());
  EXPECT_EQ(Apply("cobol", kApplyHostFormat | kApplyEditing | kApplyPush), kApplyDone);

  EXPECT_EQ(control.calls,
            (Calls{
                "39 numbering mode=1 cobol=1 digits=6 position=0 start=1000 increment=1000",
                "46 cobol tokens 8",
                "22 tab 3",
                "37 line limit 80 param=0x00500000",
                "32 options mask=0x8 value=0x8",
                "32 options mask=0x4 value=0x4",
                "32 options mask=0xc0 value=0xc0",
                "32 options mask=0x200 value=0x0",
                "53 tab positions count=3: 7 11 72 0",
                "49 margin 2",
                // Numbers stand left of the editable text: column 7 becomes 1.
                "16 syntax flags=0x6 open='' close='' line='*' column=1 delimiters=' .,()'",
                "40 clear keyword lists",
                "2 keywords count=2 colour=0xff0000 flags=0x4 partial=4 words=ADD|MOVE",
                "2 keywords count=1 colour=0x808000 flags=0x4 partial=4 words=COPY",
            }));

  EXPECT_EQ(doc.formatFlags, kFormatRecordForm);
  EXPECT_EQ(doc.mpe.fcode, 1052);
  EXPECT_EQ(doc.mpe.reclen, 80);
  EXPECT_EQ(doc.mpe.type, 0);
  EXPECT_EQ(doc.mpe.mode, 1);
  EXPECT_EQ(doc.mpe.bfact, 1);
  EXPECT_EQ(doc.numbering, (DocumentNumbering{1, 6, 1000, 1000}));
  EXPECT_EQ(doc.editFlags, kEditSmartIndent | kEditRuler | kEditAddTabsAsSpaces | kEditCobol85 |
                               kEditRemoveLineNumbers | kEditRenumber);
  EXPECT_EQ(doc.tabWidth, 3);
  EXPECT_EQ(doc.tabPositions, (std::vector<std::int32_t>{7, 11, 72}));
  EXPECT_EQ(doc.maximumLineLength, 80);
}

TEST_F(ApplyTemplateTest, EditFlagsFollowTheTemplate) {
  Template* t = Add(CobolTemplate());
  TemplateSettings& s = t->settings;
  s.SmartIndenting = 0;
  s.Ruler = 0;
  s.AddTabsAsSpaces = 0;
  s.SaveTabsAsSpaces = 1;
  s.Trim = 1;
  s.Cobol85 = 0;
  s.KeepSequence = 1;
  s.HideLineNumbers = 1;
  s.MPELineNoFormat = 1;
  s.IntelliSequence = 1;
  s.MaximumLineLength = 72;
  s.LineNumberPosition = 2;
  EXPECT_EQ(Apply("COBOL", kApplyHostFormat | kApplyEditing | kApplyPush), kApplyDone);
  EXPECT_EQ(doc.editFlags, kEditSaveTabsAsSpaces | kEditTrim | kEditRemoveLineNumbers |
                               kEditHideLineNumbers | kEditMpeLineNumberFormat |
                               kEditIntelliSequence);
  EXPECT_TRUE(doc.tabPositions.empty());
  EXPECT_EQ(control.calls[0],
            "39 numbering mode=2 cobol=0 digits=6 position=1 start=1000 increment=1000");
  const Calls push(control.calls.begin() + 1, control.calls.begin() + 8);
  EXPECT_EQ(push,
            (Calls{"22 tab 3", "37 line limit 72 param=0x00480000", "32 options mask=0x8 value=0x0",
                   "32 options mask=0x4 value=0x0", "32 options mask=0xc0 value=0x0",
                   "32 options mask=0x200 value=0x200", "49 margin 0"}));
  // Numbers at the right do not shift the comment column.
  EXPECT_EQ(control.syntaxRecords.back().lineCommentColumn, 7);
}

TEST_F(ApplyTemplateTest, WithoutCustomEditTheGlobalsApply) {
  Template* t = Add(CobolTemplate());
  t->settings.CustomEdit = 0;
  t->settings.SaveTabsAsSpaces = 1;
  globals.DefaultTabStops = 6;
  globals.SmartIndent = 0;
  globals.ShowRuler = 1;
  EXPECT_EQ(Apply("COBOL", kApplyEditing | kApplyPush), kApplyDone);
  EXPECT_EQ(doc.tabWidth, 6);
  EXPECT_EQ(doc.editFlags &
                (kEditSmartIndent | kEditRuler | kEditSaveTabsAsSpaces | kEditAddTabsAsSpaces),
            kEditRuler);
  EXPECT_TRUE(doc.tabPositions.empty());
  for (const std::string& call : control.calls) EXPECT_NE(call.rfind("53 ", 0), 0u) << call;
  EXPECT_EQ(control.calls[1], "22 tab 6");
}

TEST(TabPositions, ColumnsFromOneBecomePositionsFromZero) {
  using P = std::vector<std::int32_t>;
  EXPECT_EQ(ParseTabPositions("4,10,20"), (P{3, 9, 19}));
  EXPECT_EQ(ParseTabPositions("0,word,8"), (P{7}));
  EXPECT_EQ(ParseTabPositions("4;10, 20"), (P{3, 9, 19}));
  EXPECT_EQ(ParseTabPositions("8x,\"12,5\",'16;'"), (P{7, 11, 15}));
  EXPECT_EQ(ParseTabPositions(""), P{});
  // Column 1 and columns before it name no stop.
  EXPECT_EQ(ParseTabPositions("1,-5,+6,99999999999"), (P{5, 2147483646}));

  // At most 30 items are read, those that give 0 included.
  std::string many = "0";
  for (int column = 2; column <= 40; ++column) many += "," + std::to_string(column);
  P expected;
  for (int column = 2; column <= 30; ++column) expected.push_back(column - 1);
  EXPECT_EQ(ParseTabPositions(many), expected);
}

TEST_F(ApplyTemplateTest, TabPositionsReachTheControlWithATerminator) {
  Template* t = Add(CobolTemplate());
  t->settings.TabPositions = "0,word,8";
  Apply("COBOL", kApplyEditing | kApplyPush);
  ASSERT_EQ(control.tabPositionLists.size(), 1u);
  EXPECT_EQ(control.tabPositionLists[0], (std::vector<std::int32_t>{7, 0}));
}

TEST_F(ApplyTemplateTest, QeditFormatTakesFixedAttributes) {
  Template* t = Add(CobolTemplate());
  TemplateSettings& s = t->settings;
  s.MPEFileSupport = 1;
  s.QeditType = 8;
  s.MPERecordLen = 72;
  doc.formatFlags = 4;  // a local file stays one
  Apply("COBOL", kApplyHostFormat | kApplyEditing | kApplyPush);
  EXPECT_EQ(doc.formatFlags, 4 | kFormatRecordForm | kFormatQedit);
  EXPECT_EQ(doc.mpe.fcode, 111);
  EXPECT_EQ(doc.mpe.type, 0);
  EXPECT_EQ(doc.mpe.mode, 0);
  EXPECT_EQ(doc.mpe.reclen, 512);
  EXPECT_EQ(doc.qedit.lang, 8);
  EXPECT_EQ(doc.qedit.reclen, 72);
  EXPECT_EQ(doc.qedit.lnl, 6);
  EXPECT_EQ(doc.qedit.lnj, 1);
  EXPECT_EQ(doc.mpe.bfact, 0);
  // The file holding a Qedit document has fixed 512-byte records, and that is
  // the limit the control gets; the Qedit record length is checked on save.
  EXPECT_EQ(doc.maximumLineLength, 512);

  for (auto [position, placement] : {std::pair{0, 2}, {2, 0}}) {
    s.LineNumberPosition = position;
    Apply("COBOL", kApplyHostFormat);
    EXPECT_EQ(doc.qedit.lnj, placement);
  }
}

TEST_F(ApplyTemplateTest, LineLimitComesFromFixedRecordsOnly) {
  Template* t = Add(CobolTemplate());
  t->settings.MPEType = 1;  // variable records
  Apply("COBOL", kApplyHostFormat | kApplyEditing | kApplyPush);
  EXPECT_EQ(doc.maximumLineLength, 0);
  EXPECT_EQ(control.calls[3], "37 line limit 0 param=0x00000000");

  DocumentFormat plain;
  t->settings.MPEFileSupport = 0;
  t->settings.MPEType = 0;
  ApplyTemplate(catalogue, globals, "COBOL", nullptr, plain,
                kApplyHostFormat | kApplyEditing | kApplyPush);
  EXPECT_EQ(plain.formatFlags, 0u);
  EXPECT_EQ(plain.maximumLineLength, 0);
}

TEST_F(ApplyTemplateTest, WithoutAControlOnlyTheDocumentChanges) {
  Add(CobolTemplate());
  DocumentFormat other;
  EXPECT_EQ(ApplyTemplate(catalogue, globals, "COBOL", nullptr, other,
                          kApplyHostFormat | kApplyEditing | kApplyPush),
            kApplyDone);
  EXPECT_EQ(other.numbering, (DocumentNumbering{1, 6, 1000, 1000}));
  EXPECT_EQ(other.maximumLineLength, 80);
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(ApplyTemplateTest, UnknownNameGivesPlainDefaultsAndNoSyntax) {
  Add(CobolTemplate());
  ApplySyntax(catalogue, globals, "COBOL", control, 0);  // the control had rules before
  control.Reset();
  globals.DefaultTabStops = 8;
  globals.SmartIndent = 1;
  globals.ShowRuler = 0;
  doc.numbering = {1, 6, 1000, 100};
  EXPECT_EQ(Apply("No Such Template", kApplyHostFormat | kApplyEditing | kApplyPush), kApplyDone);
  EXPECT_EQ(doc.numbering, DocumentNumbering{});
  EXPECT_EQ(doc.tabWidth, 8);
  EXPECT_EQ(doc.editFlags, kEditSmartIndent);
  EXPECT_EQ(
      control.calls,
      (Calls{"39 numbering none", "22 tab 8", "37 line limit 0 param=0x00000000",
             "32 options mask=0x8 value=0x8", "32 options mask=0x4 value=0x0",
             "32 options mask=0xc0 value=0x0", "32 options mask=0x200 value=0x0", "49 margin 0",
             "16 syntax flags=0x0 open='' close='' line='' column=0 delimiters=''",
             "40 clear keyword lists"}));
  const SyntaxDescription& syntax = control.syntaxRecords.back();
  const SyntaxDescription zero{};
  EXPECT_EQ(std::memcmp(&syntax, &zero, sizeof syntax), 0);

  control.Reset();
  EXPECT_EQ(ApplySyntax(catalogue, globals, "Nothing", control, 0), 0);
  EXPECT_EQ(control.messages,
            (std::vector<std::uint32_t>{kEditMessageSyntax, kEditMessageClearKeywordLists}));
}

TEST_F(ApplyTemplateTest, SyntaxRecordCarriesMarkersQuotesAndCase) {
  Template* t = Add(Named("Pascal"));
  TemplateSettings& s = t->settings;
  s.OpenComment = "(*";
  s.CloseComment = "*)";
  s.SingleQuotes = 1;
  s.DoubleQuotes = 1;
  s.CaseSensitive = 1;
  t->keywords[1].Parse("begin\nend", '\n', false);
  t->keywords[3].Parse("writeln", '\n', false);
  EXPECT_EQ(ApplySyntax(catalogue, globals, "PASCAL", control, -6), 1);
  EXPECT_EQ(control.calls,
            (Calls{"16 syntax flags=0x19 open='(*' close='*)' line='' column=0 delimiters=''",
                   "40 clear keyword lists",
                   "2 keywords count=2 colour=0x0000ff flags=0x2 partial=0 words=begin|end",
                   "2 keywords count=1 colour=0x008080 flags=0x2 partial=0 words=writeln"}));
}

TEST_F(ApplyTemplateTest, MarkersBeyondSevenCharactersAreNotSent) {
  Template* t = Add(Named("Long"));
  TemplateSettings& s = t->settings;
  s.OpenComment = "1234567";
  s.CloseComment = "7654321";
  s.LineComment = "REMARKS:";
  s.Delimiters = std::string(254, ',') + "XY";
  EXPECT_FALSE(CommentMarkersFit(*t));
  SyntaxDescription d = BuildSyntaxDescription(t, 0);
  EXPECT_EQ(d.flags, kSyntaxBlockComment);
  EXPECT_EQ(SyntaxDescription::FieldText(d.blockCommentStart), "1234567");
  EXPECT_EQ(SyntaxDescription::FieldText(d.blockCommentEnd), "7654321");
  EXPECT_EQ(SyntaxDescription::FieldText(d.lineComment), "");
  EXPECT_EQ(SyntaxDescription::FieldText(d.delimiters), std::string(254, ','));

  // One marker of the pair too long leaves the pair out.
  s.CloseComment = "END-NOTE";
  s.LineComment = "*";
  d = BuildSyntaxDescription(t, 0);
  EXPECT_EQ(d.flags, kSyntaxLineComment);
  EXPECT_EQ(SyntaxDescription::FieldText(d.blockCommentStart), "");
  EXPECT_EQ(SyntaxDescription::FieldText(d.blockCommentEnd), "");
}

class CheckOnlyTest : public ApplyTemplateTest {
 protected:
  void SetUp() override {
    Add(Named("Plain"));
    Add(CobolTemplate());
  }
  // A document as the COBOL template numbers it.
  void NumberLikeCobol() {
    doc.numbering = {1, 6, 1000, 1000};
    doc.editFlags = kEditRemoveLineNumbers | kEditRenumber;
  }
};

TEST_F(CheckOnlyTest, AgreeingNumberingAppliesTheSyntax) {
  EXPECT_EQ(Apply("Plain", kApplyCheckOnly), kApplyDone);
  EXPECT_EQ(control.messages,
            (std::vector<std::uint32_t>{kEditMessageSyntax, kEditMessageClearKeywordLists}));

  control.Reset();
  NumberLikeCobol();
  EXPECT_EQ(Apply("COBOL", kApplyCheckOnly), kApplyDone);
  ASSERT_EQ(control.syntaxRecords.size(), 1u);
  EXPECT_EQ(control.syntaxRecords[0].lineCommentColumn, 1);
  EXPECT_EQ(control.keywordLists.size(), 2u);
}

TEST_F(CheckOnlyTest, DifferingNumberingAppliesNothing) {
  EXPECT_EQ(Apply("COBOL", kApplyCheckOnly), kApplyNumberingDiffers);
  EXPECT_TRUE(control.calls.empty());

  NumberLikeCobol();
  EXPECT_EQ(Apply("Plain", kApplyCheckOnly), kApplyNumberingDiffers);

  for (auto change : {+[](DocumentFormat& d) { d.numbering.position = 2; },
                      +[](DocumentFormat& d) { d.numbering.digits = 5; },
                      +[](DocumentFormat& d) { d.numbering.start = 100; },
                      +[](DocumentFormat& d) { d.numbering.increment = 100; }}) {
    NumberLikeCobol();
    change(doc);
    EXPECT_EQ(Apply("COBOL", kApplyCheckOnly), kApplyNumberingDiffers);
  }
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(CheckOnlyTest, StartAndIncrementCountOnlyWhenEitherSideRenumbers) {
  catalogue.FindTemplate("COBOL")->settings.KeepSequence = 1;
  NumberLikeCobol();
  doc.editFlags = kEditRemoveLineNumbers;  // the document keeps its numbers too
  doc.numbering.start = 10;
  doc.numbering.increment = 10;
  EXPECT_EQ(Apply("COBOL", kApplyCheckOnly), kApplyDone);

  doc.editFlags |= kEditRenumber;
  EXPECT_EQ(Apply("COBOL", kApplyCheckOnly), kApplyNumberingDiffers);
}

}  // namespace
}  // namespace vandrel
