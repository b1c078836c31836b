// Options... in the frame: OK stores the settings, the tools and the
// default character map, and every open editor takes the new font and
// colours at once; the NLS page and the map editor keep their rules; the
// Tools page edits the list and Cancel keeps everything.
#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>

#include "core/main_menu.h"
#include "core/settings_store.h"
#include "documents/character_maps.h"
#include "documents/ui/character_map_dialog.h"
#include "documents/ui/nls_options_page.h"
#include "editor/ui/editor_window.h"
#include "editor/ui/qsci_edit_control.h"
#include "project/ui/tools_options_page.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/modal_dialog.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "templates/tools/tool_list.h"
#include "templates/ui/options_dialog.h"

namespace vandrel::shell {
namespace {

using testing::ModalAnswer;
using testing::ScriptedUserInterface;

template <typename Widget>
Widget* Child(QWidget& parent, const char* name) {
  auto* child = parent.findChild<Widget*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QWidget& Tab(ui::OptionsDialog& dialog, const QString& title) {
  for (int i = 0; i < dialog.pages()->count(); ++i) {
    if (dialog.pages()->tabText(i) == title) return *dialog.pages()->widget(i);
  }
  ADD_FAILURE() << title.toStdString();
  return *dialog.pages()->widget(0);
}

void TypeServerCode(ui::CharacterMapDialog& editor, int pc, const QString& text) {
  editor.grid()->item(pc - 1, 2)->setText(text);
}

QString ServerCell(const ui::CharacterMapDialog& editor, int pc) {
  return editor.grid()->item(pc - 1, 2)->text();
}

TEST(OptionsFrameTest, OkStoresEverythingAndEveryEditorChangesAtOnce) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir / "nls");
  testing::WriteTextFile(dir / "a.txt", "alpha\n");
  testing::WriteTextFile(dir / "b.txt", "beta\n");
  SettingsStore store(dir / "settings.reg");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.settings().NLSFiles = (dir / "nls").string();
  frame.LoadCharacterMaps();
  ASSERT_TRUE(frame.OpenLocalFile(QString::fromStdString((dir / "a.txt").string())));
  ASSERT_TRUE(frame.OpenLocalFile(QString::fromStdString((dir / "b.txt").string())));
  ASSERT_TRUE(frame.mainMenu()->Action(cmd::kOptions)->isEnabled());

  ModalAnswer<ui::OptionsDialog> answer([&](ui::OptionsDialog& dialog) {
    QStringList titles;
    for (int i = 0; i < dialog.pages()->count(); ++i) titles << dialog.pages()->tabText(i);
    EXPECT_EQ(titles, QStringList({"Editor", "Build", "Workspace", "Advanced", "File Types", "NLS",
                                   "Tools", "Directories", "Display"}));
    // Display: a bigger font and a dark blue background for normal text.
    QWidget& display = Tab(dialog, "Display");
    Child<QSpinBox>(display, "pointSize")->setValue(14);
    auto* background = Child<QComboBox>(display, "background");
    background->setCurrentIndex(8);
    emit background->activated(8);

    // NLS: a new map made in the map editor becomes the default.
    auto& nls = static_cast<ui::NlsOptionsPage&>(Tab(dialog, "NLS"));
    {
      ModalAnswer<ui::CharacterMapDialog> edit([](ui::CharacterMapDialog& editor) {
        EXPECT_EQ(editor.grid()->currentRow(), 127);  // nothing translated: 128 first
        editor.nameField()->setText("Swiss");
        TypeServerCode(editor, 123, "228");
        EXPECT_EQ(ServerCell(editor, 228), "123");
        editor.buttons()->button(QDialogButtonBox::Ok)->click();
      });
      nls.AddMap();
    }
    ASSERT_EQ(nls.mapList()->count(), 1);
    nls.defaultMap()->setCurrentText("Swiss");

    // Tools: a new command.
    auto& tools = static_cast<ui::ToolsOptionsPage&>(Tab(dialog, "Tools"));
    tools.NewTool();
    tools.commandField()->setText("make");
    tools.argumentsField()->setText("-C $(FileDir)");
    dialog.buttons()->button(QDialogButtonBox::Ok)->click();
  });
  frame.RunCommand(cmd::kOptions);

