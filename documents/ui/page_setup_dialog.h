// The "Page Setup" dialog: the header and footer codes (each with a button
// whose menu inserts a code at the caret), the orientation, the margins in
// millimetres and the two fonts. It edits a copy of the print settings;
// Store() writes the copy into settings once the dialog was accepted.
#pragma once

#include <QDialog>
#include <QFont>
#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace vandrel {
struct AppSettings;
}

namespace vandrel::ui {

class PageSetupDialog : public QDialog {
  Q_OBJECT

 public:
  // Chooses a font starting from `font`; false when the user cancelled.
  // The default is the system font dialog.
  using FontChooser = std::function<bool(QFont& font, QWidget* parent)>;

  explicit PageSetupDialog(const AppSettings& settings, QWidget* parent = nullptr,
                           FontChooser chooseFont = {});

  // Writes the dialog's values into the print settings of `settings`.
  void Store(AppSettings& settings) const;

  // The header and footer fields hold at most this many characters.
  static constexpr int kMaxCodesLength = 127;

  // The codes the buttons' menus insert, with their menu texts.
  struct CodeEntry {
    const char* text;
    const char* code;
  };
  static const std::array<CodeEntry, 7> kCodes;

  QLineEdit* headerEdit() const { return header_; }
  QLineEdit* footerEdit() const { return footer_; }
  QToolButton* headerCodesButton() const { return headerCodes_; }
  QLabel* bodyFontLabel() const { return bodyFontLabel_; }
  QLabel* headerFontLabel() const { return headerFontLabel_; }
  QRadioButton* landscapeButton() const { return landscape_; }
  QSpinBox* marginBox(int index) const { return margins_[static_cast<std::size_t>(index)]; }

 private:
  QToolButton* CodesButton(QLineEdit* target);
  QWidget* FontRow(QLabel*& label, QFont& font, const char* buttonName);
  void ShowFont(QLabel* label, const QFont& font);

  FontChooser chooseFont_;
  QLineEdit* header_ = nullptr;
  QLineEdit* footer_ = nullptr;
  QToolButton* headerCodes_ = nullptr;
  QRadioButton* portrait_ = nullptr;
  QRadioButton* landscape_ = nullptr;
  std::array<QSpinBox*, 4> margins_{};
  QLabel* bodyFontLabel_ = nullptr;
  QLabel* headerFontLabel_ = nullptr;
  QFont bodyFont_;
  QFont headerFont_;
};

}  // namespace vandrel::ui
