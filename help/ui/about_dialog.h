// The About box: the product's name, version and licence, with the full
// licence text when it was installed with the program.
#pragma once

#include <QDialog>
#include <filesystem>

class QIcon;
class QPlainTextEdit;
class QPushButton;

namespace vandrel::ui {

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  // `licenceFile`: the GPL text to offer under "&Licence"; empty or
  // unreadable, the button is left out and the notice says where to find it.
  AboutDialog(const QIcon& icon, const std::filesystem::path& licenceFile,
              QWidget* parent = nullptr);

  QPlainTextEdit* licenceText() const { return licence_; }
  QPushButton* licenceButton() const { return licenceButton_; }

 private:
  QPlainTextEdit* licence_ = nullptr;
  QPushButton* licenceButton_ = nullptr;
};

}  // namespace vandrel::ui