  EXPECT_EQ(frame.settings().EditorFontSize, 14);
  EXPECT_EQ(frame.settings().NLSDefaultCharSet, "Swiss");
  AppSettings stored;
  stored.Read(store);
  EXPECT_EQ(stored.EditorFontSize, 14);
  EXPECT_EQ(stored.NLSDefaultCharSet, "Swiss");
  EXPECT_EQ(testing::ReadTextFile(dir / "nls" / "default.nls").find("[Swiss]"), 0u);
  const std::vector<ToolRecord> tools = LoadToolList(store);
  ASSERT_EQ(tools.size(), 1u);
  EXPECT_EQ(tools[0].caption, "New command");
  EXPECT_EQ(tools[0].command, "make");
  EXPECT_EQ(tools[0].arguments, "-C $(FileDir)");
  bool inMenu = false;
  for (QObject* owner : frame.mainMenu()->Action(cmd::kOptions)->associatedObjects()) {
    if (auto* menu = qobject_cast<QMenu*>(owner)) {
      for (QAction* action : menu->actions()) inMenu = inMenu || action->text() == "New command";
    }
  }
  EXPECT_TRUE(inMenu);

  ASSERT_EQ(frame.EditorWindows().size(), 2);
  for (ui::EditorWindow* editor : frame.EditorWindows()) {
    QsciScintilla* view = editor->control()->scintilla();
    EXPECT_EQ(view->lexer()->defaultFont().pointSize(), 14);
    EXPECT_EQ(view->lexer()->defaultPaper(), QColor(0, 0, 128));
  }
}

TEST(OptionsFrameTest, CancelKeepsSettingsToolsAndColours) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  ToolRecord kept;
  kept.caption = "Kept";
  kept.command = "true";
  ASSERT_EQ(SaveToolList(store, std::vector<ToolRecord>{kept}), 1);
  MainFrame frame(&store);
  const AppSettings before = frame.settings();

  ModalAnswer<ui::OptionsDialog> answer([&](ui::OptionsDialog& dialog) {
    QWidget& display = Tab(dialog, "Display");
    auto* foreground = Child<QComboBox>(display, "foreground");
    foreground->setCurrentIndex(5);
    emit foreground->activated(5);
    auto& tools = static_cast<ui::ToolsOptionsPage&>(Tab(dialog, "Tools"));
    tools.DeleteTool();
    EXPECT_TRUE(tools.tools().empty());
    dialog.buttons()->button(QDialogButtonBox::Cancel)->click();
  });
  frame.RunCommand(cmd::kOptions);
  EXPECT_EQ(frame.settings().TextColor, before.TextColor);
  EXPECT_EQ(LoadToolList(store).size(), 1u);
}

// The Tools page: captions edited in place (an empty one is not taken), the
// list reordered, the first and last staying where they are, fields stored
// into the selected tool at once.
TEST(OptionsFrameTest, ToolsPageEditsTheListInPlace) {
  ToolRecord one, two;
  one.caption = "One";
  two.caption = "Two";
  ui::ToolsPageServices services;
  services.browseLocal = [](QWidget*) { return QString("/usr/bin/make"); };
  ui::ToolsOptionsPage page({one, two}, services);
  EXPECT_EQ(page.list()->currentRow(), 0);
  EXPECT_FALSE(page.findChild<QPushButton*>("moveUp")->isEnabled());
  page.list()->item(0)->setText("");
  EXPECT_EQ(page.list()->item(0)->text(), "One");
  page.list()->item(0)->setText("First");
  page.remoteBox()->setChecked(true);
  page.BrowseLocal();
  EXPECT_FALSE(page.remoteBox()->isChecked());
  page.MoveTool(-1);
  page.MoveTool(1);
  page.MoveTool(1);
  ASSERT_EQ(page.tools().size(), 2u);
  EXPECT_EQ(page.tools()[0].caption, "Two");
  EXPECT_EQ(page.tools()[1].caption, "First");
  EXPECT_EQ(page.tools()[1].command, "/usr/bin/make");
  EXPECT_EQ(page.tools()[1].directory, "/usr/bin");
  EXPECT_EQ(page.list()->currentRow(), 1);
  EXPECT_FALSE(page.findChild<QPushButton*>("moveDown")->isEnabled());
  page.list()->setCurrentRow(0);
  EXPECT_EQ(page.commandField()->text(), "");
}

