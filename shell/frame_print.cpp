#include "shell/frame_print.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTimer>
#include <vector>

#include "core/app_settings.h"
#include "core/settings_store.h"
#include "documents/print_layout.h"
#include "documents/ui/page_setup_dialog.h"
#include "documents/ui/print_painter.h"
#include "documents/ui/print_progress_dialog.h"
#include "editor/ui/editor_window.h"

namespace vandrel::shell {
namespace {

FramePrint::PdfPathChooser& PdfChooser() {
  static FramePrint::PdfPathChooser chooser;
  return chooser;
}

// Lets the user interface run for `ms` milliseconds.
void Pause(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

PrintLineRange AllLines(const PrintSource& source) {
  return {0, static_cast<std::int64_t>(source.lines.size())};
}

}  // namespace

FramePrint::FramePrint(QWidget& window, AppSettings& settings, SettingsStore* store)
    : window_(window), settings_(settings), store_(store) {}

void FramePrint::SetPdfPathChooser(PdfPathChooser chooser) { PdfChooser() = std::move(chooser); }

QString FramePrint::JobTitle(const ui::EditorWindow& editor) const {
  return QString("%1 - %2").arg(window_.windowTitle(),
                                QString::fromStdString(editor.ToPrint().name));
}

void FramePrint::Print(ui::EditorWindow& editor) {
  const PrintSource source = editor.ToPrint();
  QPrinter printer(QPrinter::HighResolution);
  printer.setFullPage(true);
  printer.setPageOrientation(settings_.PrintPortrait ? QPageLayout::Portrait
                                                     : QPageLayout::Landscape);
  QPrintDialog dialog(&printer, &window_);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, source.selection.has_value());
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  if (source.selection) dialog.setPrintRange(QAbstractPrintDialog::Selection);
  if (dialog.exec() != QDialog::Accepted) return;
  const PrintLineRange range = source.selection && printer.printRange() == QPrinter::Selection
                                   ? *source.selection
                                   : AllLines(source);
  printer.setDocName(
      QString("%1 - %2").arg(window_.windowTitle(), QString::fromStdString(source.name)));

  ui::PrintProgressDialog progress(QString::fromStdString(source.name), printer.printerName(),
                                   &window_);
  editor.setEnabled(false);
  progress.show();
  Pause(1000);
  const ui::PrintOutcome outcome =
      ui::PrintOnDevice(printer, source, range, settings_, ui::PrintFactsNow(source.name),
                        [&progress](int page, std::int64_t done, std::int64_t total) {
                          return progress.Advance(page, done, total);
                        });
  Pause(500);
  progress.hide();
  editor.setEnabled(true);
  if (!outcome.started) {
    QMessageBox::warning(&window_, window_.windowTitle(),
                         QString("The printer %1 cannot be opened.").arg(printer.printerName()));
  }
}

bool FramePrint::PageSetup() {
  ui::PageSetupDialog dialog(settings_, &window_);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Store(settings_);
  if (store_) {
    std::vector<SettingDescriptor> rows;
    for (SettingDescriptor& row : settings_.Table()) {
      if (row.name.starts_with("Print")) rows.push_back(std::move(row));
    }
    store_->WriteTable("", rows);
  }
  return true;
}

bool FramePrint::ExportPdf(ui::EditorWindow& editor) {
  const PrintSource source = editor.ToPrint();
  QString proposed = QFileInfo(QString::fromStdString(source.name)).completeBaseName() + ".pdf";
  if (!settings_.LocalFolder.empty())
    proposed = QDir(QString::fromStdString(settings_.LocalFolder)).filePath(proposed);
  const QString path = PdfChooser()
                           ? PdfChooser()(proposed)
                           : QFileDialog::getSaveFileName(&window_, "Export as PDF", proposed,
                                                          "PDF files (*.pdf);;All files (*)");
  if (path.isEmpty()) return false;

  // Written beside the file and put in its place only when complete.
  QSaveFile file(path);
  bool written = file.open(QIODevice::WriteOnly);
  if (written) {
    QPdfWriter pdf(&file);
    pdf.setTitle(JobTitle(editor));
    pdf.setCreator(window_.windowTitle());
    pdf.setPageSize(QPageSize(QPageSize::A4));
    written =
        ui::PrintOnDevice(pdf, source, AllLines(source), settings_, ui::PrintFactsNow(source.name))
            .started;
  }
  written = written && file.commit();
  if (!written) {
    QMessageBox::warning(&window_, window_.windowTitle(),
                         QString("%1 cannot be written: %2").arg(path, file.errorString()));
  }
  return written;
}

}  // namespace vandrel::shell
