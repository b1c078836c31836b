#include "project/project_item.h"

#include <gtest/gtest.h>

#include "project/project.h"
#include "project/project_operations.h"
#include "project/project_session.h"
#include "project_fakes.h"

namespace vandrel::project {
namespace {

using testing::AddFile;
using testing::AddFolder;

TEST(ProjectItem, NewItemsCarryTheDefaults) {
  Project project;
  EXPECT_EQ(project.Name(), "Untitled");
  EXPECT_EQ(project.settings().type, "(auto-detect)");
  EXPECT_EQ(project.settings().nlsCharSet, "(none)");
  EXPECT_EQ(project.settings().folder, 1);
  EXPECT_EQ(project.Port(), 11000);
  EXPECT_EQ(project.projectSettings().udcLogon, 7);
  auto file = ProjectItem::Create(&project, false);
  EXPECT_FALSE(file->IsFolder());
  EXPECT_EQ(file->Parent(), &project);
  EXPECT_EQ(project.ChildCount(), 0u);  // created, not yet appended
}

TEST(ProjectItem, TextFieldsKeepAtMostTheirSizeLessOne) {
  Project project;
  project.SetName(std::string(300, 'n'));
  EXPECT_EQ(project.Name().size(), 259u);
  ItemSettings settings = DefaultItemSettings(false);
  settings.type = std::string(70, 't');
  settings.cobolToken = std::string(40, 'c');
  LimitItemSettings(settings);
  EXPECT_EQ(settings.type.size(), 63u);
  EXPECT_EQ(settings.cobolToken.size(), 31u);
}

TEST(ProjectItem, FolderPathAndFullPath) {
  Project project;
  project.SetLocation("/dev");
  ProjectItem* src = AddFolder(project, "Sources", "src");
  ProjectItem* foo = AddFile(*src, "foo.c");
  EXPECT_EQ(foo->FullPath(), "/dev/src/foo.c");
  EXPECT_EQ(src->FolderPath(), "/dev/src/");

  // An absolute folder location discards what lies above it.
  ProjectItem* abs = AddFolder(project, "Other", "/opt/");
  ProjectItem* bar = AddFile(*abs, "bar.c", "sub");
  EXPECT_EQ(bar->FullPath(), "/opt/sub/bar.c");

  // An absolute name is the whole path, whatever the folders say.
  ProjectItem* rooted = AddFile(*src, "/etc/hosts");
  EXPECT_EQ(rooted->FullPath(), "/etc/hosts");

  ProjectItem* unnamed = AddFile(*src, "");
  EXPECT_FALSE(unnamed->FullPath().has_value());

  Project bare;
  ProjectItem* plain = AddFile(bare, "x.c");
  EXPECT_EQ(plain->FullPath(), "x.c");
}

TEST(ProjectItem, EffectiveTemplateSkipsAutoDetectInAnyCase) {
  Project project;
  ProjectItem* folder = AddFolder(project, "F");
  ProjectItem* file = AddFile(*folder, "a.cob");
  EXPECT_FALSE(file->EffectiveTemplate().has_value());
  project.settings().type = "COBOL";
  folder->settings().type = "(AUTO-Detect)";
  file->settings().type = "";
  EXPECT_EQ(file->EffectiveTemplate(), "COBOL");
  folder->settings().type = "C";
  EXPECT_EQ(file->EffectiveTemplate(), "C");
  EXPECT_EQ(file->TemplateText(), "");
}

TEST(ProjectItem, CompileOwnerAndCanCompile) {
  Project project;
  ProjectItem* folder = AddFolder(project, "F");
  ProjectItem* sub = AddFolder(*folder, "S");
  ProjectItem* file = AddFile(*sub, "a.c");
  EXPECT_FALSE(file->CanCompile());

  folder->settings().compileFlags = kCompileOverride;
  folder->settings().compile = "cc $(FileName)";
  EXPECT_EQ(file->CompileOwner(), folder);
  EXPECT_TRUE(file->CanCompile());

  // The nearest overriding ancestor decides, even without a command.
  sub->settings().compileFlags = kCompileOverride;
  EXPECT_EQ(file->CompileOwner(), nullptr);
  EXPECT_FALSE(file->CanCompile());
  sub->settings().compileFlags = 0;

  // A file that overrides with an empty command cannot be compiled.
  file->settings().compileFlags = kCompileOverride;
  EXPECT_FALSE(file->CanCompile());
  file->settings().compile = "gcc -c a.c";
  EXPECT_TRUE(file->CanCompile());
}

TEST(ProjectItem, BuildOwner) {
  Project project;
  ProjectItem* folder = AddFolder(project, "F");
  ProjectItem* sub = AddFolder(*folder, "S");
  ProjectItem* file = AddFile(*sub, "a.c");
  EXPECT_FALSE(file->CanBuild());
  EXPECT_FALSE(project.CanBuild());

  project.settings().build = "make";
  EXPECT_EQ(file->BuildOwner(), &project);
  EXPECT_EQ(sub->BuildOwner(), &project);
  EXPECT_EQ(project.BuildOwner(), &project);

  // A folder's Build counts only when it overrides.
  sub->settings().build = "make sub";
  EXPECT_EQ(file->BuildOwner(), &project);
  sub->settings().buildFlags = kBuildOverride;
  EXPECT_EQ(file->BuildOwner(), sub);
  EXPECT_EQ(sub->BuildOwner(), sub);

  // Overriding without a command blocks the project's build below it.
  folder->settings().buildFlags = kBuildOverride;
  sub->settings().buildFlags = 0;
  EXPECT_EQ(file->BuildOwner(), nullptr);
  EXPECT_FALSE(sub->CanBuild());
  EXPECT_FALSE(folder->CanBuild());
  EXPECT_TRUE(project.CanBuild());
}

TEST(ProjectItem, EffectiveTokenCharSetAndPrecompileOutput) {
  Project project;
  ProjectItem* folder = AddFolder(project, "F");
  ProjectItem* file = AddFile(*folder, "a.cob");
  EXPECT_FALSE(file->EffectiveCobolToken().has_value());
  EXPECT_FALSE(file->EffectiveCharSet().has_value());

  folder->settings().cobolFormat = 1;
  folder->settings().cobolToken = "GS%yy%mm%dd";
  EXPECT_EQ(file->EffectiveCobolToken(), "GS%yy%mm%dd");
  EXPECT_EQ(file->EffectiveCobolToken(5), "GS%y");
  file->settings().cobolFormat = 1;  // the item itself counts first
  EXPECT_EQ(file->EffectiveCobolToken(), "");

  project.settings().nlsTranslate = 1;
  project.settings().nlsCharSet = "German";
  EXPECT_EQ(file->EffectiveCharSet(), "German");

  // The project's text is the default; an overriding folder wins below it.
  project.settings().compileEcho = "echo $(FileName)";
  EXPECT_EQ(file->EffectivePrecompileOutput(), "echo $(FileName)");
  folder->settings().compileOutput = 1;
  folder->settings().compileEcho = "folder";
  EXPECT_EQ(file->EffectivePrecompileOutput(), "folder");
  EXPECT_EQ(project.EffectivePrecompileOutput(), "echo $(FileName)");
  auto detached = ProjectItem::Create(nullptr, false);
  EXPECT_FALSE(detached->EffectivePrecompileOutput().has_value());
}

TEST(ProjectItem, FindItemFollowsTheHostsCaseRule) {
  Project project;
  project.SetLocation("/dev");
  ProjectItem* folder = AddFolder(project, "Src", "src");
  ProjectItem* first = AddFile(*folder, "Main.c");
  ProjectItem* second = AddFile(project, "main.c");

  EXPECT_EQ(project.FindItem("main.c", 2), second);
  EXPECT_EQ(project.FindItem("main.c", 9), first);  // depth first, ignoring case
  EXPECT_EQ(project.FindItem("/dev/src/Main.c", 2), first);
  EXPECT_EQ(project.FindItem("/DEV/SRC/MAIN.C", 2), nullptr);
  EXPECT_EQ(project.FindItem("/DEV/SRC/MAIN.C", 9), first);
  // A name with "/" matches only a full path.
  EXPECT_EQ(project.FindItem("src/Main.c", 2), nullptr);
  EXPECT_EQ(folder->FindItem("main.c", 2), nullptr);
}

TEST(ProjectItem, CountingIndexPathsAndFileLists) {
  Project project;
  project.SetLocation("/p");
  ProjectItem* a = AddFolder(project, "A", "a");
  AddFile(*a, "1.c");
  ProjectItem* b = AddFolder(*a, "B", "b");
  ProjectItem* deep = AddFile(*b, "2.c");
  AddFile(project, "3.c");

  int folders = 0, files = 0;
  project.CountItems(folders, files);
  EXPECT_EQ(folders, 2);
  EXPECT_EQ(files, 3);
  EXPECT_EQ(project.TotalItems(), 5);
  EXPECT_EQ(a->TotalItems(), 3);

  EXPECT_EQ(project.IndexPath(), "");
  EXPECT_EQ(deep->IndexPath(), "0 1 0 ");
  EXPECT_EQ(project.ItemAtIndexPath("0 1 0 "), deep);
  EXPECT_EQ(project.ItemAtIndexPath("0 1 0"), deep);
  EXPECT_EQ(project.ItemAtIndexPath(""), &project);
  EXPECT_EQ(project.ItemAtIndexPath("0 5"), nullptr);
  EXPECT_EQ(project.ItemAtIndexPath("0 x"), nullptr);
  EXPECT_EQ(project.ItemAtIndexPath("-1"), nullptr);

  EXPECT_TRUE(project.Contains(deep));
  EXPECT_TRUE(b->Contains(b));
  EXPECT_FALSE(b->Contains(a));

  std::string list;
  project.ListFiles(list);
  EXPECT_EQ(list, "/p/a/1.c\r\n/p/a/b/2.c\r\n/p/3.c\r\n");
}

TEST(ProjectItem, MoveToKeepsTheDirectory) {
  Project project;
  project.SetLocation("/dev");
  ProjectItem* src = AddFolder(project, "Src", "src");
  ProjectItem* other = AddFolder(project, "Other", "/elsewhere");
  ProjectItem* file = AddFile(*src, "foo.c");

  ASSERT_TRUE(file->MoveTo(project));
  EXPECT_EQ(file->Parent(), &project);
  EXPECT_EQ(file->Location(), "src/");
  EXPECT_EQ(file->FullPath(), "/dev/src/foo.c");
  EXPECT_EQ(src->ChildCount(), 0u);

  ASSERT_TRUE(file->MoveTo(*other));
  EXPECT_EQ(file->Location(), "/dev/src/");
  EXPECT_EQ(file->FullPath(), "/dev/src/foo.c");

  // Same directory ignoring case: the location becomes empty.
  ProjectItem* upper = AddFolder(project, "Upper", "/DEV/SRC");
  ASSERT_TRUE(file->MoveTo(*upper));
  EXPECT_EQ(file->Location(), "");

  // Refused: the project, into a file, into the current parent, into itself.
  ProjectItem* inner = AddFolder(*src, "Inner");
  EXPECT_FALSE(project.MoveTo(*src));
  EXPECT_FALSE(src->MoveTo(*file));
  EXPECT_FALSE(src->MoveTo(project));
  EXPECT_FALSE(src->MoveTo(*inner));
  EXPECT_FALSE(src->MoveTo(*src));
  EXPECT_EQ(inner->Parent(), src);
}

TEST(ProjectItem, CopyFolderOfTheProjectCopiesIntoItself) {
  Project project;
  ProjectItem* folder = AddFolder(project, "F", "f");
  AddFile(*folder, "a.c")->settings().compile = "cc";
  AddFile(project, "b.c");

  ProjectItem* copy = CopyFolder(*folder);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name(), "Copy of F");
  EXPECT_EQ(copy->Parent(), &project);
  ASSERT_EQ(copy->ChildCount(), 1u);
  EXPECT_EQ(copy->Child(0)->settings().compile, "cc");
  EXPECT_TRUE(project.Modified());

