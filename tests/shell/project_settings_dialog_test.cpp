// The "Project Settings" dialog over a copy of a project: the pages follow
// the selection in its tree, a page shows what the selected items share and
// writes one change into all of them, override boxes enable what they
// guard, the output mask list rebuilds the project's masks, and only OK
// (through the caller) reaches the live project.
#include "project/ui/project_settings_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

#include "core/app_settings.h"
#include "project/project.h"
#include "project/project_operations.h"
#include "project/ui/output_mask_dialog.h"
#include "project/ui/project_settings_fields.h"
#include "project/ui/workspace_window.h"
#include "support/modal_dialog.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel::ui {
namespace {

using project::ProjectItem;
using testing::ModalAnswer;

ProjectItem* Add(ProjectItem& parent, const std::string& name, bool folder) {
  auto child = ProjectItem::Create(&parent, folder);
  child->SetName(name);
  return parent.AppendChild(std::move(child));
}

// Replaces a field's text as typing would.
void Type(QLineEdit* field, const QString& text) {
  field->selectAll();
  field->insert(text);
}

QStringList TabTitles(const QTabWidget* tabs) {
  QStringList titles;
  for (int i = 0; i < tabs->count(); ++i) titles << tabs->tabText(i);
  return titles;
}

template <typename Widget>
Widget* Find(QWidget* page, const char* name) {
  if (!page) return nullptr;
  return page->findChild<Widget*>(QString::fromLatin1(name));
}

class ProjectSettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    live_.SetPath("/p/demo.vdp");
    live_.SetLocation("/dev/");
    live_.projectSettings().outputMasks = {"C", "$(FileName):$(Line)", "custom2"};
    ProjectItem* src = Add(live_, "src", true);
    src->SetLocation("src");
    src->settings().compileFlags = project::kCompileOverride;
    src->settings().compile = "cc -c $(FileName)";
    ProjectItem* a = Add(*src, "a.c", false);
    a->settings().compileFlags = project::kCompileOverride;
    a->settings().compile = "cc a.c";
    ProjectItem* b = Add(*src, "b.c", false);
    b->settings().compileFlags = project::kCompileOverride;
    b->settings().compile = "cc b.c";
    Add(live_, "docs", true);

    for (const auto& [name, mask] : std::vector<std::pair<std::string, std::string>>{
             {"COBOL", "$(Number) $(LineNumber)"}, {"C", "$(FileName):$(Line):"}, {"Text", ""}}) {
      auto item = std::make_unique<Template>();
      item->settings.Name = name;
      item->settings.CompilerOutputMask = mask;
      catalogue_.Append(std::move(item));
    }
    services_.catalogue = &catalogue_;
    services_.settings = &settings_;
    edited_ = live_.Clone();
    src_ = edited_->Child(0);
    a_ = src_->Child(0);
    b_ = src_->Child(1);
    docs_ = edited_->Child(1);
  }

  std::unique_ptr<ProjectSettingsDialog> Open(ProjectItem& selected) {
    return std::make_unique<ProjectSettingsDialog>(*edited_, selected, services_);
  }

  project::Project live_;
  TemplateCatalogue catalogue_;
  AppSettings settings_;
  ProjectSettingsServices services_;
  std::unique_ptr<project::Project> edited_;
  ProjectItem* src_;
  ProjectItem* a_;
  ProjectItem* b_;
  ProjectItem* docs_;
};

