#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/app_settings.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "project/ui/getting_started_dialog.h"
#include "shell/splash_window.h"
#include "shell/tip_dialog.h"
#include "support/modal_dialog.h"
#include "support/temp_dir.h"
#include "templates/template_catalogue.h"
#include "templates/ui/new_file_dialog.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using testing::ModalAnswer;
using Strings = std::vector<std::string>;

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  testing::WriteBytes(path, {'x'});
}

// ---- New File ------------------------------------------------------------

class NewFileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Add("Ansi - C", kMpeSupportNone);
    Add("COBOL MPE", kMpeSupportStandard);
    Add("Qedit COBOL", kMpeSupportQedit);
    Add("Ansi - Pascal", kMpeSupportNone);
  }
  void Add(const std::string& name, int support) {
    auto item = std::make_unique<Template>();
    item->settings.Name = name;
    item->settings.MPEFileSupport = support;
    catalogue_.Append(std::move(item));
  }
  static Strings Texts(const ui::NewFileDialog& dialog) {
    Strings texts;
    for (int row = 0; row < dialog.listWidget()->count(); ++row)
      texts.push_back(dialog.listWidget()->item(row)->text().toStdString());
    return texts;
  }
  TemplateCatalogue catalogue_;
};

TEST_F(NewFileDialogTest, EachTabListsItsTemplates) {
  ui::NewFileDialog dialog(catalogue_);
  ASSERT_EQ(dialog.tabBar()->count(), 3);
  EXPECT_EQ(dialog.tabBar()->tabText(0), "General");
  EXPECT_EQ(dialog.tabBar()->tabText(1), "MPE/iX");
  EXPECT_EQ(dialog.tabBar()->tabText(2), QString::fromUtf8("Robelle Qedit\xC2\xAE"));
  EXPECT_EQ(dialog.windowTitle(), "New File");

  EXPECT_EQ(dialog.currentTab(), ui::NewFileDialog::kGeneralTab);
  EXPECT_EQ(Texts(dialog), (Strings{"Normal", "Ansi - C", "Ansi - Pascal"}));
  dialog.setCurrentTab(ui::NewFileDialog::kStandardTab);
  EXPECT_EQ(Texts(dialog), (Strings{"COBOL MPE"}));
  dialog.setCurrentTab(ui::NewFileDialog::kQeditTab);
  EXPECT_EQ(Texts(dialog), (Strings{"Qedit COBOL"}));
  EXPECT_EQ(dialog.items().front().image, kImageQeditTemplate);
  dialog.setCurrentTab(ui::NewFileDialog::kGeneralTab);
  EXPECT_EQ(Texts(dialog), (Strings{"Normal", "Ansi - C", "Ansi - Pascal"}));

  // An empty catalogue still offers the plain document.
  TemplateCatalogue empty;
  ui::NewFileDialog bare(empty);
  EXPECT_EQ(Texts(bare), (Strings{"Normal"}));
  bare.setCurrentTab(ui::NewFileDialog::kStandardTab);
  EXPECT_TRUE(Texts(bare).empty());
}

TEST_F(NewFileDialogTest, OkTakesTheSelectionAndDoesNothingWithout) {
  ui::NewFileDialog dialog(catalogue_);
  dialog.show();
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.chosenTemplate().has_value());

  // A selection does not survive a change of tab.
  ASSERT_TRUE(dialog.selectItem("Ansi - C"));
  dialog.setCurrentTab(ui::NewFileDialog::kStandardTab);
  EXPECT_FALSE(dialog.selectedTemplate().has_value());
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.selectItem("Ansi - C"));

  dialog.setCurrentTab(ui::NewFileDialog::kGeneralTab);
  ASSERT_TRUE(dialog.selectItem("Normal"));
  dialog.accept();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.chosenTemplate(), "(none)");  // the plain document
}

