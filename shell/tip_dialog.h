// The Tip of the Day dialog: a "Did you know..." heading over one tip from
// the tip file, a "&Next Tip" button that moves through the tips, and the
// "&Show tips at startup" box whose state goes to ShowTips when the dialog
// closes. Where the user is in the list is kept in NextTipNumber.
#pragma once

#include <QDialog>
#include <filesystem>

#include "core/tips.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace vandrel {
struct AppSettings;
}

namespace vandrel::shell {

class TipDialog : public QDialog {
  Q_OBJECT

 public:
  // Reads `tipFile` and shows the tip NextTipNumber names; during a first
  // run the tips start at 1 and the box starts checked. `settings` must
  // outlive the dialog.
  TipDialog(AppSettings& settings, const std::filesystem::path& tipFile, QWidget* parent = nullptr);

  // Shows the dialog modally when `forced` (the Help menu's command) or
  // when ShowTips is set; true when it was shown.
  static bool Offer(AppSettings& settings, const std::filesystem::path& tipFile,
                    QWidget* parent = nullptr, bool forced = false);

  // The tip on show, with its line breaks and tabs.
  QString tipText() const;
  // The key of the tip on show; 0 before the first.
  std::int64_t tipNumber() const { return tipNumber_; }
  QLabel* headingLabel() const { return heading_; }
  QPushButton* nextTipButton() const { return next_; }
  QCheckBox* showAtStartupBox() const { return showAtStartup_; }

 public slots:
  void showNextTip();
  // Stores the box in ShowTips, however the dialog is closed.
  void done(int result) override;

 private:
  AppSettings& settings_;
  TipFile tips_;
  QLabel* heading_;
  QLabel* tip_;
  QPushButton* next_;
  QCheckBox* showAtStartup_;
  std::int64_t tipNumber_ = 0;
};

}  // namespace vandrel::shell
