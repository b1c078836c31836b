// The new project wizard's rules: which page follows which for the hosts
// that ask for a logon or not and are MPE/iX or not, where Back leads, the
// "Connection History", and what Finish puts into the project – the root
// alone, the password only when it is to be saved, the four folders in
// order with every chosen file in the first, each keeping its directory.
#include "project/new_project_wizard_model.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "support/temp_dir.h"

namespace vandrel::project {
namespace {

using P = WizardPage;

remote::RequestBlock Connected(std::int32_t hostKind, std::int32_t flags = 0) {
  remote::RequestBlock block;
  block.kind = remote::kRequestConnect;
  block.status = remote::kStatusSuccess;
  block.hostKind = hostKind;
  block.securityFlags = flags;
  return block;
}

AddFilesChoice Chosen(std::string directory, std::vector<std::string> names) {
  AddFilesChoice choice;
  choice.directory = std::move(directory);
  choice.names = std::move(names);
  choice.templateName = "COBOL";
  return choice;
}

TEST(NewProjectWizardModel, PageFlowFollowsTheLogonAndTheHostKind) {
  NewProjectWizardModel model({"hp3000.example", "other"});
  EXPECT_EQ(model.values().server, "hp3000.example");
  EXPECT_EQ(model.values().port, 11000);
  EXPECT_EQ(model.values().udcLogon, 7);
  EXPECT_TRUE(model.values().createDefaultFolders);
  EXPECT_EQ(model.NextPage(P::kServer), P::kConnecting);
  EXPECT_EQ(model.BackFrom(P::kServer), std::nullopt);

  // A POSIX host without a logon: no Security page, never the MPE/iX page;
  // Back from the root closes the connection.
  model.ConnectionEnded(Connected(2));
  EXPECT_EQ(model.NextPage(P::kConnecting), P::kProjectRoot);
  EXPECT_EQ(model.NextPage(P::kProjectRoot), P::kInitialFiles);
  EXPECT_EQ(model.BackFrom(P::kProjectRoot), (WizardBackStep{P::kServer, true}));
  EXPECT_EQ(model.BackFrom(P::kInitialFiles), (WizardBackStep{P::kProjectRoot, false}));
  EXPECT_EQ(model.NextPage(P::kInitialFiles), std::nullopt);
  EXPECT_TRUE(NewProjectWizardModel::CanFinish(P::kInitialFiles));
  EXPECT_FALSE(NewProjectWizardModel::CanFinish(P::kProjectRoot));

  // A POSIX host that asks for a logon: the Security page without the
  // MPE/iX hints, then the root.
  model.ConnectionClosed();
  model.LoginAsked(2);
  EXPECT_EQ(model.NextPage(P::kConnecting), P::kSecurity);
  EXPECT_FALSE(model.ShowsMpeHints());
  model.ConnectionEnded(Connected(2, remote::kSecurityLoginRequired));
  EXPECT_EQ(model.NextPage(P::kSecurity), P::kProjectRoot);

  // An MPE/iX host that asks: hints, then the MPE/iX page; Back from it (and
  // from Security) closes the connection, Back from the root returns to it.
  model.ConnectionClosed();
  model.LoginAsked(remote::kHostKindMpe);
  EXPECT_TRUE(model.ShowsMpeHints());
  EXPECT_EQ(model.BackFrom(P::kSecurity), (WizardBackStep{P::kServer, true}));
  model.ConnectionEnded(Connected(remote::kHostKindMpe, 0x1A));
  EXPECT_EQ(model.NextPage(P::kSecurity), P::kMpe);
  EXPECT_EQ(model.NextPage(P::kMpe), P::kProjectRoot);
  EXPECT_EQ(model.BackFrom(P::kMpe), (WizardBackStep{P::kServer, true}));
  EXPECT_EQ(model.BackFrom(P::kProjectRoot), (WizardBackStep{P::kMpe, false}));

  // An MPE/iX host without a logon goes straight to the project root; Back
  // from there offers its options.
  model.ConnectionClosed();
  model.ConnectionEnded(Connected(remote::kHostKindMpe, 0x18));
  EXPECT_EQ(model.NextPage(P::kConnecting), P::kProjectRoot);
  EXPECT_EQ(model.BackFrom(P::kProjectRoot), (WizardBackStep{P::kMpe, false}));

  // A failed attempt: the failure page, which leads only back to the start.
  model.ConnectionClosed();
  remote::RequestBlock failed;
  failed.status = remote::kStatusConnectFailed;
  model.ConnectionEnded(failed);
  EXPECT_EQ(model.NextPage(P::kConnecting), P::kConnectionFailed);
  EXPECT_EQ(model.NextPage(P::kConnectionFailed), std::nullopt);
  EXPECT_EQ(model.BackFrom(P::kConnectionFailed), (WizardBackStep{P::kServer, true}));
  EXPECT_EQ(model.BackFrom(P::kConnecting), (WizardBackStep{P::kServer, true}));
}

TEST(NewProjectWizardModel, FinishWithoutFoldersOrFilesGivesTheRootAloneAndNoUnsavedPassword) {
  NewProjectWizardModel model;
  model.LoginAsked(2);
  model.ConnectionEnded(Connected(2, remote::kSecurityLoginRequired));
  WizardValues& values = model.values();
  values.server = "10.0.0.7";
  values.port = 11001;
  values.user = "bob";
  values.password = "hunter2";
  values.savePassword = false;
  // Options of an MPE/iX page this host never showed are not taken.
  values.hpfsSupport = true;
  values.createDefaultFolders = false;
  model.SetRoot("/home/bob");

  Project project;
  EXPECT_EQ(model.Finish(project), nullptr);
  EXPECT_EQ(project.ChildCount(), 0u);
  EXPECT_EQ(project.RootDirectory(), "/home/bob");
  EXPECT_EQ(project.ServerAddress(), "10.0.0.7");
  EXPECT_EQ(project.Port(), 11001);
  EXPECT_EQ(project.User(), "bob");
  EXPECT_EQ(project.Password(), "");
  EXPECT_EQ(project.projectSettings().hpfsSupport, 0);
  EXPECT_TRUE(project.Modified());

  // A root longer than the field keeps 259 characters.
  model.SetRoot(std::string(300, 'r'));
  EXPECT_EQ(model.values().root.size(), 259u);
}

TEST(NewProjectWizardModel, FinishPutsTheFilesInTheFirstOfTheFourFoldersKeepingTheirDirectories) {
  NewProjectWizardModel model;
  model.LoginAsked(remote::kHostKindMpe);
  model.ConnectionEnded(Connected(remote::kHostKindMpe, 0x1A));
  WizardValues& values = model.values();
  values.user = "BOB.DEV";
  values.password = "pw";
  values.savePassword = true;
  values.hpfsSupport = true;
  values.udcEnabled = true;
  values.posixShell = true;
  values.udcLogon = 4;
  model.SetRoot("/DEV/PUB");
  EXPECT_EQ(model.AddFiles(Chosen("/DEV/PUB", {"PROG", "COPYLIB"})), 2);
  EXPECT_EQ(model.AddFiles(Chosen("/DEV/PUB/SUB", {"INNER"})), 1);
  EXPECT_EQ(model.AddFiles(Chosen("/SYS/PUB", {"OUTSIDE", "GONE"})), 2);
  model.RemoveFiles({4});
  EXPECT_EQ(model.FileNames(), (std::vector<std::string>{"PROG", "COPYLIB", "INNER", "OUTSIDE"}));
  // The root is changed after the files were chosen: they stay where they are.
  model.SetRoot("/DEV");

  Project project;
  ProjectItem* first = model.Finish(project);
  ASSERT_EQ(project.ChildCount(), 4u);
  EXPECT_EQ(first, project.Child(0));
  const std::vector<std::string> folders = {"Source Files", "Include Files", "External Files",
                                            "Dependancies"};
  for (std::size_t i = 0; i < folders.size(); ++i) {
    EXPECT_EQ(project.Child(i)->Name(), folders[i]);
    EXPECT_TRUE(project.Child(i)->IsFolder());
  }
  ASSERT_EQ(first->ChildCount(), 4u);
  EXPECT_EQ(*first->Child(0)->FullPath(), "/DEV/PUB/PROG");
  EXPECT_EQ(*first->Child(1)->FullPath(), "/DEV/PUB/COPYLIB");
  EXPECT_EQ(*first->Child(2)->FullPath(), "/DEV/PUB/SUB/INNER");
  EXPECT_EQ(*first->Child(3)->FullPath(), "/SYS/PUB/OUTSIDE");
  EXPECT_EQ(first->Child(0)->settings().type, "COBOL");
  EXPECT_EQ(model.FileNames(), std::vector<std::string>{});

  const ProjectSettings& p = project.projectSettings();
  EXPECT_EQ(project.RootDirectory(), "/DEV");
  EXPECT_EQ(p.user, "BOB.DEV");
  EXPECT_EQ(p.password, "pw");
  EXPECT_EQ(p.hpfsSupport, 1);
  EXPECT_EQ(p.udcEnabled, 1);
  EXPECT_EQ(p.posixShell, 1);
  EXPECT_EQ(p.udcLogon, 4);
}

TEST(NewProjectWizardModel, TheServerGoesFirstInTheConnectionHistory) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  NewProjectWizardModel first(NewProjectWizardModel::LoadConnectionHistory(&store));
  EXPECT_EQ(first.values().server, "");
  first.values().server = "alpha";
  ASSERT_TRUE(first.RememberServer(&store));
  first.values().server = "beta";
  ASSERT_TRUE(first.RememberServer(&store));
  first.values().server = "alpha";
  ASSERT_TRUE(first.RememberServer(&store));

