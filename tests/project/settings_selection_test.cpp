#include "project/settings_selection.h"

#include <gtest/gtest.h>

#include <memory>

#include "project_fakes.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel::project {
namespace {

using testing::AddFile;
using testing::AddFolder;

// /dev/ project; src/ folder (compiles with its own command) with a.c and b.c;
// docs/ folder with readme.
struct Tree {
  Tree() {
    project.SetLocation("/dev/");
    src = AddFolder(project, "src", "src");
    a = AddFile(*src, "a.c");
    b = AddFile(*src, "b.c");
    docs = AddFolder(project, "docs", "doc");
    readme = AddFile(*docs, "readme");
  }
  Project project;
  ProjectItem* src;
  ProjectItem* a;
  ProjectItem* b;
  ProjectItem* docs;
  ProjectItem* readme;
};

TEST(SettingsSelection, EachKindOfSelectionGetsItsPages) {
  Tree t;
  using enum SettingsPage;
  EXPECT_EQ(PagesForSelection({&t.project}),
            (std::vector{kConnection, kEnvironment, kProjectBuild, kProjectAdvanced, kMpe}));
  EXPECT_EQ(PagesForSelection({t.src, t.docs}),
            (std::vector{kFolderGeneral, kFolderBuild, kCompile, kItemAdvanced}));
  EXPECT_EQ(PagesForSelection({t.a, t.readme}),
            (std::vector{kFileGeneral, kCompile, kItemAdvanced}));
  EXPECT_EQ(PagesForSelection({t.src, t.a}), (std::vector{kCompile, kItemAdvanced}));
  EXPECT_TRUE(PagesForSelection({&t.project, t.a}).empty());
  EXPECT_TRUE(PagesForSelection({}).empty());
}

TEST(SettingsSelection, DifferingItemsShowMixedAndOneChangeReachesThemAll) {
  Tree t;
  const Selection files{t.a, t.b};
  t.a->settings().compile = "cc a.c";
  t.b->settings().compile = "cc b.c";
  t.a->settings().compileFlags = kCompileOverride | kCompileExclude;
  t.b->settings().compileFlags = kCompileOverride;
  EXPECT_EQ(CommonItemText(files, ItemText::kCompile), (CommonText{"", true}));
  EXPECT_EQ(CommonItemFlag(files, ItemFlag::kCompileOverride), TriState::kOn);
  EXPECT_EQ(CommonItemFlag(files, ItemFlag::kCompileExclude), TriState::kMixed);
  EXPECT_EQ(CommonItemFlag(files, ItemFlag::kReadOnly), TriState::kOff);

  SetItemText(files, ItemText::kCompile, "cc $(FileName)");
  EXPECT_EQ(t.a->settings().compile, "cc $(FileName)");
  EXPECT_EQ(CommonItemText(files, ItemText::kCompile), (CommonText{"cc $(FileName)", false}));

  // A flag that is a bit changes its own bit only.
  SetItemFlag(files, ItemFlag::kCompileExclude, false);
  EXPECT_EQ(t.a->settings().compileFlags, kCompileOverride);
  t.src->settings().buildFlags = kBuildCompileContents;
  SetItemFlag({t.src}, ItemFlag::kBuildOverride, true);
  EXPECT_EQ(t.src->settings().buildFlags, kBuildCompileContents | kBuildOverride);
  SetItemFlag(files, ItemFlag::kCobolFormat, true);
  EXPECT_EQ(t.b->settings().cobolFormat, 1);

  // Texts keep what their field keeps, never half a character.
  SetItemText(files, ItemText::kCompileEcho, std::string(125, 'e') + "\xc3\xa9");
  EXPECT_EQ(t.a->settings().compileEcho, std::string(125, 'e'));
  SetItemText({t.a}, ItemText::kName, std::string(300, 'n'));
  EXPECT_EQ(t.a->Name().size(), 259u);
  EXPECT_EQ(ItemTextMaxLength(ItemText::kCobolToken), 15u);
  EXPECT_EQ(ItemTextMaxLength(ItemText::kCompileEcho), 126u);

  EXPECT_FALSE(OverrideEnables(TriState::kMixed));
  EXPECT_TRUE(OverrideEnables(TriState::kOn));
}

TEST(SettingsSelection, GeneralPageResolvesAndBrowsesDirectories) {
  Tree t;
  EXPECT_EQ(ResolvedLocation(*t.src), "/dev/src/");
  EXPECT_EQ(ResolvedLocation(*t.a), "/dev/src/a.c");  // follows the name too
  EXPECT_EQ(CommonResolvedLocation({t.a, t.b}), (CommonText{"", true}));
  t.b->SetName("/abs/b.c");
  EXPECT_EQ(ResolvedLocation(*t.b), "/abs/b.c");

  // A browsed folder becomes each item's Location relative to its parent.
  EXPECT_EQ(BrowseStart({t.a, t.readme}), "/dev/src/");
  SetDirectory({t.a, t.readme}, "/dev/src/sub");
  EXPECT_EQ(t.a->Location(), "sub");
  EXPECT_EQ(t.readme->Location(), "/dev/src/sub");
  EXPECT_EQ(ResolvedLocation(*t.readme), "/dev/src/sub/readme");
  SetDirectory({t.a}, "/dev/src/");
  EXPECT_EQ(t.a->Location(), "");

  EXPECT_TRUE(NameEditable({t.src, t.docs}, false));
  EXPECT_FALSE(NameEditable({t.a}, false));
  EXPECT_TRUE(NameEditable({t.a}, true));
}

TEST(SettingsSelection, ChoiceListsKeepValuesThatAreNotInstalled) {
  Tree t;
  TemplateCatalogue catalogue;
  auto cobol = std::make_unique<Template>();
  cobol->settings.Name = "COBOL";
  catalogue.Append(std::move(cobol));
  t.a->settings().type = "cobol";
  t.b->settings().type = "(none)";
  t.readme->settings().type = "";
  EXPECT_EQ(TemplateChoices(&catalogue, {t.a, t.b, t.readme}),
            (std::vector<std::string>{"(auto-detect)", "COBOL", "(none)"}));
  EXPECT_EQ(ShownType(""), "(auto-detect)");

  t.a->settings().nlsCharSet = "Gone";
  EXPECT_EQ(CharSetChoices({"German", "French"}, {t.a, t.b}),
            (std::vector<std::string>{"(none)", "German", "French", "Gone"}));
}

TEST(SettingsSelection, ProjectSettingsLimitsAndBits) {
  Project project;
  SetProjectFlag(project, ProjectFlag::kUdcAccount, false);
  EXPECT_EQ(project.projectSettings().udcLogon, kUdcSystem | kUdcUser);
  EXPECT_FALSE(ProjectFlagOf(project, ProjectFlag::kUdcAccount));
  EXPECT_TRUE(ProjectFlagOf(project, ProjectFlag::kUdcSystem));
  EXPECT_FALSE(LogonUdcEnabled(project));
  SetProjectFlag(project, ProjectFlag::kUdcEnabled, true);
  EXPECT_TRUE(LogonUdcEnabled(project));
  EXPECT_EQ(project.projectSettings().udcLogon, kUdcSystem | kUdcUser);

  SetProjectText(project, ProjectText::kRootDirectory, "/dev/");
  EXPECT_EQ(project.RootDirectory(), "/dev/");
  SetProjectText(project, ProjectText::kPassword, std::string(300, 'p'));
  EXPECT_EQ(project.Password().size(), 259u);
  EXPECT_TRUE(FileLockingOffered(1));
  EXPECT_FALSE(FileLockingOffered(2));

  EXPECT_EQ(ParsePortNumber("11000"), 11000);
  EXPECT_EQ(ParsePortNumber("0"), std::nullopt);
  EXPECT_EQ(ParsePortNumber("65536"), std::nullopt);
  EXPECT_EQ(ParsePortNumber("12a"), std::nullopt);
  EXPECT_EQ(ParsePortNumber(""), std::nullopt);

  const std::string stored = "A=1\r\nB=2\r\nC=3";
  EXPECT_EQ(EnvironmentForEditing(stored), "A=1\nB=2\nC=3");
  EXPECT_EQ(EnvironmentFromEditing(EnvironmentForEditing(stored)), stored);
  EXPECT_EQ(EnvironmentFromEditing("A=1\r\nB=2\n"), "A=1\r\nB=2\r\n");
}

TEST(SettingsSelection, OutputMaskListRebuildsTheProjectsList) {
  TemplateCatalogue catalogue;
  for (const auto& [name, mask] : std::vector<std::pair<std::string, std::string>>{
           {"COBOL", "$(Number) $(LineNumber)"}, {"C", "$(FileName):$(Line)"}, {"Text", ""}}) {
    auto item = std::make_unique<Template>();
    item->settings.Name = name;
    item->settings.CompilerOutputMask = mask;
    catalogue.Append(std::move(item));
  }
  // "Text" has no mask and "Gone" is not installed: both stay as the project
  // has them, with the custom masks.
  OutputMaskList list(&catalogue, {"first $(Line)", "c", "Text", "Gone", "last $(Line)"});
  EXPECT_EQ(list.entries(), (std::vector<MaskListEntry>{{"COBOL", true, false},
                                                        {"C", true, true},
                                                        {"first $(Line)", false, false},
                                                        {"Text", false, false},
                                                        {"Gone", false, false},
                                                        {"last $(Line)", false, false}}));

  // Unchecking a template removes its name; custom masks keep their order
  // after the checked templates.
  EXPECT_TRUE(list.SetChecked(1, false));
  EXPECT_EQ(list.ProjectMasks(),
            (std::vector<std::string>{"first $(Line)", "Text", "Gone", "last $(Line)"}));
  EXPECT_TRUE(list.SetChecked(0, true));
  EXPECT_EQ(list.ProjectMasks(),
            (std::vector<std::string>{"COBOL", "first $(Line)", "Text", "Gone", "last $(Line)"}));

  EXPECT_FALSE(list.SetChecked(2, true));
  EXPECT_FALSE(list.RemoveCustom(0));
  EXPECT_FALSE(list.EditCustom(1, "x"));
  EXPECT_FALSE(list.EditCustom(2, ""));
  EXPECT_EQ(list.AddCustom(""), std::nullopt);
  EXPECT_EQ(list.AddCustom(std::string(300, 'm')), 6u);
  EXPECT_EQ(list.entries()[6].text.size(), 259u);
  EXPECT_TRUE(list.EditCustom(2, "edited $(Line)"));
  EXPECT_TRUE(list.RemoveCustom(3));
  EXPECT_EQ(list.ProjectMasks(), (std::vector<std::string>{"COBOL", "edited $(Line)", "Gone",
                                                           "last $(Line)", std::string(259, 'm')}));

  // Without a catalogue every entry is kept as a custom mask.
  EXPECT_EQ(OutputMaskList(nullptr, {"C", "x"}).ProjectMasks(),
            (std::vector<std::string>{"C", "x"}));
}

TEST(SettingsSelection, MaskTokensComeWithTheirHelpTexts) {
  const std::vector<MaskTokenHelp> tokens = OutputMaskTokens();
  ASSERT_EQ(tokens.size(), 11u);
  EXPECT_EQ(tokens[0].token, "$(String)");
  EXPECT_EQ(tokens[5].token, "$(Line)");
  EXPECT_EQ(tokens[5].help, "The line on which the error can be found.");
  EXPECT_EQ(tokens[9].token, "$(MpeLine)");
  EXPECT_EQ(tokens[9].help,
            "Alternative to ($LineNumber) for MPE/iX style line numbers (i.e. 3.200)");
  EXPECT_EQ(tokens[10].token, "$(DosFile)");
  EXPECT_NE(tokens[10].help.find("DOS style"), std::string::npos);
}

}  // namespace
}  // namespace vandrel::project