  ProjectItem* whole = CopyFolder(project);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->Name(), "Copy of Untitled");
  EXPECT_FALSE(whole->IsProject());
  EXPECT_TRUE(whole->IsFolder());
  // The three children it had; not a copy of the copy.
  EXPECT_EQ(whole->ChildCount(), 3u);
  EXPECT_EQ(project.ChildCount(), 4u);
  EXPECT_EQ(project.TotalItems(), 4 + 1 + 1 + 3 + 1 + 1);
}

TEST(ProjectItem, ApplySettingsFromPairsChildrenAndReportsTemplateChanges) {
  Project project;
  testing::RecordingEditors editors;
  project.AttachEditors(&editors);
  project.projectSettings().server = "old";
  ProjectItem* folder = AddFolder(project, "F");
  ProjectItem* file = AddFile(*folder, "a.c");

  std::unique_ptr<Project> edited = project.Clone();
  edited->projectSettings().server = "new";
  edited->Child(0)->settings().type = "C";
  edited->Child(0)->Child(0)->settings().compile = "cc";
  EXPECT_EQ(edited->Child(0)->Child(0)->FullPath(), file->FullPath());

  ApplyProjectSettings(project, *edited);
  EXPECT_EQ(project.ServerAddress(), "new");
  EXPECT_EQ(folder->settings().type, "C");
  EXPECT_EQ(file->settings().compile, "cc");
  EXPECT_TRUE(project.Modified());
  ASSERT_EQ(editors.changes.size(), 1u);
  EXPECT_EQ(editors.changes[0].owner, folder);
  EXPECT_EQ(editors.changes[0].templateName, "C");
}