TEST_F(NewFileDialogTest, DoubleClickChoosesAndChooseRunsTheDialog) {
  ui::NewFileDialog dialog(catalogue_);
  dialog.show();
  dialog.setCurrentTab(ui::NewFileDialog::kQeditTab);
  QListWidgetItem* item = dialog.listWidget()->item(0);
  emit dialog.listWidget()->itemDoubleClicked(item);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.chosenTemplate(), "Qedit COBOL");

  {
    ModalAnswer<ui::NewFileDialog> answer([](ui::NewFileDialog& modal) {
      modal.setCurrentTab(ui::NewFileDialog::kStandardTab);
      modal.selectItem("COBOL MPE");
      modal.accept();
    });
    EXPECT_EQ(ui::NewFileDialog::Choose(nullptr, catalogue_), "COBOL MPE");
  }
  {
    ModalAnswer<ui::NewFileDialog> answer([](ui::NewFileDialog& modal) {
      modal.selectItem("Ansi - C");
      modal.reject();
    });
    EXPECT_FALSE(ui::NewFileDialog::Choose(nullptr, catalogue_).has_value());
  }
}

// ---- Getting Started -----------------------------------------------------

class GettingStartedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Touch(dir_ / "work" / "payroll.vdp");
    Touch(dir_ / "other" / "payroll.vdp");
    Touch(dir_ / "ledger.vdp");
    fs::create_directories(dir_ / "folder.vdp");
  }
  // Adds the entries so that the first given ends up first.
  void SetRecent(const Strings& entries) {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
      ASSERT_TRUE(RecentListAdd(store_, kRecentProjects, *it));
  }
  std::string P(const std::string& relative) { return (dir_ / relative).string(); }
  static Strings ListTexts(const ui::GettingStartedDialog& dialog) {
    Strings texts;
    for (int row = 0; row < dialog.projectList()->count(); ++row)
      texts.push_back(dialog.projectList()->item(row)->text().toStdString());
    return texts;
  }

  testing::TempDir dir_;
  SettingsStore store_{dir_ / "settings.reg"};
  AppSettings settings_;
};

using Action = ui::GettingStartedResult::Action;

TEST_F(GettingStartedTest, ListsTheFirstNineRecentProjectsThatStillExist) {
  Strings recent{P("gone.vdp"), P("work/payroll.vdp"), P("folder.vdp"), P("other/payroll.vdp")};
  for (int i = 0; i < 5; ++i) recent.push_back(P("gone" + std::to_string(i) + ".vdp"));
  recent.push_back(P("ledger.vdp"));  // the tenth entry is not offered
  ASSERT_EQ(recent.size(), 10u);
  SetRecent(recent);

  EXPECT_EQ(ui::ExistingRecentProjects(store_),
            (Strings{P("work/payroll.vdp"), P("other/payroll.vdp")}));
  ui::GettingStartedDialog dialog(settings_, store_);
  EXPECT_EQ(dialog.windowTitle(), "Getting Started");
  // Shown by file name; each entry keeps its own folder.
  EXPECT_EQ(ListTexts(dialog), (Strings{"payroll.vdp", "payroll.vdp"}));
  EXPECT_EQ(dialog.projects(), (Strings{P("work/payroll.vdp"), P("other/payroll.vdp")}));

  SettingsStore empty(dir_ / "empty.reg");
  ui::GettingStartedDialog none(settings_, empty);
  EXPECT_EQ(none.projectList()->count(), 0);
}

TEST_F(GettingStartedTest, ChoiceIsPresetFromTheSetting) {
  for (int stored : {0, 1, 2}) {
    settings_.GettingStarted = stored;
    ui::GettingStartedDialog dialog(settings_, store_);
    EXPECT_EQ(dialog.choice(), stored);
  }
  settings_.GettingStarted = 7;  // not one of the choices
  ui::GettingStartedDialog dialog(settings_, store_);
  EXPECT_EQ(dialog.choice(), ui::kStartNewProject);
}

