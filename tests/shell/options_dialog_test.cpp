// The "Options" dialog over a copy of the settings: typed values outside the
// pages' ranges are stored by the pages' rules, the COBOL'85 tag example
// follows the format, folders go through "(none)" and the folder chooser,
// colours follow the chosen category, and Cancel gives nothing back.
#include "templates/ui/options_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>
#include <vector>

#include "core/settings_store.h"
#include "documents/date_stamps.h"
#include "support/modal_dialog.h"
#include "support/temp_dir.h"
#include "templates/file_types.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"
#include "templates/ui/options_file_types.h"

namespace vandrel::ui {
namespace {

template <typename Page>
Page& PageOf(const OptionsDialog& dialog, const char* name) {
  auto* page = qobject_cast<Page*>(dialog.Page(QString::fromLatin1(name)));
  EXPECT_NE(page, nullptr) << name;
  return *page;
}

// Replaces the text of `field` as typing would.
void Type(QWidget* field, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(field);
  if (edit == nullptr) edit = field->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  edit->insert(text);
}

void PressKey(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

AppSettings Accepted(OptionsDialog& dialog) {
  dialog.buttons()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(static_cast<QDialog&>(dialog).result(), QDialog::Accepted);
  return dialog.chosenSettings();
}

TEST(OptionsDialogTest, ShowsTheBuiltPagesInOrder) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  OptionsServices services;
  services.store = &store;
  OptionsDialog dialog(AppSettings{}, nullptr, services);
  QStringList titles;
  for (int i = 0; i < dialog.pages()->count(); ++i) titles << dialog.pages()->tabText(i);
  EXPECT_EQ(titles, QStringList({"Editor", "Build", "Workspace", "Advanced", "File Types",
                                 "Directories", "Display"}));
}

// The table is edited in the list and written back, in list order, only on
// OK; an entry the store could not read back is not offered.
TEST(OptionsDialogTest, FileTypesEditTheTableAndRewriteItOnOk) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  ASSERT_TRUE(ApplyFileTypes(store, std::vector<FileType>{{"COBOL", "*.cob"}, {"C", "*.c;*.h"}}));
  TemplateCatalogue catalogue;
  for (const char* name : {"Pascal", "basic", "COBOL"}) {
    auto item = std::make_unique<Template>();
    item->settings.Name = name;
    catalogue.Append(std::move(item));
  }
  OptionsServices services;
  services.store = &store;
  services.catalogue = &catalogue;

  {
    OptionsDialog dialog(AppSettings{}, nullptr, services);
    auto& page = PageOf<FileTypesOptionsPage>(dialog, "fileTypesPage");
    ASSERT_EQ(page.list()->topLevelItemCount(), 2);
    page.removeButton()->click();  // nothing selected: nothing removed
    ASSERT_EQ(page.list()->topLevelItemCount(), 2);
    page.list()->topLevelItem(0)->setSelected(true);
    page.removeButton()->click();
    dialog.buttons()->button(QDialogButtonBox::Cancel)->click();
  }
  EXPECT_EQ(ReadFileTypes(store).size(), 2u);

