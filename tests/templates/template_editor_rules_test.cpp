#include "templates/template_editor_rules.h"

#include <gtest/gtest.h>

#include "documents/file_codes.h"
#include "templates/template_catalogue.h"

namespace vandrel {
namespace {

// A template holding values its controls cannot show.
Template OddTemplate() {
  Template item;
  TemplateSettings& s = item.settings;
  s.Name = "Odd";
  s.SyntaxParser = "(NONE)";
  s.MPEFileSupport = 3;
  s.MPEType = 5;
  s.MPEMode = 7;
  s.MPEFileCode = 4242;  // not in the file code table
  s.QeditType = 12;
  s.LineNumberPosition = 9;
  s.KeepSequence = 1;
  s.TabStops = -3;
  return item;
}

// Controls shown and taken back unchanged leave every field as stored, even
// those the controls cannot show.
TEST(TemplateEditorRules, UntouchedControlsChangeNothing) {
  const Template original = OddTemplate();
  const TemplateControls shown = ControlsOfTemplate(original);
  EXPECT_EQ(shown.codeNavigator, "(none)");
  EXPECT_EQ(shown.typeChoice, -1);
  EXPECT_EQ(shown.modeChoice, -1);
  EXPECT_EQ(shown.languageChoice, -1);
  EXPECT_EQ(shown.positionChoice, -1);
  EXPECT_EQ(shown.fileCode, "4242");
  EXPECT_TRUE(shown.mpeSupport);
  EXPECT_FALSE(shown.qeditFile);  // Standard for anything but 1
  EXPECT_FALSE(shown.automaticRenumbering);

  Template stored;
  stored.CopyFrom(original);
  StoreTemplateControls(shown, shown, stored);
  EXPECT_FALSE(stored.Differs(original));

  // A change elsewhere still leaves them; choosing nothing is no value.
  TemplateControls now = shown;
  now.tabPositions = "4,10,20";
  now.typeChoice = -1;
  StoreTemplateControls(shown, now, stored);
  EXPECT_EQ(stored.settings.TabPositions, "4,10,20");
  EXPECT_EQ(stored.settings.MPEType, 5);
  EXPECT_EQ(stored.settings.SyntaxParser, "(NONE)");
  EXPECT_EQ(stored.settings.MPEFileSupport, 3);
}

TEST(TemplateEditorRules, ChangedControlsStoreTheirFields) {
  Template item;
  item.settings.SyntaxParser = "cobol.vdx";
  item.settings.MPEType = 9;
  item.settings.MPEFileCode = 1052;
  const TemplateControls shown = ControlsOfTemplate(item);
  EXPECT_EQ(shown.typeChoice, 4);  // Byte stream
  EXPECT_EQ(shown.codeNavigator, "cobol.vdx");
  EXPECT_EQ(FileCodeOfText(shown.fileCode), 1052);
  EXPECT_TRUE(shown.automaticRenumbering);

  TemplateControls now = shown;
  now.overrideOptions = true;
  now.tabSize = 3;
  now.automaticRenumbering = false;
  now.positionChoice = 2;
  now.codeNavigator = "(none)";
  now.mpeSupport = true;
  now.qeditFile = false;
  now.typeChoice = 1;
  now.modeChoice = 1;
  now.fileCode = " 1035 ";
  now.commentStart = "/*";
  now.partialMatch = true;
  now.partialMatchFrom = 4;
  StoreTemplateControls(shown, now, item);
  const TemplateSettings& s = item.settings;
  EXPECT_EQ(s.CustomEdit, 1);
  EXPECT_EQ(s.TabStops, 3);
  EXPECT_EQ(s.KeepSequence, 1);
  EXPECT_EQ(s.LineNumberPosition, 2);
  EXPECT_EQ(s.SyntaxParser, "");
  EXPECT_EQ(s.MPEFileSupport, kMpeSupportStandard);
  EXPECT_EQ(s.MPEType, 1);
  EXPECT_EQ(s.MPEMode, 1);
  EXPECT_EQ(s.MPEFileCode, 1035);
  EXPECT_EQ(s.OpenComment, "/*");
  EXPECT_EQ(s.PartialMatch, 1);
  EXPECT_EQ(s.PartialMatchLen, 4);

  // Byte stream stores 9; Qedit stores 1; unchecking stores 0; a text that
  // is no file code keeps the code.
  TemplateControls next = ControlsOfTemplate(item);
  TemplateControls changed = next;
  changed.typeChoice = 4;
  changed.qeditFile = true;
  changed.fileCode = "not a code";
  StoreTemplateControls(next, changed, item);
  EXPECT_EQ(s.MPEType, 9);
  EXPECT_EQ(s.MPEFileSupport, kMpeSupportQedit);
  EXPECT_EQ(s.MPEFileCode, 1035);
  next = ControlsOfTemplate(item);
  changed = next;
  changed.mpeSupport = false;
  StoreTemplateControls(next, changed, item);
  EXPECT_EQ(s.MPEFileSupport, kMpeSupportNone);

  // Entries and mnemonics of the table stand for their codes.
  const std::vector<std::string> codes = FileCodeChoices();
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(FileCodeOfText(codes.back()), FileCodeTable().back().code);
  EXPECT_EQ(FileCodeOfText("-7"), -7);
  EXPECT_FALSE(FileCodeOfText("12x"));
  EXPECT_FALSE(FileCodeOfText(""));
}

TEST(TemplateEditorRules, EnablingAndNavigatorChoices) {
  TemplateControls c;
  EXPECT_FALSE(EnabledControls(c).editorOptions);
  c.overrideOptions = true;
  EXPECT_TRUE(EnabledControls(c).editorOptions);
  EXPECT_FALSE(EnabledControls(c).tabPositions);
  c.insertTabsAsSpaces = true;
  EXPECT_TRUE(EnabledControls(c).tabPositions);
  c.overrideOptions = false;
  EXPECT_FALSE(EnabledControls(c).tabPositions);

  EXPECT_FALSE(EnabledControls(c).lineNumberOptions);
  c.removeLineNumbers = true;
  EXPECT_TRUE(EnabledControls(c).lineNumberOptions);

  c.qeditFile = true;
  TemplateControlsEnabled e = EnabledControls(c);
  EXPECT_FALSE(e.mpeFormat || e.qeditLanguage || e.standardAttributes);
  c.mpeSupport = true;
  e = EnabledControls(c);
  EXPECT_TRUE(e.mpeFormat && e.qeditLanguage);
  EXPECT_FALSE(e.standardAttributes);
  c.qeditFile = false;
  e = EnabledControls(c);
  EXPECT_TRUE(e.standardAttributes);
  EXPECT_FALSE(e.qeditLanguage);

  // An extension that is not installed stays listed as the template names it.
  const TemplateCatalogue empty;
  EXPECT_EQ(CodeNavigatorChoices(empty, ""), std::vector<std::string>({"(none)"}));
  EXPECT_EQ(CodeNavigatorChoices(empty, "(None)"), std::vector<std::string>({"(none)"}));
  EXPECT_EQ(CodeNavigatorChoices(empty, "cobol.vdx"),
            std::vector<std::string>({"(none)", "cobol.vdx"}));
}

}  // namespace
}  // namespace vandrel
