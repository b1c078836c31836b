#include "editor/ui/search_dialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLineEdit>

#include "core/app_settings.h"
#include "core/find_history.h"
#include "editor/ui/editor_finder.h"
#include "editor/ui/history_combo.h"
#include "editor/ui/qsci_edit_control.h"

namespace vandrel::ui {

namespace {

PixelRect RectOf(const QRect& rect) {
  return PixelRect{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

SearchDialog::SearchDialog(FindDialogKind kind, const SearchDialogServices& services,
                           QWidget* parent)
    : QDialog(parent),
      services_(services),
      model_(kind, services.session->OptionsForDialog(), services.finder->Facts()) {
  setModal(true);
  findWhat_ = new HistoryCombo(services.store, kFindHistory, this);
  findWhat_->setObjectName("findWhat");
  findWhat_->SetText(model_.findText());
  findWhat_->lineEdit()->selectAll();
  wholeWord_ = new QCheckBox("Match &whole word only", this);
  wholeWord_->setObjectName("wholeWord");
  matchCase_ = new QCheckBox("Match &case", this);
  matchCase_->setObjectName("matchCase");
  wrap_ = new QCheckBox("&Wrap search direction", this);
  wrap_->setObjectName("wrap");
  wholeWord_->setChecked(model_.options() & kFindWholeWord);
  matchCase_->setChecked(model_.options() & kFindMatchCase);
  wrap_->setChecked(model_.options() & kFindWrap);
  connect(findWhat_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    model_.SetFindText(text.toStdString());
    UpdateButtons();
  });
}

QLayout* SearchDialog::OptionsBeside(QWidget* choice) {
  auto* boxes = new QVBoxLayout;
  boxes->addWidget(wholeWord_);
  boxes->addWidget(matchCase_);
  boxes->addWidget(wrap_);
  boxes->addStretch();
  auto* options = new QHBoxLayout;
  options->addLayout(boxes);
  options->addWidget(choice, 0, Qt::AlignTop);
  return options;
}

void SearchDialog::ReadBoxes() {
  model_.SetFindText(findWhat_->Text());
  model_.SetOption(kFindWholeWord, wholeWord_->isChecked());
  model_.SetOption(kFindMatchCase, matchCase_->isChecked());
  model_.SetOption(kFindWrap, wrap_->isChecked());
}

void SearchDialog::RecordSearch() {
  ReadBoxes();
  findWhat_->SaveHistory();
  services_.session->StoreOptions(model_.options());
}

void SearchDialog::KeepFoundTextInSight() {
  if (services_.settings == nullptr || services_.settings->KeepFindSelVisible == 0) return;
  QWidget* mainWindow = parentWidget() ? parentWidget()->window() : nullptr;
  if (mainWindow == nullptr) return;
  QsciEditControl& control = *services_.control;
  const QRect editor(control.mapToGlobal(QPoint(0, 0)), control.size());
  const auto place =
      KeepFoundTextVisible(RectOf(frameGeometry()), RectOf(control.SelectionScreenRect()),
                           RectOf(editor), RectOf(mainWindow->frameGeometry()));
  if (place) move(place->first, place->second);
}

}  // namespace vandrel::ui
