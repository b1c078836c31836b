// Printing for the main frame: Print (the system print dialog, then the
// printout with its "Printing..." dialog), Page Setup (the print settings,
// stored when the dialog is accepted) and Export as PDF (the same printout
// into a PDF file, no printer needed).
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vandrel {
struct AppSettings;
class SettingsStore;
}  // namespace vandrel

namespace vandrel::ui {
class EditorWindow;
}

namespace vandrel::shell {

class FramePrint {
 public:
  // `settings` is the frame's; `store` (may be null) is where Page Setup
  // writes them.
  FramePrint(QWidget& window, AppSettings& settings, SettingsStore* store);

  // Print (cmd::kPrint) of the editor window's document or its selected lines.
  void Print(ui::EditorWindow& editor);
  // Page Setup (cmd::kPageSetup); true when the settings were changed.
  bool PageSetup();
  // Export as PDF (cmd::kExportPdf) of the whole document; true when written.
  bool ExportPdf(ui::EditorWindow& editor);

  // Chooses the PDF file's path starting from `proposed`; an empty answer
  // cancels. The default shows the file dialog.
  using PdfPathChooser = std::function<QString(const QString& proposed)>;
  static void SetPdfPathChooser(PdfPathChooser chooser);

 private:
  // "%s - %s": the main window's caption and the document's name.
  QString JobTitle(const ui::EditorWindow& editor) const;

  QWidget& window_;
  AppSettings& settings_;
  SettingsStore* store_;
};

}  // namespace vandrel::shell