  OptionsDialog dialog(AppSettings{}, nullptr, services);
  auto& page = PageOf<FileTypesOptionsPage>(dialog, "fileTypesPage");
  page.list()->topLevelItem(0)->setSelected(true);
  page.removeButton()->click();
  {
    testing::ModalAnswer<FileTypeDialog> answer([](FileTypeDialog& entry) {
      QStringList offered;
      for (int i = 0; i < entry.templateName()->count(); ++i) {
        offered << entry.templateName()->itemText(i);
      }
      EXPECT_EQ(offered, QStringList({"(none)", "basic", "COBOL", "Pascal"}));
      EXPECT_EQ(entry.templateName()->currentText(), "(none)");
      Type(entry.extensions(), "*.\"'x");
      EXPECT_FALSE(entry.okButton()->isEnabled());
      Type(entry.extensions(), "*.pas;*.inc");
      entry.templateName()->setCurrentText("Pascal");
      entry.okButton()->click();
    });
    page.addButton()->click();
  }
  Accepted(dialog);
  EXPECT_EQ(ReadFileTypes(store),
            (std::vector<FileType>{{"C", "*.c;*.h"}, {"Pascal", "*.pas;*.inc"}}));
}

TEST(OptionsDialogTest, EditorStoresTypedTabSizesByTheRuleAndShowsTheTagExample) {
  const struct {
    const char* typed;
    int stored;
  } cases[] = {{"1", 4}, {"17", 4}, {"16", 16}, {"7", 7}};
  for (const auto& c : cases) {
    OptionsDialog dialog{AppSettings{}};
    auto& editor = PageOf<EditorOptionsPage>(dialog, "editorPage");
    Type(editor.tabSize(), QString::fromLatin1(c.typed));
    EXPECT_EQ(Accepted(dialog).DefaultTabStops, c.stored) << c.typed;
  }

  AppSettings settings;
  settings.Cobol85Token = "GS%yy%mm%dd";
  settings.ShowRuler = 0;
  OptionsDialog dialog(settings);
  auto& editor = PageOf<EditorOptionsPage>(dialog, "editorPage");
  EXPECT_EQ(editor.tagFormat()->currentText(), "GS%yy%mm%dd");
  EXPECT_EQ(editor.tagFormat()->count(), 4);
  EXPECT_FALSE(dialog.findChild<QCheckBox*>("ruler")->isChecked());

  // A format longer than 8 characters once expanded shows its first 8 and
  // "*"; the example follows every change.
  const CalendarDate today = LocalDate();
  char expected[32];
  std::snprintf(expected, sizeof expected, "Example: %04d%02d%02d*", today.year, today.month,
                today.day);
  Type(editor.tagFormat(), "%yyyy%mm%dd%yy");
  EXPECT_EQ(editor.tagExample()->text(), QString::fromLatin1(expected));
  Type(editor.tagFormat(), "");
  EXPECT_EQ(editor.tagExample()->text(), "Example: n/a");
  // The field keeps at most 15 characters.
  Type(editor.tagFormat(), "ABCDEFGHIJKLMNOPQRST");
  dialog.findChild<QCheckBox*>("ruler")->click();
  const AppSettings stored = Accepted(dialog);
  EXPECT_EQ(stored.Cobol85Token, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(stored.ShowRuler, 1);
}

TEST(OptionsDialogTest, WorkspaceAndAdvancedStoreTheirOwnForms) {
  AppSettings settings;
  settings.GettingStarted = 1;  // the wizard was the last start-up choice
  settings.InitialDirList = 1;
  settings.FolderCacheSize = 250;
  {
    OptionsDialog dialog(settings);
    auto& advanced = PageOf<AdvancedOptionsPage>(dialog, "advancedPage");
    EXPECT_EQ(advanced.cacheLabel()->text(), "250 K");
    advanced.cacheSize()->setValue(1000);
    EXPECT_EQ(advanced.cacheLabel()->text(), "1 MB");
    advanced.cacheSize()->setValue(0);
    EXPECT_EQ(advanced.cacheLabel()->text(), "(none)");
    dialog.findChild<QCheckBox*>("noInitialList")->click();
    const AppSettings stored = Accepted(dialog);
    EXPECT_EQ(stored.InitialDirList, 0);
    EXPECT_EQ(stored.FolderCacheSize, 0);
    EXPECT_EQ(stored.GettingStarted, 1);  // the box was left alone
  }
  {
    OptionsDialog dialog(settings);
    auto& workspace = PageOf<WorkspaceOptionsPage>(dialog, "workspacePage");
    EXPECT_FALSE(workspace.reloadProject()->isChecked());
    workspace.reloadProject()->click();
    EXPECT_EQ(Accepted(dialog).GettingStarted, 2);
  }
  settings.GettingStarted = 2;
  OptionsDialog dialog(settings);
  auto& workspace = PageOf<WorkspaceOptionsPage>(dialog, "workspacePage");
  EXPECT_TRUE(workspace.reloadProject()->isChecked());
  workspace.reloadProject()->click();
  EXPECT_EQ(Accepted(dialog).GettingStarted, 0);
}

TEST(OptionsDialogTest, DirectoriesShowNoneStoreItEmptyAndTakeTheChosenFolder) {
  AppSettings settings;
  settings.LocalFolder = "/home/user/local";
  std::vector<QString> asked;
  QString answer = "/srv/projects";
  OptionsServices services;
  services.chooseFolder = [&](QWidget*, const QString& current) {
    asked.push_back(current);
    return answer;
  };
  OptionsDialog dialog(settings, nullptr, services);
  auto& directories = PageOf<DirectoriesOptionsPage>(dialog, "directoriesPage");
  QTreeWidget* list = directories.list();
  ASSERT_EQ(list->topLevelItemCount(), 6);
  EXPECT_EQ(list->headerItem()->text(0), "Setting");
  EXPECT_EQ(list->topLevelItem(0)->text(0), "Templates");
  EXPECT_EQ(list->topLevelItem(0)->text(1), "(none)");
  EXPECT_EQ(list->topLevelItem(3)->text(1), "/home/user/local");

  list->setCurrentItem(list->topLevelItem(2));  // "Project Files", unset
  directories.modifyButton()->click();
  list->setCurrentItem(list->topLevelItem(3));
  answer.clear();  // the chooser was cancelled
  directories.modifyButton()->click();
  EXPECT_EQ(asked, (std::vector<QString>{"", "/home/user/local"}));
  EXPECT_EQ(list->topLevelItem(2)->text(1), "/srv/projects");

  const AppSettings stored = Accepted(dialog);
  EXPECT_EQ(stored.TemplatesFolder, "");
  EXPECT_EQ(stored.ProjectsFolder, "/srv/projects");
  EXPECT_EQ(stored.LocalFolder, "/home/user/local");
  EXPECT_EQ(stored.NLSFiles, "");
}

TEST(OptionsDialogTest, DisplayFollowsTheCategoryAndStoresItsColoursOnlyOnOk) {
  AppSettings settings;
  settings.TextColor = Rgb(0, 0, 128);          // Dark Blue
  settings.BackgroundColor = Rgb(255, 255, 0);  // Yellow
  settings.CommentColor = Rgb(1, 2, 3);         // none of the choices
  settings.EditorFontSize = 12;

  OptionsDialog dialog(settings);
  auto& display = PageOf<DisplayOptionsPage>(dialog, "displayPage");
  ASSERT_EQ(display.foreground()->count(), 18);
  EXPECT_EQ(display.foreground()->itemText(17), "Automatic");
  EXPECT_EQ(display.sample()->text(), "-- AaBbCc --");
  EXPECT_EQ(display.pointSize()->value(), 12);
  EXPECT_EQ(display.foreground()->currentText(), "Dark Blue");
  EXPECT_EQ(display.sample()->palette().color(QPalette::Window), QColor(255, 255, 0));

  // "Comment" has no background: Normal's shows, disabled; its own
  // foreground is none of the choices.
  display.categories()->setCurrentRow(1);
  EXPECT_EQ(display.foreground()->currentIndex(), -1);
  EXPECT_TRUE(display.foreground()->isEnabled());
  EXPECT_EQ(display.background()->currentText(), "Yellow");
  EXPECT_FALSE(display.background()->isEnabled());
  // "Text Exceeding Line Lengh" has no foreground.
  display.categories()->setCurrentRow(13);
  EXPECT_FALSE(display.foreground()->isEnabled());
  EXPECT_EQ(display.foreground()->currentText(), "Dark Blue");

  // A choice changes the page's copy at once; the sample follows.
  display.categories()->setCurrentRow(0);
  display.background()->setFocus();
  PressKey(display.background(), Qt::Key_Down);  // Yellow -> White
  EXPECT_EQ(display.background()->currentText(), "White");
  EXPECT_EQ(display.sample()->palette().color(QPalette::Window), QColor(255, 255, 255));
  display.categories()->setCurrentRow(1);
  PressKey(display.foreground(), Qt::Key_End);  // Automatic
  EXPECT_EQ(display.background()->currentText(), "White");
  Type(display.pointSize(), "100");

  const AppSettings stored = Accepted(dialog);
  EXPECT_EQ(stored.BackgroundColor, Rgb(255, 255, 255));
  EXPECT_EQ(stored.CommentColor, kAutomaticColour);
  EXPECT_EQ(stored.TextColor, Rgb(0, 0, 128));
  EXPECT_EQ(stored.LimitArea, settings.LimitArea);
  EXPECT_EQ(stored.EditorFontSize, 10);
  EXPECT_FALSE(stored.EditorFont.empty());
}

TEST(OptionsDialogTest, CancelAfterChangingColoursGivesNothingBack) {
  AppSettings settings;
  settings.ErrorColor = Rgb(255, 0, 0);
  bool changed = false;
  std::optional<AppSettings> result = AppSettings{};
  {
    testing::ModalAnswer<OptionsDialog> answer([&](OptionsDialog& dialog) {
      auto& display = PageOf<DisplayOptionsPage>(dialog, "displayPage");
      display.categories()->setCurrentRow(11);  // "Error"
      PressKey(display.background(), Qt::Key_Home);
      changed = display.background()->currentText() == "Black";
      dialog.buttons()->button(QDialogButtonBox::Cancel)->click();
    });
    result = ShowOptionsDialog(nullptr, settings);
  }
  EXPECT_TRUE(changed);
  EXPECT_FALSE(result.has_value());
  EXPECT_EQ(settings.ErrorColor, Rgb(255, 0, 0));
}

}  // namespace
}  // namespace vandrel::ui