// German and German(1), a rename onto another map differing only in case
// refused, a rename asked about, a pair not overwritten, input that is no
// code ignored, and Delete asked about.
TEST(OptionsFrameTest, MapEditorAndNlsPageKeepTheirRules) {
  testing::TempDir dir;
  testing::WriteTextFile(dir / "a.nls", "[German]\n123=228\n228=123\n[Zero]\n0=1\n");
  testing::WriteTextFile(dir / "b.nls", "[German]\n91=196\n");
  CharacterMaps maps;
  ASSERT_EQ(maps.Load(dir.path()), 2u);
  ScriptedUserInterface ui;

  {
    ModalAnswer<ui::CharacterMapDialog> edit([&](ui::CharacterMapDialog& editor) {
      EXPECT_EQ(editor.grid()->currentRow(), 122);  // the first translated character
      TypeServerCode(editor, 124, "228");
      EXPECT_EQ(ServerCell(editor, 228), "123");
      TypeServerCode(editor, 125, "x1");
      EXPECT_EQ(ServerCell(editor, 125), "");
      TypeServerCode(editor, 125, "256");
      EXPECT_EQ(ServerCell(editor, 125), "");
      editor.nameField()->setText("  ");
      EXPECT_FALSE(editor.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
      editor.nameField()->setText("GERMAN(1)");
      editor.buttons()->button(QDialogButtonBox::Ok)->click();
      ASSERT_TRUE(editor.isVisible());
      ASSERT_EQ(ui.shown().size(), 1u);
      EXPECT_NE(ui.shown()[0].text.find("'GERMAN(1)' already exists"), std::string::npos);
      editor.nameField()->setText("Deutsch");
      ui.Answer(kIdNo);
      editor.buttons()->button(QDialogButtonBox::Ok)->click();
      ASSERT_TRUE(editor.isVisible());
      EXPECT_NE(ui.shown()[1].text.find("Renaming a foreign character set"), std::string::npos);
      ui.Answer(kIdYes);
      editor.buttons()->button(QDialogButtonBox::Ok)->click();
    });
    ui::CharacterMapDialog dialog(maps, std::string("German"), ui);
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
  }
  ASSERT_EQ(maps.Names(), (std::vector<std::string>{"Deutsch", "German(1)"}));
  EXPECT_EQ(testing::ReadTextFile(dir / "a.nls"),
            "[Zero]\n0=1\n[Deutsch]\n123=228\n124=228\n228=123\n");

  AppSettings settings;
  settings.NLSDefaultCharSet = "german(1)";
  ui::NlsOptionsPage page(maps, settings, ui);
  EXPECT_EQ(page.defaultMap()->currentText(), "German(1)");
  EXPECT_EQ(page.defaultMap()->itemText(0), "(none)");
  page.mapList()->setCurrentRow(0);
  ui.Answer(kIdNo);
  page.DeleteMap();
  EXPECT_EQ(page.mapList()->count(), 2);
  ui.Answer(kIdYes);
  page.DeleteMap();
  EXPECT_EQ(page.mapList()->count(), 1);
  EXPECT_EQ(maps.Names(), std::vector<std::string>{"German(1)"});
  EXPECT_NE(ui.shown().back().text.find("Deleting the 'Deutsch' foreign character set"),
            std::string::npos);
  page.defaultMap()->setCurrentIndex(0);
  page.Apply(settings);
  EXPECT_EQ(settings.NLSDefaultCharSet, "(none)");
}

}  // namespace
}  // namespace vandrel::shell
