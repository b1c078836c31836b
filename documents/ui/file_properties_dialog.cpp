#include "documents/ui/file_properties_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QResizeEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "core/message_box.h"
#include "core/record_headers.h"
#include "core/user_interface.h"
#include "documents/file_codes.h"
#include "documents/mpe_page_model.h"
#include "platform/ascii_text.h"
#include "templates/template_catalogue.h"
#include "templates/template_lists.h"
#include "templates/template_matching.h"

namespace vandrel::ui {

namespace {

QString FromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A label that shortens its text with an ellipsis to the room it is given.
class ElidedLabel final : public QLabel {
 public:
  ElidedLabel(QString text, QWidget* parent) : QLabel(parent), full_(std::move(text)) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(120);
    setToolTip(full_);
    setText(full_);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, event->size().width()));
  }

 private:
  QString full_;
};

QComboBox* ChoiceBox(const std::vector<std::string>& items, QWidget* parent, bool editable) {
  auto* box = new QComboBox(parent);
  for (const std::string& item : items) box->addItem(FromStd(item));
  box->setEditable(editable);
  if (editable) box->setInsertPolicy(QComboBox::NoInsert);
  return box;
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (buddy != nullptr) label->setBuddy(buddy);
  return label;
}

// A typed record size: a whole number from 1 to the longest record.
std::optional<std::int32_t> RecordSizeOf(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok || value < 1 || value > static_cast<int>(kMaxRecordLength)) return std::nullopt;
  return value;
}

// The file code the combo box names: the row of an item picked from the
// list, else a typed number (leading blanks ignored, digits up to the first
// other character).
std::optional<std::int32_t> FileCodeOf(const QComboBox& box) {
  const QString text = box.currentText().trimmed();
  const int row = box.findText(text, Qt::MatchFixedString);
  if (row >= 0) return box.itemData(row).toInt();
  qsizetype digits = 0;
  while (digits < text.size() && digits < 9 && text[digits].isDigit() &&
         text[digits].unicode() < 128) {
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return text.left(digits).toInt();
}

}  // namespace

FilePropertiesDialog::FilePropertiesDialog(FilePropertiesInput input, UserInterface& ui,
                                           std::function<void(const DocumentFormat&)> apply,
                                           QWidget* parent)
    : QDialog(parent), input_(std::move(input)), ui_(ui), apply_(std::move(apply)) {
  setWindowTitle(tr("Properties"));
  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->addTab(MakeGeneralPage(), tr("General"));
  mpePage_ = MakeMpePage();
  qeditPage_ = MakeQeditPage();
  layout->addWidget(pages_);
  // Every change is applied as it is made: there is nothing left to confirm.
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
  layout->addWidget(buttons);
  SyncPages();
}

QWidget* FilePropertiesDialog::MakeGeneralPage() {
  const GeneralPageText text = vandrel::MakeGeneralPage(
      input_.format, input_.textLength, input_.lineCount, QLocale().groupSeparator().toStdString());
  auto* page = new QWidget(pages_);
  page->setObjectName("general");
  auto* form = new QFormLayout(page);

  form->addRow(tr("Filename:"), new ElidedLabel(FromStd(text.fileName), page));

  std::vector<std::string> names = {std::string(kTemplateNone)};
  if (input_.catalogue != nullptr)
    names = TemplateChooserEntries(*input_.catalogue, kListNone, true);
  template_ = ChoiceBox(names, page, false);
  template_->setObjectName("template");
  template_->setCurrentIndex(static_cast<int>(ChooserSelection(names, text.templateName)));
  connect(template_, &QComboBox::activated, this, &FilePropertiesDialog::TemplateChosen);
  form->addRow(Caption(tr("&Template:"), template_, page), template_);

  auto* size = new QLabel(FromStd(text.size), page);
  size->setObjectName("size");
  form->addRow(tr("Size:"), size);
  auto* modified = new QLabel(FromStd(text.lastModified), page);
  modified->setObjectName("lastModified");
  form->addRow(tr("Last Modified:"), modified);

  tabSize_ = ChoiceBox(TabSizeChoices(), page, true);
  tabSize_->setObjectName("tabSize");
  tabSize_->setCurrentText(FromStd(text.tabSize));
  connect(tabSize_, &QComboBox::activated, this, &FilePropertiesDialog::TabSizeEntered);
  connect(tabSize_->lineEdit(), &QLineEdit::editingFinished, this,
          &FilePropertiesDialog::TabSizeEntered);
  form->addRow(Caption(tr("&Tab size:"), tabSize_, page), tabSize_);

  lineEnds_ = ChoiceBox(LineEndChoices(), page, false);
  lineEnds_->setObjectName("lineEnds");
  lineEnds_->setCurrentIndex(text.lineEndChoice);
  lineEnds_->setEnabled(text.lineEndEnabled);
  connect(lineEnds_, &QComboBox::activated, this, &FilePropertiesDialog::LineEndsChosen);
  form->addRow(tr("File format:"), lineEnds_);
  return page;
}

