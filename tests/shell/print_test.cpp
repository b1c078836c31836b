// Printing in the frame: Page Setup writes the print settings only on OK,
// and Export as PDF prints the active document with its numbers, header
// and footer into a PDF file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "core/app_settings.h"
#include "core/main_menu.h"
#include "core/settings_store.h"
#include "documents/ui/page_setup_dialog.h"
#include "editor/ui/editor_window.h"
#include "shell/frame_print.h"
#include "shell/main_frame.h"
#include "support/cobol_fixture.h"
#include "support/modal_dialog.h"
#include "support/run_process.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "templates/file_types.h"
#include "templates/template_catalogue.h"

namespace vandrel::shell {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

TEST(Printing, PageSetupStoresItsValuesOnOkOnly) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  testing::ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);

  {
    testing::ModalAnswer<ui::PageSetupDialog> answer([](ui::PageSetupDialog& dialog) {
      EXPECT_EQ(dialog.headerEdit()->text(), "&F");
      EXPECT_EQ(dialog.bodyFontLabel()->text(), "Courier, 10 point");
      EXPECT_EQ(dialog.headerFontLabel()->text(), "Arial, 8 point");
      EXPECT_EQ(dialog.headerEdit()->maxLength(), 127);
      // "Page Number" inserts its code at the caret.
      dialog.headerEdit()->setText("&L Left &R Page ");
      dialog.headerEdit()->end(false);
      dialog.headerCodesButton()->menu()->actions().at(1)->trigger();
      dialog.landscapeButton()->setChecked(true);
      dialog.marginBox(1)->setValue(35);
      dialog.accept();
    });
    frame.RunCommand(cmd::kPageSetup);
  }
  EXPECT_EQ(frame.settings().PrintHeader, "&L Left &R Page &P");
  AppSettings stored;
  stored.Read(store);
  EXPECT_EQ(stored.PrintHeader, "&L Left &R Page &P");
  EXPECT_EQ(stored.PrintPortrait, 0);
  EXPECT_EQ(stored.PrintMargins, (std::array<std::int32_t, 4>{20, 35, 20, 20}));

  {
    testing::ModalAnswer<ui::PageSetupDialog> answer([](ui::PageSetupDialog& dialog) {
      dialog.headerEdit()->setText("changed");
      dialog.reject();
    });
    frame.RunCommand(cmd::kPageSetup);
  }
  stored.Read(store);
  EXPECT_EQ(stored.PrintHeader, "&L Left &R Page &P");
  EXPECT_EQ(frame.settings().PrintHeader, "&L Left &R Page &P");
}

TEST(Printing, ExportAsPdfPrintsTheDocumentWithItsNumbersAndHeader) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  const FileType cobol{"COBOL", "*.cob"};
  ASSERT_TRUE(ApplyFileTypes(store, std::span(&cobol, 1)));
  TemplateCatalogue catalogue;
  catalogue.Append(testing::CobolTemplate());
  testing::ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetTemplateCatalogue(&catalogue);
  frame.SetUserInterface(&ui);
  frame.settings().PrintHeader = "&L Left &R Page &P";
  frame.settings().PrintFooter = "";
  const auto source = dir / "prog.cob";
  std::ofstream(source, std::ios::binary) << testing::kCobolSource;
  ASSERT_TRUE(frame.OpenLocalFile(QString::fromStdString(source.string())));
  ui::EditorWindow* editor = frame.ActiveEditor();
  ASSERT_NE(editor, nullptr);

  // A selection from line 2 column 0 to line 4 column 0 prints lines 2 and 3.
  editor->control()->SetSelection(1, 0, 3, 0);
  const PrintSource selected = editor->ToPrint();
  ASSERT_TRUE(selected.selection.has_value());
  EXPECT_EQ(selected.selection->first, 1);
  EXPECT_EQ(selected.selection->count, 2);
  EXPECT_EQ(selected.numbers.at(1), "000200 ");

  const auto pdf = dir / "prog.pdf";
  QString proposed;
  FramePrint::SetPdfPathChooser([&](const QString& offered) {
    proposed = offered;
    return QString::fromStdString(pdf.string());
  });
  frame.RunCommand(cmd::kExportPdf);
  FramePrint::SetPdfPathChooser(nullptr);
  EXPECT_TRUE(proposed.endsWith("prog.pdf"));
  ASSERT_TRUE(std::filesystem::exists(pdf));

  const auto text = testing::RunProgram("/usr/bin/pdftotext", {"-layout", pdf.string(), "-"});
  ASSERT_EQ(text.exitCode, 0) << "pdftotext (poppler-utils) is needed: " << text.out;
  EXPECT_THAT(text.out, MatchesRegex("\\s*Left +Page 1\n(.|\n)*"));
  EXPECT_THAT(text.out, HasSubstr("000100 IDENTIFICATION DIVISION."));
  EXPECT_THAT(text.out, HasSubstr("000450      MOVE 1 TO X."));
  EXPECT_THAT(text.out, ::testing::Not(HasSubstr("Page 2")));

  for (QMdiSubWindow* child : frame.documentArea()->subWindowList()) delete child;
}

}  // namespace
}  // namespace vandrel::shell