class RecordingOpener : public ItemOpener {
 public:
  bool OpenEditor(const std::string& path, const std::string& templateName, bool readOnly,
                  ProjectItem& owner, int, int, bool) override {
    opened = path + "|" + templateName + "|" + (readOnly ? "ro" : "rw");
    this->owner = &owner;
    return true;
  }
  std::string opened;
  ProjectItem* owner = nullptr;
};

TEST(ProjectItem, OpenUsesTheEffectiveTemplateAndReadOnlyFlag) {
  Project project;
  project.SetLocation("/dev");
  project.settings().type = "COBOL";
  ProjectItem* file = AddFile(project, "a.cob");
  file->settings().readOnly = 1;
  RecordingOpener opener;
  ASSERT_TRUE(file->Open(opener));
  EXPECT_EQ(opener.opened, "/dev/a.cob|COBOL|ro");
  EXPECT_EQ(opener.owner, file);
  file->SetName("");
  EXPECT_FALSE(file->Open(opener));
}

TEST(ProjectItem, ExpandMacrosUsesTheItemAndTheProjectFile) {
  Project project;
  project.SetLocation("/dev");
  project.SetPath("/home/me/demo.vdp");
  ProjectItem* file = AddFile(*AddFolder(project, "S", "src"), "foo.c");
  file->settings().type = "C";
  EXPECT_EQ(file->ExpandMacros("cc $(FileName) -o $(FileDir)/x $(fileext) $(Template)"),
            "cc foo.c -o /dev/src/x c C");
  EXPECT_EQ(file->ExpandMacros("$(ProjectName)"), "demo");
}