QWidget* FilePropertiesDialog::MakeMpePage() {
  auto* page = new QWidget(this);
  page->setObjectName("mpe");
  auto* form = new QFormLayout(page);

  fileCode_ = new QComboBox(page);
  fileCode_->setObjectName("fileCode");
  fileCode_->setEditable(true);
  fileCode_->setInsertPolicy(QComboBox::NoInsert);
  for (const FileCodeRow& row : FileCodeTable()) {
    fileCode_->addItem(FromStd(FileCodeChoiceText(row)), row.code);
  }
  connect(fileCode_, &QComboBox::activated, this, &FilePropertiesDialog::FileCodeEntered);
  connect(fileCode_->lineEdit(), &QLineEdit::editingFinished, this,
          &FilePropertiesDialog::FileCodeEntered);
  form->addRow(Caption(tr("File &code:"), fileCode_, page), fileCode_);

  recordType_ = ChoiceBox(RecordTypeChoices(), page, false);
  recordType_->setObjectName("recordType");
  connect(recordType_, &QComboBox::activated, this, &FilePropertiesDialog::RecordTypeChosen);
  form->addRow(Caption(tr("File &type:"), recordType_, page), recordType_);

  fileMode_ = ChoiceBox(FileModeChoices(), page, false);
  fileMode_->setObjectName("fileMode");
  connect(fileMode_, &QComboBox::activated, this, &FilePropertiesDialog::FileModeChosen);
  form->addRow(Caption(tr("File &mode:"), fileMode_, page), fileMode_);

  recordSize_ = new QLineEdit(page);
  recordSize_->setObjectName("recordSize");
  recordSize_->setValidator(new QIntValidator(1, static_cast<int>(kMaxRecordLength), recordSize_));
  connect(recordSize_, &QLineEdit::editingFinished, this, &FilePropertiesDialog::RecordSizeEntered);
  form->addRow(tr("Record size:"), recordSize_);

  userLabels_ = new QLabel(page);
  userLabels_->setObjectName("userLabels");
  form->addRow(tr("User labels:"), userLabels_);
  return page;
}

QWidget* FilePropertiesDialog::MakeQeditPage() {
  auto* page = new QWidget(this);
  page->setObjectName("qedit");
  auto* form = new QFormLayout(page);

  qeditLanguage_ = ChoiceBox(QeditLanguageChoices(), page, false);
  qeditLanguage_->setObjectName("qeditLanguage");
  connect(qeditLanguage_, &QComboBox::activated, this, &FilePropertiesDialog::QeditLanguageChosen);
  form->addRow(tr("Language:"), qeditLanguage_);

  qeditRecordSize_ = new QLineEdit(page);
  qeditRecordSize_->setObjectName("qeditRecordSize");
  qeditRecordSize_->setValidator(
      new QIntValidator(1, static_cast<int>(kMaxRecordLength), qeditRecordSize_));
  connect(qeditRecordSize_, &QLineEdit::editingFinished, this,
          &FilePropertiesDialog::QeditRecordSizeEntered);
  form->addRow(tr("Record size:"), qeditRecordSize_);

  qeditEndOfFile_ = new QLabel(page);
  qeditEndOfFile_->setObjectName("qeditEndOfFile");
  form->addRow(tr("End of file:"), qeditEndOfFile_);
  qeditNumberLength_ = new QLabel(page);
  qeditNumberLength_->setObjectName("qeditNumberLength");
  form->addRow(tr("Line number length:"), qeditNumberLength_);
  qeditAlignment_ = new QLabel(page);
  qeditAlignment_->setObjectName("qeditAlignment");
  form->addRow(tr("Line number alginment:"), qeditAlignment_);
  return page;
}

void FilePropertiesDialog::SyncPages() {
  auto show = [this](QWidget* page, const QString& title, bool shown) {
    const int at = pages_->indexOf(page);
    if (shown && at < 0) {
      pages_->addTab(page, title);
    } else if (!shown && at >= 0) {
      pages_->removeTab(at);
    }
  };
  show(mpePage_, tr("MPE"), ShowsMpePage(input_.format));
  show(qeditPage_, tr("Qedit"), ShowsQeditPage(input_.format));
  RefreshMpePage();
  RefreshQeditPage();
}

