#include "project/project_controller.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/store_file.h"
#include "project/project_file.h"
#include "project_fakes.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::project {
namespace {

using testing::AddFile;
using testing::MemoryTreeView;
using vandrel::testing::ReadBytes;
using vandrel::testing::ScriptedUserInterface;
using vandrel::testing::TempDir;

class FakeFrame : public ProjectFrame {
 public:
  std::optional<OpenProjectChoice> ChooseProjectToOpen(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& directory) override {
    dialogs.push_back(title + "|" + filter + "|" + directory);
    return openChoice;
  }
  std::optional<std::string> ChooseProjectToSave(const std::string& title,
                                                 const std::string& filter,
                                                 const std::string& extension,
                                                 const std::string& directory) override {
    dialogs.push_back(title + "|" + filter + "|" + extension + "|" + directory);
    return saveChoice;
  }
  void SetWaitCursor(bool) override {}
  bool CloseAllDocuments() override { return documentsClose; }
  bool RequestsPending() const override { return pending; }
  void Connect(const remote::ConnectParameters& parameters) override {
    connects.push_back(parameters.hostName + ":" + std::to_string(parameters.port));
  }
  void Disconnect() override { ++disconnects; }
  void ActivateWorkspace() override { ++workspace; }
  void EnableCommand(int command, bool enabled) override { commands[command] = enabled; }
  void SetTitle(const std::string& text) override { title = text; }
  void AddRecentProject(const std::string& path) override { recent.push_back(path); }
  bool RunNewProjectWizard(Project& project) override {
    if (!wizardFinishes) return false;
    project.projectSettings().server = "wizard-host";
    AddFile(project, "first.c");
    return true;
  }
  bool EditSettings(Project& edited, ProjectItem&) override {
    edited.projectSettings().server = settingsServer;
    return settingsConfirmed;
  }

  std::optional<OpenProjectChoice> openChoice;
  std::optional<std::string> saveChoice;
  bool documentsClose = true;
  bool pending = false;
  bool wizardFinishes = true;
  bool settingsConfirmed = true;
  std::string settingsServer;
  std::vector<std::string> dialogs, connects, recent;
  int disconnects = 0;
  int workspace = 0;
  std::map<int, bool> commands;
  std::string title;
};

class ProjectControllerTest : public ::testing::Test {
 protected:
  ProjectControllerTest() { project_.AttachTreeView(&tree_); }

  std::string Saved(const std::string& name, const std::string& server = "host") {
    Project project;
    project.projectSettings().server = server;
    AddFile(project, "a.c");
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(SaveProjectFile(project, path));
    return path;
  }
  std::string Shown(std::size_t i) const { return ui_.shown().at(i).text; }

