// The Template Manager over a catalogue in a temporary folder: edits on its
// pages reach the template file and the open documents that use the
// template, default templates are protected by a question, and New, Copy
// and Delete work on the files of the user templates folder.
#include "templates/ui/template_manager.h"

#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/settings_store.h"
#include "editor/ui/editor_navigator.h"
#include "editor/ui/editor_window.h"
#include "editor/ui/syntax_lexer.h"
#include "platform/install_paths.h"
#include "shell/main_frame.h"
#include "support/modal_dialog.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "templates/template_catalogue.h"

namespace vandrel::ui {
namespace {

namespace fs = std::filesystem;
using testing::ModalAnswer;
using testing::ScriptedUserInterface;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Template ReadBack(const fs::path& path) {
  Template item(path);
  EXPECT_TRUE(item.Load()) << path;
  return item;
}

template <typename Widget>
Widget* Control(const TemplateManager& manager, const char* page, const char* name) {
  QWidget* pageWidget = manager.pages()->Page(QString::fromLatin1(page));
  EXPECT_NE(pageWidget, nullptr) << page;
  auto* widget = pageWidget ? pageWidget->findChild<Widget*>(QString::fromLatin1(name)) : nullptr;
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

void Type(QLineEdit* field, const QString& text) {
  field->selectAll();
  field->insert(text);
}

// Clicks the tree item `name`, as the user would.
void Select(TemplateManager& manager, const QString& name) {
  const QList<QTreeWidgetItem*> found = manager.tree()->findItems(name, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << name.toStdString();
  manager.tree()->setCurrentItem(found.first());
}

QStringList TreeNames(const TemplateManager& manager) {
  QStringList names;
  for (int i = 0; i < manager.tree()->topLevelItemCount(); ++i)
    names << manager.tree()->topLevelItem(i)->text(0);
  return names;
}

class TemplateManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(defaults);
    fs::create_directories(user);
    Template cobol(defaults / "cobol.vdt");
    cobol.settings.Name = "COBOL";
    cobol.settings.LineComment = "*";
    cobol.settings.MPEFileSupport = kMpeSupportStandard;
    cobol.settings.MPEFileCode = 1052;
    cobol.settings.MPERecordLen = 80;
    cobol.keywords[0].Parse("MOVE\nDISPLAY", '\n', false);
    ASSERT_TRUE(cobol.Save());

    Template notes(user / "notes.vdt");
    notes.settings.Name = "Notes";
    notes.settings.CustomEdit = 1;
    notes.settings.TabStops = 4;
    notes.settings.SyntaxParser = "c.vdx";
    notes.settings.MPEType = 5;  // no type the page knows
    notes.keywords[0].Parse("int\nreturn", '\n', false);
    ASSERT_TRUE(notes.Save());
    Load();
  }

  void Load() {
    CatalogueFolders folders;
    folders.templatesFolder = defaults.string();
    folders.localTemplates = user.string();
    folders.vdxFolder = platform::DefaultExtensionsFolder().string();
    ASSERT_TRUE(catalogue.LoadCatalogue(folders, nullptr));
  }

  TemplateManagerServices Services() {
    TemplateManagerServices services;
    services.catalogue = &catalogue;
    services.ui = &ui;
    services.userTemplatesFolder = user.string();
    services.templateChanged = [this](const std::string& name) { changed.push_back(name); };
    return services;
  }

  testing::TempDir dir;
  fs::path defaults = dir / "templates";
  fs::path user = dir / "user";
  TemplateCatalogue catalogue;
  ScriptedUserInterface ui;
  std::vector<std::string> changed;
};

// The road through the frame: Tools > Templates..., edits on four pages of a
// user template, Close; the file holds them, no question was asked, and the
// open document using the template took them.
TEST_F(TemplateManagerTest, EditsOfAUserTemplateReachItsFileAndItsOpenDocuments) {
  SettingsStore store(dir / "settings.store");
  shell::MainFrame frame(&store);
  frame.SetTemplateCatalogue(&catalogue);
  frame.SetUserInterface(&ui);
  frame.settings().LocalTemplates = user.string();
  frame.resize(900, 600);
  frame.show();
  const fs::path source = dir / "main.c";
  std::ofstream(source) << "int main(void)\n{\n  return 0;\n}\n";
  ASSERT_TRUE(frame.OpenLocalFile(QString::fromStdString(source.string()), false, "Notes"));
  EditorWindow* editor = frame.ActiveEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->format().tabWidth, 4);
  EXPECT_FALSE(editor->navigator().entries().empty());  // c.vdx lists main

