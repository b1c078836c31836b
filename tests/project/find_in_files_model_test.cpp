#include "project/find_in_files_model.h"

#include <gtest/gtest.h>

#include "core/find_history.h"
#include "core/settings_store.h"
#include "remote/request_block.h"
#include "support/temp_dir.h"

namespace vandrel::project {
namespace {

TEST(FindInFilesModel, OpensWithTheHistoriesAndEnablesFindOnlyForThreeFittingBoxes) {
  FindInFilesModel fresh(FindInFilesSetup{});
  EXPECT_EQ(fresh.fileTypes(), "*");
  EXPECT_TRUE(fresh.subdirectories());
  EXPECT_FALSE(fresh.projectChoiceEnabled());
  EXPECT_FALSE(fresh.findEnabled());

  FindInFilesSetup setup;
  setup.wildcardHistory = {"*.cob", "*.c"};
  setup.proposedText = "PAYROLL";
  FindInFilesModel model(setup);
  EXPECT_EQ(model.fileTypes(), "*.cob");
  EXPECT_EQ(model.text(), "PAYROLL");
  EXPECT_FALSE(model.findEnabled());  // no directory yet
  EXPECT_TRUE(model.OfferCurrentDirectory("/DEV/PUB"));
  EXPECT_TRUE(model.findEnabled());
  // A directory typed (or offered) before is kept.
  EXPECT_FALSE(model.OfferCurrentDirectory("/OTHER"));
  EXPECT_EQ(model.directory(), "/DEV/PUB");

  // Limits: 127 for the text and the types, 259 for the directory. Beyond
  // them nothing is cut; the box is named and Find waits.
  model.SetText(std::string(remote::kMaxFindText, 'x'));
  EXPECT_TRUE(model.findEnabled());
  model.SetText(std::string(remote::kMaxFindText + 1, 'x'));
  EXPECT_EQ(model.OverLimit(), FindInFilesLimit::kText);
  EXPECT_NE(model.LimitText().find("127"), std::string::npos);
  EXPECT_FALSE(model.findEnabled());
  EXPECT_FALSE(model.Accept());
  EXPECT_EQ(model.text().size(), remote::kMaxFindText + 1);
  model.SetText("x");
  model.SetDirectory("/" + std::string(remote::kMaxRequestPath, 'd'));
  EXPECT_EQ(model.OverLimit(), FindInFilesLimit::kDirectory);
  EXPECT_NE(model.LimitText().find("259"), std::string::npos);
  model.SetDirectory(std::string(remote::kMaxRequestPath, 'd'));
  EXPECT_EQ(model.LimitText(), "");
  model.SetFileTypes("");
  EXPECT_FALSE(model.findEnabled());
}

TEST(FindInFilesModel, ProjectFilesOnlyNeverAsksForSubdirectories) {
  FindInFilesSetup closed;
  FindInFilesModel noProject(closed);
  noProject.SetProjectFilesOnly(true);  // not offered without a project
  EXPECT_FALSE(noProject.projectFilesOnly());

  FindInFilesSetup open;
  open.projectOpen = true;
  open.proposedText = "MOVE";
  FindInFilesModel model(open);
  model.SetDirectory("/DEV");
  model.SetProjectFilesOnly(true);
  EXPECT_FALSE(model.directoryEnabled());
  EXPECT_FALSE(model.subdirectoriesEnabled());
  EXPECT_TRUE(model.subdirectories());  // the box keeps its mark
  const std::optional<FindInFilesValues> values = model.Accept();
  ASSERT_TRUE(values);
  EXPECT_EQ(FindInFilesFlags(*values), remote::kSearchProjectFiles);
  model.SetProjectFilesOnly(false);
  EXPECT_TRUE(model.directoryEnabled());
  EXPECT_EQ(FindInFilesFlags(*model.Accept()), remote::kSearchSubdirectories);
}

TEST(FindInFilesModel, HistoriesAreSavedNewestFirstAndLoadedAgain) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  ASSERT_TRUE(SaveHistory(store, kFindHistory, "", std::vector<std::string>{"a", "b", "c"}));
  ASSERT_TRUE(SaveHistory(store, kFolderHistory, "", std::vector<std::string>{"/x"}));
  FindInFilesSetup setup = LoadFindInFilesSetup(&store);
  EXPECT_EQ(setup.findHistory, (std::vector<std::string>{"a", "b", "c"}));
  FindInFilesModel model(setup);
  model.SetText("b");
  model.SetDirectory("/y");
  ASSERT_TRUE(model.SaveHistories(store));
  const FindInFilesSetup again = LoadFindInFilesSetup(&store);
  EXPECT_EQ(again.findHistory, (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(again.wildcardHistory, (std::vector<std::string>{"*"}));
  EXPECT_EQ(again.folderHistory, (std::vector<std::string>{"/y", "/x"}));
}

}  // namespace
}  // namespace vandrel::project