TEST_F(GettingStartedTest, OkOpensTheSelectedProjectAndNeedsOne) {
  SetRecent({P("ledger.vdp"), P("work/payroll.vdp")});
  settings_.GettingStarted = ui::kStartOpenExisting;
  ui::GettingStartedDialog dialog(settings_, store_);
  dialog.show();
  settings_.GettingStarted = 99;  // shows whether OK stored anything

  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result().action, Action::kCancelled);
  EXPECT_EQ(settings_.GettingStarted, 99);

  dialog.selectProject(1);
  dialog.accept();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(),
            (ui::GettingStartedResult{Action::kOpenProject, P("work/payroll.vdp")}));
  EXPECT_EQ(settings_.GettingStarted, ui::kStartOpenExisting);
}

TEST_F(GettingStartedTest, OkWithTheOtherChoicesStoresThem) {
  SetRecent({P("gone.vdp"), P("ledger.vdp")});
  {
    ui::GettingStartedDialog dialog(settings_, store_);
    dialog.setChoice(ui::kStartNewProject);
    dialog.accept();
    EXPECT_EQ(dialog.result(), (ui::GettingStartedResult{Action::kNewProject, {}}));
    EXPECT_EQ(settings_.GettingStarted, ui::kStartNewProject);
  }
  {
    ui::GettingStartedDialog dialog(settings_, store_);
    dialog.setChoice(ui::kStartOpenLast);
    dialog.accept();
    // The most recent entry, as the list holds it.
    EXPECT_EQ(dialog.result(), (ui::GettingStartedResult{Action::kOpenMostRecent, P("gone.vdp")}));
    EXPECT_EQ(settings_.GettingStarted, ui::kStartOpenLast);
  }
  {
    SettingsStore empty(dir_ / "empty.reg");
    ui::GettingStartedDialog dialog(settings_, empty);
    dialog.setChoice(ui::kStartOpenLast);
    dialog.accept();
    EXPECT_EQ(dialog.result(), (ui::GettingStartedResult{Action::kOpenMostRecent, {}}));
  }
}

TEST_F(GettingStartedTest, DoubleClickBrowseCancelAndHelp) {
  SetRecent({P("ledger.vdp")});
  settings_.GettingStarted = ui::kStartNewProject;
  {
    ui::GettingStartedDialog dialog(settings_, store_);
    dialog.show();
    emit dialog.projectList()->itemDoubleClicked(dialog.projectList()->item(0));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), (ui::GettingStartedResult{Action::kOpenProject, P("ledger.vdp")}));
    EXPECT_EQ(settings_.GettingStarted, ui::kStartOpenExisting);
  }
  settings_.GettingStarted = ui::kStartNewProject;
  {
    ui::GettingStartedDialog dialog(settings_, store_);
    dialog.show();
    dialog.setChoice(ui::kStartOpenLast);
    dialog.browseButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result().action, Action::kBrowse);
    EXPECT_EQ(settings_.GettingStarted, ui::kStartNewProject);
  }
  {
    ui::GettingStartedDialog dialog(settings_, store_);
    dialog.show();
    dialog.setChoice(ui::kStartOpenLast);
    std::vector<int> topics;
    QObject::connect(&dialog, &ui::GettingStartedDialog::helpRequested,
                     [&topics](int topic) { topics.push_back(topic); });
    dialog.helpButton()->click();
    EXPECT_EQ(topics, std::vector<int>{1004});
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject();
    EXPECT_EQ(dialog.result().action, Action::kCancelled);
    EXPECT_EQ(settings_.GettingStarted, ui::kStartNewProject);
  }
}

// ---- Tip of the Day ------------------------------------------------------

class TipDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string text = "[Tips]\n1=First\n2=Second\\nline\\ttab\n3=Third\n";
    testing::WriteBytes(tipFile_, {text.begin(), text.end()});
    settings_.FirstRun = 0;
  }
  testing::TempDir dir_;
  fs::path tipFile_ = dir_ / "Vandrel.tip";
  AppSettings settings_;
};

