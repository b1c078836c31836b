#include "project/ui/output_mask_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "project/error_mask.h"
#include "project/settings_selection.h"
#include "project/ui/project_settings_fields.h"

namespace vandrel::ui {

namespace {
constexpr int kHelpRole = Qt::UserRole;
}

OutputMaskDialog::OutputMaskDialog(const QString& mask, QWidget* parent)
    : QDialog(parent),
      mask_(new QLineEdit(this)),
      tokens_(new QListWidget(this)),
      description_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setWindowTitle(tr("Custom Output Mask"));
  setObjectName("outputMaskDialog");
  auto* layout = new QVBoxLayout(this);

  mask_->setObjectName("mask");
  mask_->setMaxLength(static_cast<int>(project::kMaxMaskText));
  mask_->setText(mask);
  mask_->installEventFilter(this);
  auto* maskCaption = new QLabel(tr("Output mask:"), this);
  maskCaption->setBuddy(mask_);
  layout->addWidget(maskCaption);
  layout->addWidget(mask_);

  tokens_->setObjectName("tokens");
  for (const project::MaskTokenHelp& token : project::OutputMaskTokens()) {
    auto* item = new QListWidgetItem(QtFromUtf8(token.token), tokens_);
    item->setData(kHelpRole, QtFromUtf8(token.help));
  }
  auto* tokensCaption = new QLabel(tr("&Tokens:"), this);
  tokensCaption->setBuddy(tokens_);
  layout->addWidget(tokensCaption);
  layout->addWidget(tokens_, 1);

  description_->setObjectName("description");
  description_->setWordWrap(true);
  description_->setTextFormat(Qt::PlainText);
  description_->setFrameShape(QFrame::StyledPanel);
  description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  description_->setMinimumHeight(3 * fontMetrics().lineSpacing());
  layout->addWidget(new QLabel(tr("Description:"), this));
  layout->addWidget(description_);
  layout->addWidget(buttons_);

  connect(tokens_, &QListWidget::currentRowChanged, this, &OutputMaskDialog::ShowHelp);
  connect(tokens_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { InsertToken(tokens_->row(item)); });
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // An empty mask never matches a line: there is nothing to keep.
  const auto enableOk = [this] {
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!mask_->text().isEmpty());
  };
  connect(mask_, &QLineEdit::textChanged, this, enableOk);
  enableOk();
  resize(420, 380);
}

QString OutputMaskDialog::mask() const { return mask_->text(); }

bool OutputMaskDialog::eventFilter(QObject* watched, QEvent* event) {
  // The field drops its selection when it loses the focus: remember it
  // first, so a token replaces what the user had selected.
  if (watched == mask_ && event->type() == QEvent::FocusOut) {
    caretAtFocusOut_ = mask_->cursorPosition();
    selectionStart_ = mask_->hasSelectedText() ? mask_->selectionStart() : caretAtFocusOut_;
    selectionEnd_ = mask_->hasSelectedText() ? mask_->selectionEnd() : caretAtFocusOut_;
  }
  return QDialog::eventFilter(watched, event);
}

void OutputMaskDialog::ShowHelp(int row) {
  const QListWidgetItem* item = tokens_->item(row);
  description_->setText(item ? item->data(kHelpRole).toString() : QString());
}

void OutputMaskDialog::InsertToken(int row) {
  const QListWidgetItem* item = tokens_->item(row);
  if (!item) return;
  // The field's own caret and selection, unless it lost the focus (and its
  // selection with it) and nothing moved the caret since.
  int start = mask_->hasSelectedText() ? mask_->selectionStart() : mask_->cursorPosition();
  int end = mask_->hasSelectedText() ? mask_->selectionEnd() : mask_->cursorPosition();
  if (!mask_->hasFocus() && !mask_->hasSelectedText() &&
      mask_->cursorPosition() == caretAtFocusOut_) {
    start = selectionStart_;
    end = selectionEnd_;
  }
  if (!InsertIntoField(*mask_, start, end, item->text())) {
    QApplication::beep();
    return;
  }
  caretAtFocusOut_ = -1;
  mask_->setFocus();
}

std::optional<std::string> EditOutputMask(QWidget* parent, const std::string& mask) {
  OutputMaskDialog dialog(QtFromUtf8(mask), parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return Utf8FromQt(dialog.mask());
}

}  // namespace vandrel::ui