  TempDir dir_;
  AppSettings settings_ = [this] {
    AppSettings settings;
    settings.ProjectsFolder = dir_.path().string();
    return settings;
  }();
  Project project_;
  MemoryTreeView tree_;
  FakeFrame frame_;
  ScriptedUserInterface ui_;
  ProjectController controller_{project_, frame_, ui_, settings_};
};

TEST_F(ProjectControllerTest, OpenShowsConnectsAndTitles) {
  const std::string path = Saved("demo.vdp");
  frame_.openChoice = OpenProjectChoice{path, true};
  ASSERT_TRUE(controller_.Open());
  EXPECT_EQ(frame_.dialogs[0], "Open Project|Project Files (*.vdp)|" + dir_.path().string());
  EXPECT_TRUE(controller_.IsOpen());
  EXPECT_EQ(project_.Path(), path);
  EXPECT_EQ(frame_.title, "demo (Exclusive) - Zorvant Vandrel");
  EXPECT_EQ(frame_.connects, (std::vector<std::string>{"host:11000"}));
  EXPECT_EQ(frame_.recent, (std::vector<std::string>{path}));
  EXPECT_TRUE(frame_.commands[kCommandSaveProject]);
  EXPECT_TRUE(frame_.commands[kCommandConnect]);
  EXPECT_EQ(tree_.Labels(project_.GetTreeNode()), (std::vector<std::string>{"a.c"}));
  EXPECT_TRUE(ui_.shown().empty());

  // Held in exclusive mode: a second instance cannot open it.
  Project other;
  FakeFrame otherFrame;
  ScriptedUserInterface otherUi;
  ProjectController second(other, otherFrame, otherUi, settings_);
  EXPECT_FALSE(second.Open(path));
  ASSERT_EQ(otherUi.shown().size(), 1u);
  EXPECT_EQ(otherUi.shown()[0].text,
            "Unable to open file '" + path +
                "'. Please check that the file exists and is not already open.");

  ASSERT_TRUE(controller_.Close());
  EXPECT_FALSE(controller_.IsOpen());
  EXPECT_EQ(frame_.disconnects, 1);
  EXPECT_EQ(frame_.title, "Zorvant Vandrel");
  EXPECT_FALSE(frame_.commands[kCommandSaveProjectAs]);
  EXPECT_EQ(tree_.Size(), 0u);
  EXPECT_EQ(project_.ChildCount(), 0u);
  EXPECT_TRUE(second.Open(path));
}

TEST_F(ProjectControllerTest, OpenRefusesMissingAndForeignFiles) {
  const std::string missing = (dir_ / "missing.vdp").string();
  EXPECT_FALSE(controller_.Open(missing));
  std::ofstream(dir_ / "notes.vdp") << "[0]\nFolder=0\n";
  const std::string notes = (dir_ / "notes.vdp").string();
  EXPECT_FALSE(controller_.Open(notes));
  ASSERT_EQ(ui_.shown().size(), 2u);
  EXPECT_EQ(Shown(0), "Unable to open file '" + missing +
                          "'. Please check that the file exists and is not already open.");
  EXPECT_EQ(Shown(1),
            "Unable to open file '" + notes + "'.\n\nThis is not a valid Vandrel project file.");
  EXPECT_EQ(ui_.shown()[1].style, kMbOk | kMbIconWarning);
  EXPECT_FALSE(controller_.IsOpen());
}

TEST_F(ProjectControllerTest, OlderProjectsAreConvertedOnlyWhenAsked) {
  const std::string legacy = "[0]\nFolder=1\nConnection=h\nItems=1\n[0.0]\nName=a.c\nBuild=cc %p\n";
  const auto path = dir_ / "old.vdp";
  std::ofstream(path) << legacy;

  ui_.Answer(kIdCancel);
  EXPECT_FALSE(controller_.Open(path.string()));
  EXPECT_EQ(Shown(0), path.string() +
                          "\n\nThis project was generated by a previous version of Vandrel. "
                          "Continuing will convert this file to the new format. A backup of your "
                          "original project will be saved as " +
                          (dir_ / "old.000").string() +
                          "\n\nDo you want to convert this project ?");
  EXPECT_EQ(ui_.shown()[0].style, kMbYesNoCancel | kMbIconQuestion);

  // No: loaded and converted in memory, the file untouched until saved.
  ui_.Answer(kIdNo);
  ASSERT_TRUE(controller_.Open(path.string()));
  EXPECT_EQ(project_.Child(0)->settings().compile, "cc $(FilePath)");
  EXPECT_EQ(ReadFileVersion(path), 10005u);
  ASSERT_TRUE(controller_.Save());
  EXPECT_EQ(ReadFileVersion(path), 10220u);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "old.000"));
  ASSERT_TRUE(controller_.Close());

  // Yes: the original is kept as ".000" and the file rewritten.
  std::ofstream(path) << legacy;
  ui_.Answer(kIdYes);
  ASSERT_TRUE(controller_.Open(path.string()));
  EXPECT_EQ(ReadFileVersion(path), 10220u);
  const auto backup = ReadBytes(dir_ / "old.000");
  EXPECT_EQ(std::string(backup.begin(), backup.end()), legacy);
  EXPECT_FALSE(project_.Modified());
}

