#include "documents/ui/page_setup_dialog.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/ui/print_painter.h"

namespace vandrel::ui {

const std::array<PageSetupDialog::CodeEntry, 7> PageSetupDialog::kCodes{{
    {"File Name", "&F"},
    {"Page Number", "&P"},
    {"Current Time", "&T"},
    {"Current Date", "&D"},
    {"Left Align", "&L"},
    {"Center", "&C"},
    {"Right Align", "&R"},
}};

namespace {

// Margins beyond this many millimetres leave no paper to print on.
constexpr int kMaxMarginMm = 999;

}  // namespace

PageSetupDialog::PageSetupDialog(const AppSettings& settings, QWidget* parent,
                                 FontChooser chooseFont)
    : QDialog(parent), chooseFont_(std::move(chooseFont)) {
  setWindowTitle("Page Setup");
  if (!chooseFont_) {
    chooseFont_ = [](QFont& font, QWidget* owner) {
      bool ok = false;
      const QFont chosen = QFontDialog::getFont(&ok, font, owner);
      if (ok) font = chosen;
      return ok;
    };
  }
  const PrintFonts fonts = PrintFontsOf(settings);
  bodyFont_ = fonts.body;
  headerFont_ = fonts.header;

  auto* codes = new QGridLayout;
  header_ = new QLineEdit(QString::fromStdString(settings.PrintHeader));
  footer_ = new QLineEdit(QString::fromStdString(settings.PrintFooter));
  const char* names[] = {"&Header:", "&Footer:"};
  QLineEdit* edits[] = {header_, footer_};
  for (int row = 0; row < 2; ++row) {
    edits[row]->setMaxLength(kMaxCodesLength);
    edits[row]->setMinimumWidth(260);
    auto* label = new QLabel(names[row]);
    label->setBuddy(edits[row]);
    codes->addWidget(label, row, 0);
    codes->addWidget(edits[row], row, 1);
    QToolButton* button = CodesButton(edits[row]);
    if (row == 0) headerCodes_ = button;
    codes->addWidget(button, row, 2);
  }

  auto* orientation = new QGroupBox("&Orientation");
  portrait_ = new QRadioButton("Portrait");
  landscape_ = new QRadioButton("Landscape");
  (settings.PrintPortrait ? portrait_ : landscape_)->setChecked(true);
  auto* orientationLayout = new QVBoxLayout(orientation);
  orientationLayout->addWidget(portrait_);
  orientationLayout->addWidget(landscape_);
  orientationLayout->addStretch();

  auto* margins = new QGroupBox("Margins (millimeters)");
  auto* marginLayout = new QGridLayout(margins);
  const char* marginNames[] = {"&Left:", "&Top:", "&Right:", "&Bottom:"};
  for (int i = 0; i < 4; ++i) {
    auto* box = new QSpinBox;
    box->setRange(0, kMaxMarginMm);
    box->setValue(std::clamp(settings.PrintMargins[static_cast<std::size_t>(i)], 0, kMaxMarginMm));
    auto* label = new QLabel(marginNames[i]);
    label->setBuddy(box);
    // Left and Top in the first row, Right and Bottom in the second.
    marginLayout->addWidget(label, i / 2, (i % 2) * 2);
    marginLayout->addWidget(box, i / 2, (i % 2) * 2 + 1);
    margins_[static_cast<std::size_t>(i)] = box;
  }

  auto* fontsBox = new QGroupBox("Fonts");
  auto* fontsLayout = new QVBoxLayout(fontsBox);
  fontsLayout->addWidget(FontRow(bodyFontLabel_, bodyFont_, "Normal:"));
  fontsLayout->addWidget(FontRow(headerFontLabel_, headerFont_, "Header:"));

  auto* middle = new QHBoxLayout;
  middle->addWidget(orientation);
  middle->addWidget(margins, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(codes);
  layout->addLayout(middle);
  layout->addWidget(fontsBox);
  layout->addWidget(buttons);
}

QToolButton* PageSetupDialog::CodesButton(QLineEdit* target) {
  auto* button = new QToolButton;
  button->setText(QString::fromUtf8("\u25B6"));  // a right-pointing triangle
  button->setToolTip("Inserts a code");
  auto* menu = new QMenu(button);
  for (const CodeEntry& entry : kCodes) {
    // A literal "&" in a menu text is doubled; the code shows beside the text.
    QAction* action =
        menu->addAction(QString("%1\t%2").arg(entry.text, QString(entry.code).replace('&', "&&")));
    const QString code = entry.code;
    connect(action, &QAction::triggered, target, [target, code] {
      target->insert(code);
      target->setFocus();
    });
  }
  button->setMenu(menu);
  button->setPopupMode(QToolButton::InstantPopup);
  return button;
}

QWidget* PageSetupDialog::FontRow(QLabel*& label, QFont& font, const char* name) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* caption = new QLabel(name);
  caption->setMinimumWidth(60);
  label = new QLabel;
  label->setFrameShape(QFrame::StyledPanel);
  ShowFont(label, font);
  auto* button = new QPushButton("...");
  button->setFixedWidth(button->fontMetrics().horizontalAdvance("....") + 16);
  layout->addWidget(caption);
  layout->addWidget(label, 1);
  layout->addWidget(button);
  QLabel* shown = label;
  connect(button, &QPushButton::clicked, this, [this, shown, &font] {
    QFont chosen = font;
    if (!chooseFont_(chosen, this)) return;
    font = chosen;
    ShowFont(shown, font);
  });
  return row;
}

void PageSetupDialog::ShowFont(QLabel* label, const QFont& font) {
  const long points = std::lround(font.pointSizeF());
  label->setText(QString::fromStdString(
      FormatText(LoadText(kStrFontDescription), font.family().toStdString(), points)));
}

void PageSetupDialog::Store(AppSettings& settings) const {
  settings.PrintHeader = header_->text().toStdString();
  settings.PrintFooter = footer_->text().toStdString();
  settings.PrintPortrait = portrait_->isChecked() ? 1 : 0;
  for (std::size_t i = 0; i < 4; ++i) settings.PrintMargins[i] = margins_[i]->value();
  settings.PrintFont = bodyFont_.family().toStdString();
  settings.PrintPointSize = std::max(1, static_cast<int>(std::lround(bodyFont_.pointSizeF())));
  settings.PrintHeaderFont = headerFont_.family().toStdString();
  settings.PrintHeaderSize = std::max(1, static_cast<int>(std::lround(headerFont_.pointSizeF())));
}

}  // namespace vandrel::ui