  {
    ModalAnswer<TemplateManager> answer([&](TemplateManager& manager) {
      EXPECT_EQ(manager.windowTitle(), "Template Manager");
      EXPECT_EQ(TreeNames(manager), QStringList({"COBOL", "Notes"}));
      EXPECT_EQ(manager.selectedName(), "COBOL");  // the first item
      Select(manager, "Notes");
      EXPECT_EQ(manager.selectedName(), "Notes");

      // Editor: the tab size.
      Control<QSpinBox>(manager, "editorPage", "tabSize")->setValue(6);
      // Keywords: typed into style 1, then style 2 is chosen.
      QPlainTextEdit* box = manager.pages()->keywordBox();
      EXPECT_EQ(box->toPlainText(), "int\nreturn");
      box->selectAll();
      box->insertPlainText("alpha\n\nbeta\n");
      manager.pages()->keywordStyle()->setCurrentIndex(1);
      EXPECT_EQ(box->toPlainText(), "");
      // Syntax and Advanced.
      Type(Control<QLineEdit>(manager, "syntaxPage", "lineComment"), "//");
      Control<QComboBox>(manager, "advancedPage", "codeNavigator")->setCurrentIndex(0);
      // MPE/iX: a standard MPE file of Byte stream records.
      Control<QCheckBox>(manager, "mpePage", "mpeSupport")->setChecked(true);
      EXPECT_TRUE(Control<QRadioButton>(manager, "mpePage", "standardFile")->isChecked());
      EXPECT_TRUE(Control<QComboBox>(manager, "mpePage", "recordType")->isEnabled());
      Control<QComboBox>(manager, "mpePage", "recordType")->setCurrentIndex(4);
      manager.closeButton()->click();
    });
    frame.RunCommand(cmd::kTemplates);
  }
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;

  const Template written = ReadBack(user / "notes.vdt");
  EXPECT_EQ(written.settings.TabStops, 6);
  EXPECT_EQ(written.keywords[0].Keywords(), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(written.keywords[1].Count(), 0u);
  EXPECT_EQ(written.settings.LineComment, "//");
  EXPECT_EQ(written.settings.SyntaxParser, "");
  EXPECT_EQ(written.settings.MPEFileSupport, kMpeSupportStandard);
  EXPECT_EQ(written.settings.MPEType, 9);
  EXPECT_EQ(written.settings, catalogue.FindTemplate("Notes")->settings);

  // The open document took the template again.
  EXPECT_EQ(editor->format().tabWidth, 6);
  EXPECT_EQ(editor->control()->scintilla()->SendScintilla(QsciScintillaBase::SCI_GETTABWIDTH), 6);
  const SyntaxRules& rules = editor->control()->lexer().rules();
  EXPECT_EQ(rules.WordStyle("alpha"), kStyleFirstKeyword);
  EXPECT_EQ(rules.WordStyle("int"), kStyleText);
  // "(none)" as the code navigator empties it.
  EXPECT_TRUE(editor->navigator().entries().empty());
  for (QMdiSubWindow* child : frame.documentArea()->subWindowList()) delete child;
}

// A default template asks before it changes: Cancel stays, Yes puts the
// edits into a new template and leaves the default's file as it was, No
// writes the default's own file. Visiting without edits asks nothing.
TEST_F(TemplateManagerTest, DefaultTemplateAsksBeforeItChanges) {
  const fs::path defaultFile = defaults / "cobol.vdt";
  const std::string before = ReadBytes(defaultFile);
  TemplateManager manager(Services());
  manager.show();
  ASSERT_EQ(manager.selectedName(), "COBOL");
  Select(manager, "Notes");
  Select(manager, "COBOL");
  EXPECT_TRUE(ui.shown().empty());

  QSpinBox* recordLength = Control<QSpinBox>(manager, "mpePage", "recordLength");
  recordLength->setValue(72);
  ui.Answer(kIdCancel);
  Select(manager, "Notes");
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_NE(ui.shown()[0].text.find("Do you want to save the changes to template 'COBOL' as a new"),
            std::string::npos);
  EXPECT_EQ(manager.selectedName(), "COBOL");
  EXPECT_EQ(manager.tree()->currentItem()->text(0), "COBOL");

  ui.Answer(kIdYes);
  {
    ModalAnswer<NewTemplateDialog> copy([](NewTemplateDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "Copy Template");
      Type(dialog.nameField(), "My COBOL");
      EXPECT_EQ(dialog.fileField()->text(), "My COBOL");
      dialog.buttons()->button(QDialogButtonBox::Ok)->click();
    });
    Select(manager, "Notes");
  }
  EXPECT_EQ(ReadBytes(defaultFile), before);
  EXPECT_EQ(catalogue.FindTemplate("COBOL")->settings.MPERecordLen, 80);
  EXPECT_EQ(ReadBack(user / "My COBOL.vdt").settings.MPERecordLen, 72);
  EXPECT_EQ(manager.selectedName(), "My COBOL");  // the new template is shown
  EXPECT_EQ(TreeNames(manager), QStringList({"COBOL", "My COBOL", "Notes"}));
  EXPECT_TRUE(changed.empty());

