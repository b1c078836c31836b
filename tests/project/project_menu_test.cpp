#include "project/project_menu.h"

#include <gtest/gtest.h>

#include "project/project_tree.h"
#include "project_fakes.h"

namespace vandrel::project {
namespace {

using testing::AddFile;
using testing::AddFolder;
using testing::MemoryTreeView;

// "text:command:enabled" per entry, "-" for a separator.
std::vector<std::string> Describe(const ProjectMenu& menu) {
  std::vector<std::string> out;
  for (const MenuEntry& e : menu.model.Entries()) {
    out.push_back(e.separator ? "-"
                              : e.text + ":" + std::to_string(e.commandId) + ":" +
                                    (e.enabled ? "on" : "off"));
  }
  return out;
}

TEST(ProjectMenu, FileFolderAndProjectMenus) {
  Project project;
  ProjectItem* folder = AddFolder(project, "Src");
  ProjectItem* file = AddFile(*folder, "a.c");
  folder->settings().compileFlags = kCompileOverride;
  folder->settings().compile = "cc";

  const ProjectMenu fileMenu = BuildMenu(*file, {true, false});
  EXPECT_EQ(Describe(fileMenu),
            (std::vector<std::string>{"&Open:3097:on", "Compile a.c...:3018:on", "-",
                                      "&Remove:3096:on", "-", "File &Properties...:3026:on"}));
  EXPECT_EQ(fileMenu.defaultCommand, kCommandOpenItem);

  EXPECT_EQ(
      Describe(BuildMenu(*folder, {true, false})),
      (std::vector<std::string>{"Build Src...:3046:off", "-", "&New Folder...:3006:on",
                                "&Add Files to Folder...:3007:on", "-", "&Remove:3096:on", "-",
                                "&Copy Folder...:3090:on", "-", "Folder &Properties...:3026:on"}));

  project.settings().build = "make";
  const ProjectMenu projectMenu = BuildMenu(project, {false, false});
  EXPECT_EQ(
      Describe(projectMenu),
      (std::vector<std::string>{"Build Untitled...:3046:off", "-", "&New Folder...:3006:on",
                                "&Add Files to Project...:3007:off", "-", "&Copy Folder...:3090:on",
                                "-", "Project &Settings...:3010:on"}));
  EXPECT_EQ(projectMenu.defaultCommand, 0);
  EXPECT_TRUE(BuildMenu(project, {true, true}).model.Entries()[0].enabled);
}

TEST(ProjectMenu, BusyOrOfflineDisablesOpenAndCompile) {
  Project project;
  ProjectItem* file = AddFile(project, "a.c");
  file->settings().compileFlags = kCompileOverride;
  file->settings().compile = "cc";
  for (MenuState state : {MenuState{true, true}, MenuState{false, false}}) {
    const ProjectMenu menu = BuildMenu(*file, state);
    const auto& entries = menu.model.Entries();
    EXPECT_FALSE(entries[0].enabled);
    EXPECT_FALSE(entries[1].enabled);
  }
  file->settings().compile.clear();
  EXPECT_FALSE(BuildMenu(*file, {true, false}).model.Entries()[1].enabled);
}

TEST(ProjectTree, LabelsAndImages) {
  Project project;
  EXPECT_EQ(NodeLabel(project), "Untitled files");
  project.SetPath("/home/me/demo.vdp");
  project.SetModified(true);
  EXPECT_EQ(NodeLabel(project), "demo files *");
  EXPECT_EQ(NodeImage(project, false), kImageProject);

  ProjectItem* folder = AddFolder(project, "Src");
  EXPECT_EQ(NodeImage(*folder, false), kImageFolderClosed);
  EXPECT_EQ(NodeImage(*folder, true), kImageFolderOpen);

  ProjectItem* file = AddFile(*folder, "a.c");
  EXPECT_EQ(NodeLabel(*file), "a.c");
  EXPECT_EQ(NodeImage(*file, false), kImageFileNotCompilable);
  file->settings().compileFlags = kCompileOverride;
  file->settings().compile = "cc";
  EXPECT_EQ(NodeImage(*file, false), kImageFileOwnCommand);
  file->settings().compileFlags |= kCompileExclude;
  EXPECT_EQ(NodeImage(*file, false), kImageFileOwnCommandExcluded);
  folder->settings().compileFlags = kCompileOverride;
  folder->settings().compile = "cc";
  file->settings().compileFlags = kCompileExclude;
  EXPECT_EQ(NodeImage(*file, false), kImageFileExcluded);
  file->settings().compileFlags = 0;
  EXPECT_EQ(NodeImage(*file, false), kImageFile);
  file->settings().readOnly = 1;  // read-only comes first
  EXPECT_EQ(NodeImage(*file, false), kImageFileReadOnly);
}

TEST(ProjectTree, NodesStaySortedAndFollowTheModel) {
  Project project;
  MemoryTreeView view;
  project.AttachTreeView(&view);
  ProjectItem* zeta = AddFolder(project, "zeta");
  AddFile(*zeta, "b.c");
  AddFile(*zeta, "a.c");
  AddFile(project, "mid.c");
  ShowInTree(project, view, kNoTreeNode, kAllLevels, true);

  const TreeNode root = project.GetTreeNode();
  EXPECT_EQ(view.Labels(kNoTreeNode), (std::vector<std::string>{"Untitled files"}));
  EXPECT_EQ(view.Labels(root), (std::vector<std::string>{"mid.c", "zeta"}));
  EXPECT_EQ(view.Labels(zeta->GetTreeNode()), (std::vector<std::string>{"a.c", "b.c"}));
  EXPECT_TRUE(view.IsExpanded(root));

  // A relabelled node is re-sorted among its siblings.
  zeta->SetName("alpha");
  RefreshInTree(*zeta);
  EXPECT_EQ(view.Labels(root), (std::vector<std::string>{"alpha", "mid.c"}));

  project.SetModified(true);
  EXPECT_EQ(view.At(root).label, "Untitled files *");

  // Operations keep the tree in step.
  ProjectItem* added = NewFolder(project, "beta", "b");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(view.Labels(root), (std::vector<std::string>{"alpha", "beta", "mid.c"}));
  std::unique_ptr<ProjectItem> removed = RemoveItem(*zeta);
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->GetTreeNode(), kNoTreeNode);
  EXPECT_EQ(removed->Child(0)->GetTreeNode(), kNoTreeNode);
  EXPECT_EQ(view.Labels(root), (std::vector<std::string>{"beta", "mid.c"}));
  EXPECT_EQ(view.Size(), 3u);
  EXPECT_EQ(RemoveItem(project), nullptr);

