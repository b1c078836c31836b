// The "Printing..." dialog: which page is being printed, of which document,
// on which printer, a progress bar from 0 to 100 and "Cancel", which stops
// the printout after the line being printed.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QProgressBar;

namespace vandrel::ui {

class PrintProgressDialog : public QDialog {
  Q_OBJECT

 public:
  PrintProgressDialog(const QString& documentName, const QString& printerName,
                      QWidget* parent = nullptr);

  // Shows the page and lines done of all, lets the user interface run, and
  // tells whether to go on (false once Cancel was pressed).
  bool Advance(int page, std::int64_t linesDone, std::int64_t linesTotal);
  bool cancelled() const { return cancelled_; }

  QLabel* pageLabel() const { return page_; }
  QProgressBar* progressBar() const { return bar_; }

 protected:
  void reject() override;

 private:
  QLabel* page_ = nullptr;
  QProgressBar* bar_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace vandrel::ui