  Select(manager, "COBOL");
  recordLength->setValue(132);
  ui.Answer(kIdNo);
  manager.closeButton()->click();
  EXPECT_FALSE(manager.isVisible());
  EXPECT_EQ(ReadBack(defaultFile).settings.MPERecordLen, 132);
  EXPECT_EQ(changed, std::vector<std::string>{"COBOL"});
}

// New and Copy make files in the user templates folder and select them;
// Delete leaves a backup and moves the selection to the item above.
TEST_F(TemplateManagerTest, NewCopyAndDeleteWorkOnTheUserTemplatesFolder) {
  TemplateManager manager(Services());
  manager.show();
  Select(manager, "Notes");
  {
    ModalAnswer<NewTemplateDialog> name([](NewTemplateDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "New Template");
      QPushButton* ok = dialog.buttons()->button(QDialogButtonBox::Ok);
      EXPECT_FALSE(ok->isEnabled());
      Type(dialog.nameField(), "Payroll");
      EXPECT_EQ(dialog.fileField()->text(), "Payroll");
      ok->click();
    });
    manager.newButton()->click();
  }
  ASSERT_TRUE(fs::exists(user / "Payroll.vdt"));
  EXPECT_EQ(manager.selectedName(), "Payroll");
  EXPECT_EQ(ReadBack(user / "Payroll.vdt").settings.TabStops, 0);

  // Copy takes the working copy, edits not yet committed included; a taken
  // name keeps the dialog open with a warning.
  Select(manager, "Notes");
  Control<QSpinBox>(manager, "editorPage", "tabSize")->setValue(8);
  {
    ModalAnswer<NewTemplateDialog> name([this](NewTemplateDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "Copy Template");
      Type(dialog.nameField(), "payroll");
      Type(dialog.fileField(), "Notes2.VDT");
      dialog.buttons()->button(QDialogButtonBox::Ok)->click();
      EXPECT_TRUE(dialog.isVisible());
      ASSERT_FALSE(ui.shown().empty());
      EXPECT_NE(ui.shown().back().text.find("The type 'payroll' already exists"),
                std::string::npos);
      Type(dialog.nameField(), "Notes 2");
      dialog.buttons()->button(QDialogButtonBox::Ok)->click();
    });
    manager.copyButton()->click();
  }
  EXPECT_EQ(ReadBack(user / "Notes2.VDT").settings.TabStops, 8);
  EXPECT_EQ(ReadBack(user / "notes.vdt").settings.TabStops, 8);  // committed on leaving
  EXPECT_EQ(manager.selectedName(), "Notes 2");
  EXPECT_EQ(TreeNames(manager), QStringList({"COBOL", "Notes", "Notes 2", "Payroll"}));

  ui.Answer(kIdNo);
  manager.deleteButton()->click();
  EXPECT_TRUE(fs::exists(user / "Notes2.VDT"));
  ui.Answer(kIdYes);
  manager.deleteButton()->click();
  EXPECT_FALSE(fs::exists(user / "Notes2.VDT"));
  EXPECT_TRUE(fs::exists(user / "Notes2.bak"));
  EXPECT_EQ(catalogue.FindTemplate("Notes 2"), nullptr);
  EXPECT_EQ(TreeNames(manager), QStringList({"COBOL", "Notes", "Payroll"}));
  EXPECT_EQ(manager.selectedName(), "Notes");
  manager.closeButton()->click();
}

// A record type the list lacks shows no type and survives edits of the
// same page; "..." of the help file opens "Select Help File".
TEST_F(TemplateManagerTest, UnknownRecordTypeIsKeptAndHelpFileIsChosen) {
  const fs::path help = dir / "notes.hlp";
  std::ofstream(help) << "int\nThe integer type.\n";
  TemplateManager manager(Services());
  manager.show();
  Select(manager, "Notes");
  QComboBox* type = Control<QComboBox>(manager, "mpePage", "recordType");
  EXPECT_EQ(type->currentIndex(), -1);
  Control<QCheckBox>(manager, "mpePage", "mpeSupport")->setChecked(true);
  Control<QSpinBox>(manager, "mpePage", "recordLength")->setValue(256);
  QComboBox* navigator = Control<QComboBox>(manager, "advancedPage", "codeNavigator");
  EXPECT_EQ(navigator->itemText(0), "(none)");
  EXPECT_EQ(navigator->currentText(), "c.vdx");

  {
    ModalAnswer<QFileDialog> choose([&](QFileDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "Select Help File");
      EXPECT_EQ(dialog.nameFilters(), QStringList({"Help Files (*.hlp)", "All Files (*)"}));
      dialog.setDirectory(QString::fromStdString(dir.path().string()));
      dialog.selectFile(QString::fromStdString(help.string()));
      static_cast<QDialog&>(dialog).accept();
    });
    Control<QPushButton>(manager, "advancedPage", "helpBrowse")->click();
  }
  EXPECT_EQ(Control<QLineEdit>(manager, "advancedPage", "helpFile")->text().toStdString(),
            help.string());
  manager.closeButton()->click();

  const Template written = ReadBack(user / "notes.vdt");
  EXPECT_EQ(written.settings.MPEType, 5);
  EXPECT_EQ(written.settings.MPERecordLen, 256);
  EXPECT_EQ(written.settings.MPEFileSupport, kMpeSupportStandard);
  EXPECT_EQ(written.settings.SyntaxParser, "c.vdx");
  EXPECT_EQ(written.settings.ContextHelpFile, help.string());
}

}  // namespace
}  // namespace vandrel::ui