TEST_F(TipDialogTest, ShowsTheNextTipAndMovesOn) {
  settings_.NextTipNumber = 2;
  shell::TipDialog dialog(settings_, tipFile_);
  EXPECT_EQ(dialog.headingLabel()->text(), "Did you know...");
  EXPECT_TRUE(dialog.headingLabel()->font().bold());
  EXPECT_EQ(dialog.headingLabel()->font().pointSize(), 14);
  EXPECT_EQ(dialog.nextTipButton()->text(), "&Next Tip");
  EXPECT_EQ(dialog.showAtStartupBox()->text(), "&Show tips at startup");

  EXPECT_EQ(dialog.tipText(), "Second\nline\ttab");
  EXPECT_EQ(settings_.NextTipNumber, 3);
  dialog.nextTipButton()->click();
  EXPECT_EQ(dialog.tipText(), "Third");
  dialog.nextTipButton()->click();
  EXPECT_EQ(dialog.tipText(), "First");
  EXPECT_EQ(settings_.NextTipNumber, 2);
}

TEST_F(TipDialogTest, TheBoxGoesToShowTipsWhenTheDialogCloses) {
  settings_.ShowTips = 1;
  shell::TipDialog dialog(settings_, tipFile_);
  dialog.show();
  EXPECT_TRUE(dialog.showAtStartupBox()->isChecked());
  dialog.showAtStartupBox()->setChecked(false);
  EXPECT_EQ(settings_.ShowTips, 1);
  dialog.reject();
  EXPECT_EQ(settings_.ShowTips, 0);

  // Offered at start-up only while ShowTips is set; the Help menu forces it.
  EXPECT_FALSE(shell::TipDialog::Offer(settings_, tipFile_, nullptr, false));
  {
    ModalAnswer<shell::TipDialog> answer([](shell::TipDialog& modal) {
      modal.showAtStartupBox()->setChecked(true);
      modal.accept();
    });
    EXPECT_TRUE(shell::TipDialog::Offer(settings_, tipFile_, nullptr, true));
  }
  EXPECT_EQ(settings_.ShowTips, 1);
}

TEST_F(TipDialogTest, FirstRunStartsAtTheFirstTipAndAMissingFileSaysSo) {
  settings_.FirstRun = 1;
  settings_.ShowTips = 0;
  settings_.NextTipNumber = 3;
  {
    shell::TipDialog dialog(settings_, tipFile_);
    EXPECT_EQ(dialog.tipText(), "First");
    EXPECT_TRUE(dialog.showAtStartupBox()->isChecked());
    EXPECT_EQ(settings_.NextTipNumber, 2);
  }
  settings_.FirstRun = 0;
  settings_.NextTipNumber = 5;
  shell::TipDialog dialog(settings_, dir_ / "missing.tip");
  EXPECT_FALSE(dialog.tipText().isEmpty());
  EXPECT_EQ(settings_.NextTipNumber, 2);
}

// ---- Splash window -------------------------------------------------------

TEST(SplashWindowTest, ShowsProductAndVersionAndClosesWhenAsked) {
  shell::SplashWindow splash(QStringLiteral("9.8.7"));
  EXPECT_EQ(splash.productText(), "Zorvant Vandrel");
  EXPECT_EQ(splash.versionText(), "9.8.7");
  EXPECT_EQ(shell::SplashWindow().versionText(), QStringLiteral(VANDREL_VERSION));
  EXPECT_FALSE(splash.pixmap().isNull());
  EXPECT_EQ(splash.pixmap().deviceIndependentSize().toSize(),
            QSize(shell::SplashWindow::kWidth, shell::SplashWindow::kHeight));
  // The version is painted: cards for two versions differ.
  EXPECT_NE(shell::SplashWindow::PaintCard("P", "1").toImage(),
            shell::SplashWindow::PaintCard("P", "2").toImage());

  splash.show();
  int finished = 0;
  QObject::connect(&splash, &shell::SplashWindow::finished, [&finished] { ++finished; });
  splash.closeAfter(0);
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(splash.isVisible());
}

}  // namespace
}  // namespace vandrel