TEST_F(ProjectControllerTest, CloseAsksToSaveChanges) {
  const std::string path = Saved("p.vdp");
  ASSERT_TRUE(controller_.Open(path));
  project_.SetModified(true);
  EXPECT_EQ(tree_.At(project_.GetTreeNode()).label, "p files *");

  ui_.Answer(kIdCancel);
  EXPECT_FALSE(controller_.Close());
  EXPECT_EQ(Shown(0),
            "You have made changes to the project 'p.vdp'. Do you want to save changes ?");
  EXPECT_TRUE(controller_.IsOpen());

  frame_.pending = true;
  ui_.Answer(kIdNo);
  EXPECT_FALSE(controller_.Close());
  EXPECT_EQ(Shown(2),
            "Unable to close application due to pending requests to the server. Please wait for "
            "these tasks to be completed, Cancel using the Stop button or Disconnect from the "
            "server.");
  frame_.pending = false;
  frame_.documentsClose = false;
  ui_.Answer(kIdNo);
  EXPECT_FALSE(controller_.Close());
  frame_.documentsClose = true;

  project_.projectSettings().user = "changed";
  ui_.Answer(kIdYes);
  ASSERT_TRUE(controller_.Close());
  Project reread;
  ASSERT_TRUE(LoadProjectFile(reread, path, false));
  EXPECT_EQ(reread.User(), "changed");
}

TEST_F(ProjectControllerTest, NoServerAddressOffersTheSettings) {
  const std::string path = Saved("p.vdp", "");
  ui_.Answer(kIdYes);
  frame_.settingsServer = "chosen";
  ASSERT_TRUE(controller_.Open(path));
  EXPECT_EQ(Shown(0),
            "This project has no server address. Would you like to view the project properties "
            "to specify the server address.");
  EXPECT_EQ(frame_.connects, (std::vector<std::string>{"chosen:11000"}));
  EXPECT_TRUE(project_.Modified());

  // No, or settings cancelled: no connection.
  Project p2;
  FakeFrame f2;
  ScriptedUserInterface u2;
  ProjectController c2(p2, f2, u2, settings_);
  u2.Answer(kIdNo);
  ASSERT_TRUE(c2.Open(Saved("q.vdp", "")));
  EXPECT_TRUE(f2.connects.empty());
}

TEST_F(ProjectControllerTest, NewAndSaveAs) {
  ASSERT_TRUE(controller_.New());
  EXPECT_EQ(frame_.title, "Untitled - Zorvant Vandrel");
  EXPECT_FALSE(frame_.commands.count(kCommandConnect));
  EXPECT_TRUE(frame_.commands[kCommandSaveProjectAs]);
  EXPECT_EQ(tree_.At(project_.GetTreeNode()).label, "Untitled files");

  // Save of an untitled project asks for a name; cancelling saves nothing.
  EXPECT_FALSE(controller_.Save());
  const std::string path = (dir_ / "sub" / "made.vdp").string();
  std::filesystem::create_directories(dir_ / "sub");
  frame_.saveChoice = path;
  project_.SetModified(true);
  ASSERT_TRUE(controller_.Save());
  EXPECT_EQ(frame_.dialogs.back(),
            "Save Project As|Project Files (*.vdp)|vdp|" + dir_.path().string());
  EXPECT_EQ(controller_.LastDirectory(), (dir_ / "sub").string());
  EXPECT_EQ(frame_.title, "made - Zorvant Vandrel");
  EXPECT_FALSE(project_.Modified());
  EXPECT_EQ(project_.Path(), path);
  EXPECT_EQ(tree_.At(project_.GetTreeNode()).label, "made files");
  EXPECT_EQ(frame_.recent.back(), path);
  Project reread;
  ASSERT_TRUE(LoadProjectFile(reread, path, false));
  EXPECT_EQ(reread.ServerAddress(), "wizard-host");

  frame_.wizardFinishes = false;
  EXPECT_FALSE(controller_.New());
  EXPECT_FALSE(controller_.IsOpen());
}

TEST_F(ProjectControllerTest, AFailedSaveIsReportedAndKeepsTheChanges) {
  const std::string path = Saved("p.vdp");
  ASSERT_TRUE(controller_.Open(path));
  project_.SetModified(true);
  const std::string nowhere = (dir_ / "no-such-folder" / "x.vdp").string();
  EXPECT_FALSE(controller_.SaveAs(nowhere));
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(Shown(0).rfind("Error writing to file '" + nowhere + "'", 0), 0u);
  EXPECT_TRUE(project_.Modified());
  EXPECT_EQ(project_.Path(), path);
  EXPECT_EQ(frame_.recent, (std::vector<std::string>{path}));
}

}  // namespace
}  // namespace vandrel::project