TEST(ProjectItem, SessionValuesComeFromTheProject) {
  Project project;
  ProjectSettings& s = project.projectSettings();
  s.server = "host";
  s.port = 2000;
  s.user = "me";
  s.password = "pw";
  s.hpfsSupport = 1;
  s.udcEnabled = 1;
  s.udcLogon = kUdcSystem | kUdcUser;
  s.environment = "A=1\nB=2";
  s.autoexecCommand = "setup";
  const remote::ConnectParameters parameters = ConnectParametersOf(project, false);
  EXPECT_EQ(parameters.hostName, "host");
  EXPECT_EQ(parameters.port, 2000);
  EXPECT_EQ(parameters.userName, "me");
  EXPECT_EQ(parameters.password, "pw");
  EXPECT_FALSE(parameters.showConnectingBox);
  EXPECT_TRUE(parameters.preferences.hpfsSupport);
  EXPECT_TRUE(parameters.preferences.udcEnabled);
  EXPECT_FALSE(parameters.preferences.posixShell);
  EXPECT_EQ(parameters.preferences.logonUdcLevels, 5);
  EXPECT_EQ(parameters.preferences.environment, "A=1\nB=2");
  EXPECT_EQ(parameters.preferences.autoexecCommand, "setup");
}

TEST(ProjectItem, CloseReturnsToTheNoProjectState) {
  Project project;
  project.SetPath("/x/p.vdp");
  project.projectSettings().server = "h";
  AddFolder(project, "F");
  project.SetModified(true);
  project.SetExclusive(true);
  project.Close();
  EXPECT_EQ(project.ChildCount(), 0u);
  EXPECT_EQ(project.Path(), "");
  EXPECT_EQ(project.ServerAddress(), "");
  EXPECT_FALSE(project.Modified());
  EXPECT_FALSE(project.Exclusive());
  EXPECT_TRUE(project.IsFolder());
}

}  // namespace
}  // namespace vandrel::project