void FilePropertiesDialog::RefreshMpePage() {
  const MpePageText text = vandrel::MakeMpePage(input_.format);
  refreshing_ = true;
  if (text.fileCodeChoice >= 0) {
    fileCode_->setCurrentIndex(text.fileCodeChoice);
  } else {
    fileCode_->setCurrentIndex(-1);
    fileCode_->setEditText(FromStd(text.fileCode));
  }
  recordType_->setCurrentIndex(text.recordTypeChoice);
  fileMode_->setCurrentIndex(text.modeChoice);
  recordSize_->setText(FromStd(text.recordSize));
  userLabels_->setText(FromStd(text.userLabels));
  refreshing_ = false;
}

void FilePropertiesDialog::RefreshQeditPage() {
  const QeditPageText text = vandrel::MakeQeditPage(input_.format);
  refreshing_ = true;
  qeditLanguage_->setCurrentIndex(text.languageChoice);
  qeditRecordSize_->setText(FromStd(text.recordSize));
  qeditEndOfFile_->setText(FromStd(text.endOfFile));
  qeditNumberLength_->setText(FromStd(text.numberLength));
  qeditAlignment_->setText(FromStd(text.alignment));
  refreshing_ = false;
}

void FilePropertiesDialog::Changed() {
  if (apply_) apply_(input_.format);
}

void FilePropertiesDialog::TemplateChosen(int index) {
  if (refreshing_ || index < 0) return;
  const std::string name = template_->itemText(index).toStdString();
  if (name == input_.format.templateName) return;
  input_.format.templateName = name;
  Changed();
}

void FilePropertiesDialog::TabSizeEntered() {
  if (refreshing_) return;
  const std::int32_t before = input_.format.tabWidth;
  if (!ChooseTabSize(input_.format, tabSize_->currentText().toStdString())) {
    // Not a tab size: the field shows the one in force again.
    refreshing_ = true;
    tabSize_->setCurrentText(FromStd(TabSizeText(input_.format.tabWidth)));
    refreshing_ = false;
    return;
  }
  if (input_.format.tabWidth != before) Changed();
}

void FilePropertiesDialog::LineEndsChosen(int index) {
  if (refreshing_) return;
  const std::uint32_t before = input_.format.lineEnds;
  if (ChooseLineEnds(input_.format, index) && input_.format.lineEnds != before) Changed();
}

void FilePropertiesDialog::FileCodeEntered() {
  if (refreshing_) return;
  const std::optional<std::int32_t> code = FileCodeOf(*fileCode_);
  if (!code || *code == input_.format.mpe.fcode) {
    RefreshMpePage();
    return;
  }
  const FileCodeChange change =
      ChangeFileCode(input_.format, *code, input_.connected && input_.qeditAvailable);
  if (!change.accepted) {
    RefreshMpePage();
    MessageBox(ui_, kMbOk | kMbIconWarning, change.messageId);
    return;
  }
  SyncPages();
  Changed();
}

void FilePropertiesDialog::RecordTypeChosen(int index) {
  if (refreshing_) return;
  const std::int32_t before = input_.format.mpe.type;
  if (ChooseRecordType(input_.format, index) && input_.format.mpe.type != before) Changed();
}

void FilePropertiesDialog::FileModeChosen(int index) {
  if (refreshing_) return;
  const std::int32_t before = input_.format.mpe.mode;
  if (ChooseFileMode(input_.format, index) && input_.format.mpe.mode != before) Changed();
}

void FilePropertiesDialog::RecordSizeEntered() {
  if (refreshing_) return;
  const std::optional<std::int32_t> size = RecordSizeOf(recordSize_->text());
  if (!size || *size == input_.format.mpe.reclen) {
    RefreshMpePage();
    return;
  }
  input_.format.mpe.reclen = *size;
  Changed();
}

void FilePropertiesDialog::QeditLanguageChosen(int index) {
  if (refreshing_) return;
  const std::int32_t before = input_.format.qedit.lang;
  if (ChooseQeditLanguage(input_.format, index) && input_.format.qedit.lang != before) Changed();
}

void FilePropertiesDialog::QeditRecordSizeEntered() {
  if (refreshing_) return;
  const std::optional<std::int32_t> size = RecordSizeOf(qeditRecordSize_->text());
  if (!size || *size == input_.format.qedit.reclen) {
    RefreshQeditPage();
    return;
  }
  input_.format.qedit.reclen = *size;
  Changed();
}

}  // namespace vandrel::ui