TEST_F(ProjectSettingsDialogTest, ThePagesFollowWhatIsSelected) {
  auto dialog = Open(*b_);
  EXPECT_EQ(dialog->selection(), project::Selection{b_});
  EXPECT_EQ(WorkspaceWindow::ItemOf(dialog->tree()->currentItem()), b_);
  EXPECT_EQ(TabTitles(dialog->pages()), (QStringList{"General", "Compile", "Advanced"}));

  dialog->pages()->setCurrentIndex(1);  // "Compile" stays in front where it can
  dialog->SelectItems({src_, docs_});
  EXPECT_EQ(TabTitles(dialog->pages()), (QStringList{"General", "Build", "Compile", "Advanced"}));
  EXPECT_EQ(dialog->pages()->tabText(dialog->pages()->currentIndex()), "Compile");
  dialog->SelectItems({src_, a_});
  EXPECT_EQ(TabTitles(dialog->pages()), (QStringList{"Compile", "Advanced"}));
  dialog->SelectItems({edited_.get()});
  EXPECT_EQ(TabTitles(dialog->pages()),
            (QStringList{"Connection", "Environment", "Build", "Advanced", "MPE/iX"}));
  dialog->SelectItems({edited_.get(), a_});
  EXPECT_EQ(dialog->pages()->count(), 0);
}

TEST_F(ProjectSettingsDialogTest, TwoFilesShowWhatTheyShareAndTakeOneChangeTogether) {
  auto dialog = Open(*a_);
  dialog->SelectItems({a_, b_});
  QWidget* compile = dialog->Page("compile");
  auto* command = Find<QLineEdit>(compile, "compile");
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(command->text().isEmpty());  // "cc a.c" and "cc b.c"
  EXPECT_TRUE(command->isEnabled());       // both override
  Type(command, "cc $(FileName)");
  EXPECT_EQ(a_->settings().compile, "cc $(FileName)");
  EXPECT_EQ(b_->settings().compile, "cc $(FileName)");
  EXPECT_EQ(Find<QLabel>(compile, "compileExample")->text(), "Example: cc foo.c");
  EXPECT_EQ(live_.Child(0)->Child(0)->settings().compile, "cc a.c");  // the copy only

  // A box the items disagree on shows partly checked and guards its
  // command; a click sets it on every item.
  b_->settings().compileFlags = 0;
  dialog->SelectItems({b_});
  dialog->SelectItems({a_, b_});
  compile = dialog->Page("compile");
  auto* override = Find<QCheckBox>(compile, "overrideCompile");
  command = Find<QLineEdit>(compile, "compile");
  EXPECT_EQ(override->checkState(), Qt::PartiallyChecked);
  EXPECT_FALSE(command->isEnabled());
  override->click();
  EXPECT_EQ(override->checkState(), Qt::Checked);
  EXPECT_EQ(b_->settings().compileFlags, project::kCompileOverride);
  EXPECT_TRUE(command->isEnabled());

  // Excluding both from the build changes their pictures in the tree.
  Find<QCheckBox>(compile, "excludeFromBuild")->click();
  EXPECT_EQ(WorkspaceWindow::NodeItem(b_->GetTreeNode())->data(0, WorkspaceWindow::kImageRole),
            project::kImageFileOwnCommandExcluded);

  // The macro button inserts at the caret, replacing the selection.
  auto* field = Find<MacroCommandField>(compile, "compileField")->edit();
  field->setSelection(3, 11);  // "$(FileName)"
  const QList<QAction*> macros = Find<QWidget>(compile, "compileMacros")->findChildren<QAction*>();
  for (QAction* action : macros) {
    if (action->text() == "File Path") action->trigger();
  }
  EXPECT_EQ(a_->settings().compile, "cc $(FilePath)");
}