  NewProjectWizardModel next(NewProjectWizardModel::LoadConnectionHistory(&store));
  EXPECT_EQ(next.connectionHistory(), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(next.values().server, "alpha");
}

TEST(NewProjectWizardModel, TheLoginPromptWaitsForThePageAndClosingAnswersNothing) {
  std::promise<remote::LoginForm> asked;
  WizardLoginPrompt prompt([&](const remote::LoginForm& form) { asked.set_value(form); });
  auto answer = std::async(std::launch::async, [&] {
    remote::LoginForm form = remote::MakeLoginForm(false, "", "");
    form.hostKind = 2;
    return prompt.AskLogin(form);
  });
  EXPECT_EQ(asked.get_future().get().hostKind, 2);
  prompt.Answer(remote::LoginAnswer{"bob", "pw", true});
  const std::optional<remote::LoginAnswer> given = answer.get();
  ASSERT_TRUE(given);
  EXPECT_EQ(given->userName, "bob");

  // Closed while the attempt waits: it gets nothing, and so does any later ask.
  WizardLoginPrompt waiting(nullptr);
  auto cancelled = std::async(
      std::launch::async, [&] { return waiting.AskLogin(remote::MakeLoginForm(true, "", "")); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  waiting.Close();
  EXPECT_EQ(cancelled.get(), std::nullopt);
  EXPECT_EQ(waiting.AskLogin(remote::MakeLoginForm(true, "", "")), std::nullopt);
}

}  // namespace
}  // namespace vandrel::project