  RemoveFromTree(project, view);
  EXPECT_EQ(view.Size(), 0u);
  EXPECT_EQ(added->GetTreeNode(), kNoTreeNode);
}

class FakeWindow : public ProjectWindow {
 public:
  bool OpenEditor(const std::string& path, const std::string&, bool, ProjectItem&, int, int,
                  bool) override {
    opened.push_back(path);
    return true;
  }
  bool AskNewFolder(std::string* name, std::string* location) override {
    if (!newFolder) return false;
    *name = newFolder->first;
    *location = newFolder->second;
    return true;
  }
  std::optional<AddFilesChoice> ChooseFilesToAdd(const std::string& title,
                                                 const std::string& directory) override {
    dialogs.push_back(title + "@" + directory);
    return files;
  }
  bool EditSettings(Project& edited, ProjectItem& selected) override {
    selected.settings().compile = "edited";
    edited.projectSettings().user = "someone";
    return acceptSettings;
  }
  void ShowOpenFileDialog(const std::string& directory) override { dialogs.push_back(directory); }
  void Compile(ProjectItem& item) override { compiled.push_back(&item); }
  void Build(ProjectItem& item) override { built.push_back(&item); }
  bool Connected() const override { return connected; }

  std::optional<std::pair<std::string, std::string>> newFolder;
  std::optional<AddFilesChoice> files;
  bool acceptSettings = true;
  bool connected = true;
  std::vector<std::string> opened, dialogs;
  std::vector<ProjectItem*> compiled, built;
};

TEST(ProjectCommands, NewFolderAndAddFiles) {
  Project project;
  project.SetLocation("/dev");
  ProjectItem* src = AddFolder(project, "Src", "src");
  FakeWindow window;

  EXPECT_FALSE(DoCommand(*src, window, kCommandNewFolder));  // cancelled
  window.newFolder = {{"Include", "inc"}};
  ASSERT_TRUE(DoCommand(*src, window, kCommandNewFolder));
  EXPECT_EQ(src->Child(0)->FullPath(), "/dev/src/inc/Include");
  EXPECT_TRUE(project.Modified());

  window.files = AddFilesChoice{"/dev/src", {"b.c", "a.c"}, "(AUTO-DETECT)", true};
  ASSERT_TRUE(DoCommand(*src, window, kCommandAddFiles));
  EXPECT_EQ(window.dialogs.back(), "Add Files to Folder@/dev/src/");
  ASSERT_EQ(src->ChildCount(), 3u);
  EXPECT_EQ(src->Child(1)->Name(), "b.c");  // in selection order
  EXPECT_EQ(src->Child(1)->Location(), "");
  // No template chosen: the item inherits, and the file decides when opened.
  EXPECT_EQ(src->Child(1)->settings().type, "(auto-detect)");
  EXPECT_FALSE(src->Child(1)->EffectiveTemplate());
  EXPECT_EQ(src->Child(1)->settings().readOnly, 1);

  EXPECT_EQ(LocationForDirectory(*src, "/dev/src/lib"), "lib");
  EXPECT_EQ(LocationForDirectory(*src, "/dev/srcx"), "/dev/srcx");
  EXPECT_EQ(LocationForDirectory(*src, "/other/"), "/other/");
  Project bare;
  EXPECT_EQ(LocationForDirectory(bare, "rel/dir"), "rel/dir");

  window.connected = false;
  EXPECT_FALSE(DoCommand(*src, window, kCommandAddFiles));
  EXPECT_FALSE(DoCommand(*src->Child(1), window, kCommandNewFolder));  // a file has none
}

TEST(ProjectCommands, OpenCompileBuildRemoveAndSettings) {
  Project project;
  project.SetLocation("/dev");
  project.settings().build = "make";
  ProjectItem* folder = AddFolder(project, "F", "f");
  ProjectItem* file = AddFile(*folder, "a.c");
  FakeWindow window;

  ASSERT_TRUE(DoCommand(*file, window, kCommandOpenItem));
  EXPECT_EQ(window.opened, (std::vector<std::string>{"/dev/f/a.c"}));
  EXPECT_FALSE(DoCommand(*file, window, kCommandCompile));  // nothing to compile with
  ASSERT_TRUE(DoCommand(*folder, window, kCommandBuild));
  EXPECT_EQ(window.built, (std::vector<ProjectItem*>{folder}));
  ASSERT_TRUE(DoCommand(*file, window, kCommandOpenFileDialog));
  EXPECT_EQ(window.dialogs.back(), "/dev/f/");

  // Properties edit a copy; OK applies it to the live item.
  ASSERT_TRUE(DoCommand(*file, window, kCommandProperties));
  EXPECT_EQ(file->settings().compile, "edited");
  EXPECT_EQ(project.User(), "someone");
  window.acceptSettings = false;
  file->settings().compile = "kept";
  EXPECT_FALSE(DoCommand(*file, window, kCommandProperties));
  EXPECT_EQ(file->settings().compile, "kept");

  EXPECT_FALSE(DoCommand(project, window, kCommandRemove));
  ASSERT_TRUE(DoCommand(*folder, window, kCommandRemove));
  EXPECT_EQ(project.ChildCount(), 0u);
}

}  // namespace
}  // namespace vandrel::project