TEST_F(ProjectSettingsDialogTest, GeneralPageRenamesOnlyWhenAllowedAndRelabelsTheNode) {
  auto dialog = Open(*a_);
  QWidget* general = dialog->Page("fileGeneral");
  EXPECT_TRUE(Find<QLineEdit>(general, "name")->isReadOnly());
  EXPECT_EQ(Find<QLineEdit>(general, "resolvedLocation")->text(), "/dev/src/a.c");
  EXPECT_FALSE(Find<QWidget>(general, "browseDirectory")->isEnabled());
  EXPECT_EQ(Find<QComboBox>(general, "template")->currentText(), "(auto-detect)");

  settings_.AllowProjectRename = 1;
  std::string browsedFrom;
  services_.browseFolder = [&](const std::string& start) -> std::optional<std::string> {
    browsedFrom = start;
    return std::string("/dev/src/lib");
  };
  dialog.reset();
  dialog = Open(*a_);
  general = dialog->Page("fileGeneral");
  auto* name = Find<QLineEdit>(general, "name");
  ASSERT_FALSE(name->isReadOnly());
  Type(name, "z.c");
  EXPECT_EQ(a_->Name(), "z.c");
  EXPECT_EQ(WorkspaceWindow::NodeItem(a_->GetTreeNode())->text(0), "z.c");
  EXPECT_EQ(Find<QLineEdit>(general, "resolvedLocation")->text(), "/dev/src/z.c");
  Find<QToolButton>(general, "browseDirectory")->click();
  EXPECT_EQ(browsedFrom, "/dev/src/");
  EXPECT_EQ(a_->Location(), "lib");
  EXPECT_EQ(Find<QLineEdit>(general, "directory")->text(), "lib");
  EXPECT_EQ(Find<QLineEdit>(general, "resolvedLocation")->text(), "/dev/src/lib/z.c");
  Find<QComboBox>(general, "template")->textActivated("COBOL");
  EXPECT_EQ(a_->settings().type, "COBOL");
}

TEST_F(ProjectSettingsDialogTest, OverrideAndUdcBoxesEnableWhatTheyGuard) {
  auto dialog = Open(*src_);
  QWidget* build = dialog->Page("folderBuild");
  auto* command = Find<QLineEdit>(build, "build");
  auto* compileContents = Find<QCheckBox>(build, "compileContents");
  EXPECT_FALSE(command->isEnabled());
  EXPECT_FALSE(compileContents->isEnabled());
  EXPECT_TRUE(Find<QCheckBox>(build, "excludeFromParentBuild")->isEnabled());
  Find<QCheckBox>(build, "overrideBuild")->click();
  EXPECT_TRUE(command->isEnabled());
  EXPECT_TRUE(compileContents->isEnabled());
  EXPECT_EQ(src_->settings().buildFlags, project::kBuildOverride);

  QWidget* advanced = dialog->Page("itemAdvanced");
  auto* token = Find<QComboBox>(advanced, "cobolToken");
  EXPECT_FALSE(token->isEnabled());
  EXPECT_EQ(token->count(), 4);  // the offered masks
  Find<QCheckBox>(advanced, "overrideCobolToken")->click();
  ASSERT_TRUE(token->isEnabled());
  Type(token->lineEdit(), "X%%Y");
  EXPECT_EQ(src_->settings().cobolToken, "X%%Y");
  EXPECT_EQ(Find<QLabel>(advanced, "cobolTokenExample")->text(), "Example: X%Y");
  EXPECT_EQ(token->lineEdit()->maxLength(), 15);

  dialog->SelectItems({edited_.get()});
  QWidget* mpe = dialog->Page("mpe");
  auto* logon = Find<QGroupBox>(mpe, "logonUdc");
  EXPECT_FALSE(logon->isEnabled());
  EXPECT_EQ(Find<QCheckBox>(mpe, "fileLocking"), nullptr);
  Find<QCheckBox>(mpe, "udcEnabled")->click();
  EXPECT_TRUE(logon->isEnabled());
  Find<QCheckBox>(mpe, "udcAccount")->click();
  EXPECT_EQ(edited_->projectSettings().udcLogon, project::kUdcSystem | project::kUdcUser);

  QWidget* connection = dialog->Page("connection");
  auto* password = Find<QLineEdit>(connection, "password");
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Find<QLabel>(connection, "passwordEncrypted")->text(), "(encrypted)");
  Type(Find<QLineEdit>(connection, "port"), "70000");  // refused
  EXPECT_EQ(edited_->Port(), 11000);
  Type(Find<QLineEdit>(connection, "server"), "hp3000");
  EXPECT_EQ(edited_->ServerAddress(), "hp3000");

  settings_.SpecialOptions = 1;
  dialog.reset();
  dialog = Open(*edited_);
  EXPECT_NE(Find<QCheckBox>(dialog->Page("mpe"), "fileLocking"), nullptr);
}

TEST_F(ProjectSettingsDialogTest, OutputMaskListRebuildsTheProjectsMasks) {
  auto dialog = Open(*edited_);
  QWidget* build = dialog->Page("projectBuild");
  auto* list = Find<QListWidget>(build, "outputMasks");
  auto* remove = Find<QPushButton>(build, "removeMask");
  ASSERT_EQ(list->count(), 4);  // COBOL, C, then the two custom masks
  EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
  EXPECT_FALSE(list->item(2)->flags() & Qt::ItemIsUserCheckable);

  list->item(1)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(edited_->projectSettings().outputMasks,
            (std::vector<std::string>{"$(FileName):$(Line)", "custom2"}));
  list->item(0)->setCheckState(Qt::Checked);
  EXPECT_EQ(edited_->projectSettings().outputMasks,
            (std::vector<std::string>{"COBOL", "$(FileName):$(Line)", "custom2"}));

  list->setCurrentRow(0);
  EXPECT_FALSE(remove->isEnabled());
  list->setCurrentRow(2);
  EXPECT_TRUE(remove->isEnabled());
  remove->click();
  EXPECT_EQ(edited_->projectSettings().outputMasks, (std::vector<std::string>{"COBOL", "custom2"}));

  // "Add": the token list explains and inserts tokens at the mask's caret.
  {
    ModalAnswer<OutputMaskDialog> answer([](OutputMaskDialog& mask) {
      EXPECT_EQ(mask.windowTitle(), "Custom Output Mask");
      EXPECT_FALSE(mask.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
      mask.maskField()->setText("():");
      mask.maskField()->setCursorPosition(0);
      mask.tokens()->setCurrentRow(7);
      EXPECT_EQ(mask.description()->text(),
                "The filename containing the error on the specified line (see above).");
      mask.InsertToken(7);
      mask.maskField()->setCursorPosition(mask.maskField()->text().indexOf('(', 2) + 1);
      mask.InsertToken(5);
      EXPECT_EQ(mask.mask(), "$(FileName)($(Line)):");
      mask.accept();
    });
    Find<QPushButton>(build, "addMask")->click();
  }
  EXPECT_EQ(edited_->projectSettings().outputMasks,
            (std::vector<std::string>{"COBOL", "custom2", "$(FileName)($(Line)):"}));
  EXPECT_EQ(list->currentRow(), 3);
}

TEST_F(ProjectSettingsDialogTest, OnlyOkThroughTheCallerReachesTheLiveProject) {
  const project::ItemSettings before = live_.Child(0)->Child(1)->settings();
  {
    ModalAnswer<ProjectSettingsDialog> answer([](ProjectSettingsDialog& dialog) {
      Type(Find<QLineEdit>(dialog.Page("compile"), "compile"), "changed");
      dialog.reject();
    });
    EXPECT_FALSE(ShowProjectSettings(nullptr, *edited_, *b_, services_));
  }
  EXPECT_EQ(live_.Child(0)->Child(1)->settings(), before);
  EXPECT_EQ(edited_->TreeView(), nullptr);  // the copy outlives the dialog's tree

  edited_ = live_.Clone();
  ProjectItem* b = edited_->Child(0)->Child(1);
  {
    ModalAnswer<ProjectSettingsDialog> answer([](ProjectSettingsDialog& dialog) {
      Type(Find<QLineEdit>(dialog.Page("compile"), "compile"), "cc -g b.c");
      dialog.buttons()->button(QDialogButtonBox::Ok)->click();
    });
    ASSERT_TRUE(ShowProjectSettings(nullptr, *edited_, *b, services_));
  }
  project::ApplyProjectSettings(live_, *edited_);
  EXPECT_EQ(live_.Child(0)->Child(1)->settings().compile, "cc -g b.c");
  EXPECT_TRUE(live_.Modified());
}

}  // namespace
}  // namespace vandrel::ui
