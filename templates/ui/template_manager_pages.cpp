#include "templates/ui/template_manager_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "core/text_window.h"
#include "documents/file_codes.h"
#include "editor/edit_control.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel::ui {

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

QString Text(int id) { return FromUtf8(StringTableText(id)); }

QStringList ToList(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << FromUtf8(item);
  return list;
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QCheckBox* Check(const char* text, const char* name, QWidget* parent) {
  return Named(new QCheckBox(QString::fromUtf8(text), parent), name);
}

// A number field for a value typed as an unsigned decimal (or, with
// `signedValue`, a signed one).
QSpinBox* Number(const char* name, QWidget* parent, bool signedValue = false) {
  auto* box = Named(new QSpinBox(parent), name);
  box->setRange(signedValue ? std::numeric_limits<int>::min() : 0, kIntMax);
  box->setMaximumWidth(110);
  box->setMinimumWidth(80);
  return box;
}

QLineEdit* Field(const char* name, int maxLength, QWidget* parent) {
  auto* field = Named(new QLineEdit(parent), name);
  field->setMaxLength(maxLength);
  return field;
}

QLabel* Label(const char* text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setBuddy(buddy);
  return label;
}

QWidget* NewPage(const char* name) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  return page;
}

// The keyword box as the keyword lists' dialog item.
class KeywordBoxItems final : public DialogItems {
 public:
  explicit KeywordBoxItems(QPlainTextEdit* box) : box_(box) {}
  std::string ItemText(int) const override { return ToUtf8(box_->toPlainText()); }
  void SetItemText(int, std::string_view text) override { box_->setPlainText(FromUtf8(text)); }

 private:
  QPlainTextEdit* box_;
};

}  // namespace

TemplatePages::TemplatePages(const TemplateCatalogue& catalogue, OutputMaskEditor editMask,
                             QWidget* parent)
    : QTabWidget(parent), catalogue_(catalogue), editMask_(std::move(editMask)) {
  setObjectName("templatePages");
  addTab(MakeEditorPage(), "Editor");
  addTab(MakeLineNumbersPage(), "Line Numbers");
  addTab(MakeSyntaxPage(), "Syntax");
  addTab(MakeKeywordsPage(), "Keywords");
  addTab(MakeAdvancedPage(), "Advanced");
  addTab(MakeMpePage(), "MPE/iX");

  for (QCheckBox* box : {override_, insertTabs_, remove_, mpeSupport_}) {
    connect(box, &QCheckBox::toggled, this, &TemplatePages::UpdateEnabling);
  }
  connect(qedit_, &QRadioButton::toggled, this, &TemplatePages::UpdateEnabling);
  for (QLineEdit* field : {commentStart_, commentEnd_, lineComment_}) {
    connect(field, &QLineEdit::textChanged, this, &TemplatePages::UpdateMarkerHint);
  }
  UpdateEnabling();
  UpdateMarkerHint();
}

QWidget* TemplatePages::MakeEditorPage() {
  QWidget* page = NewPage("editorPage");
  override_ = Check("&Override standard editor options", "overrideOptions", page);
  smartIndenting_ = Check("&Smart indenting", "smartIndenting", page);
  ruler_ = Check("Display &ruler", "displayRuler", page);
  saveTabs_ = Check("S&ave tabs as spaces", "saveTabsAsSpaces", page);
  tabSize_ = Number("tabSize", page);
  tabSizeLabel_ = Label("&Tab size:", tabSize_, page);
  insertTabs_ = Check("&Insert tabs as spaces", "insertTabsAsSpaces", page);
  tabPositions_ = Field("tabPositions", kMaxTabPositionsText, page);
  tabPositionsLabel_ = Label("Tab positions:", tabPositions_, page);
  tabPositionsHint_ = new QLabel(
      "Positions are specified as a comma delimited list of absolute tab positions. "
      "(4,10,20 etc) ",
      page);
  tabPositionsHint_->setWordWrap(true);

  auto* options = new QGridLayout;
  options->setContentsMargins(20, 0, 0, 0);
  options->addWidget(smartIndenting_, 0, 0, 1, 3);
  options->addWidget(ruler_, 1, 0, 1, 3);
  options->addWidget(saveTabs_, 2, 0, 1, 3);
  options->addWidget(tabSizeLabel_, 3, 0);
  options->addWidget(tabSize_, 3, 1);
  options->addWidget(insertTabs_, 4, 0, 1, 3);
  options->addWidget(tabPositionsLabel_, 5, 0);
  options->addWidget(tabPositions_, 5, 1, 1, 2);
  options->addWidget(tabPositionsHint_, 6, 1, 1, 2);
  options->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(override_);
  layout->addLayout(options);
  layout->addStretch(1);
  return page;
}

QWidget* TemplatePages::MakeLineNumbersPage() {
  QWidget* page = NewPage("lineNumbersPage");
  remove_ = Check("&Remove line numbers from the editable area", "removeLineNumbers", page);
  renumber_ = Check("Enable &automatic renumbering", "automaticRenumbering", page);
  mpeFormat_ = Check("Display line numbers in &MPE/iX format", "mpeLineNumbers", page);
  hideNumbers_ = Check("Hide line numbers", "hideLineNumbers", page);
  resequence_ = Check("Enable intelligent line re-sequencing", "intelligentResequencing", page);
  resequence_->setVisible(false);
  position_ = Named(new QComboBox(page), "lineNumberPosition");
  position_->addItems(ToList(LineNumberPositionChoices()));
  digits_ = Number("lineNumberDigits", page);
  start_ = Number("lineNumberStart", page);
  sequence_ = Number("lineNumberSequence", page);

  numberFields_ = new QWidget(page);
  auto* grid = new QGridLayout(numberFields_);
  grid->setContentsMargins(20, 0, 0, 0);
  grid->addWidget(renumber_, 0, 0, 1, 3);
  grid->addWidget(mpeFormat_, 1, 0, 1, 3);
  grid->addWidget(hideNumbers_, 2, 0, 1, 3);
  grid->addWidget(resequence_, 3, 0, 1, 3);
  grid->addWidget(Label("Line number &position:", position_, numberFields_), 4, 0);
  grid->addWidget(position_, 4, 1);
  grid->addWidget(Label("Line number &digits:", digits_, numberFields_), 5, 0);
  grid->addWidget(digits_, 5, 1);
  grid->addWidget(Label("Line number &start:", start_, numberFields_), 6, 0);
  grid->addWidget(start_, 6, 1);
  grid->addWidget(Label("Line number se&quence:", sequence_, numberFields_), 7, 0);
  grid->addWidget(sequence_, 7, 1);
  grid->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(remove_);
  layout->addWidget(numberFields_);
  layout->addStretch(1);
  return page;
}

QWidget* TemplatePages::MakeSyntaxPage() {
  QWidget* page = NewPage("syntaxPage");
  auto* words = new QGroupBox("Word delimiters", page);
  delimiters_ = Field("delimiters", kMaxDelimitersText, words);
  auto* wordsLayout = new QHBoxLayout(words);
  wordsLayout->addWidget(Label("Characters:", delimiters_, words));
  wordsLayout->addWidget(delimiters_, 1);

  singleQuotes_ = Check("Quoted strings use single quotes", "singleQuotes", page);
  doubleQuotes_ = Check("Quoted strings use double quotes", "doubleQuotes", page);

  auto* multi = new QGroupBox("Multi-line comments", page);
  commentStart_ = Field("commentStart", kMaxCommentMarkerText, multi);
  commentEnd_ = Field("commentEnd", kMaxCommentMarkerText, multi);
  auto* multiLayout = new QHBoxLayout(multi);
  multiLayout->addWidget(Label("Start:", commentStart_, multi));
  multiLayout->addWidget(commentStart_);
  multiLayout->addSpacing(12);
  multiLayout->addWidget(Label("End:", commentEnd_, multi));
  multiLayout->addWidget(commentEnd_);

  auto* single = new QGroupBox("Single-line comments", page);
  lineComment_ = Field("lineComment", kMaxCommentMarkerText, single);
  lineCommentPosition_ = Number("lineCommentPosition", single);
  auto* singleLayout = new QHBoxLayout(single);
  singleLayout->addWidget(Label("Start:", lineComment_, single));
  singleLayout->addWidget(lineComment_);
  singleLayout->addSpacing(12);
  singleLayout->addWidget(Label("Position:", lineCommentPosition_, single));
  singleLayout->addWidget(lineCommentPosition_);

  markerHint_ = Named(new QLabel(page), "markerHint");
  markerHint_->setText(
      QString("Comment markers longer than %1 characters are kept but not used for colouring.")
          .arg(kMaxCommentMarkerLength));
  markerHint_->setWordWrap(true);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(words);
  layout->addWidget(singleQuotes_);
  layout->addWidget(doubleQuotes_);
  layout->addWidget(multi);
  layout->addWidget(single);
  layout->addWidget(markerHint_);
  layout->addStretch(1);
  return page;
}

QWidget* TemplatePages::MakeKeywordsPage() {
  QWidget* page = NewPage("keywordsPage");
  keywordStyle_ = Named(new QComboBox(page), "keywordStyle");
  for (std::string_view name : kKeywordStyleNames) keywordStyle_->addItem(FromUtf8(name));
  keywordBox_ = Named(new QPlainTextEdit(page), "keywordBox");
  keywordBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
  keywordBox_->installEventFilter(this);
  caseSensitive_ = Check("Keywords are case sensitive", "caseSensitive", page);
  partialMatch_ = Check("Partial keyword matching from", "partialMatch", page);
  partialFrom_ = Number("partialMatchFrom", page);

  auto* style = new QHBoxLayout;
  style->addWidget(Label("Keyword Style:", keywordStyle_, page));
  style->addWidget(keywordStyle_, 1);
  auto* partial = new QHBoxLayout;
  partial->addWidget(partialMatch_);
  partial->addWidget(partialFrom_);
  partial->addWidget(new QLabel("characters", page));
  partial->addStretch(1);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(style);
  layout->addWidget(keywordBox_, 1);
  layout->addWidget(caseSensitive_);
  layout->addLayout(partial);

  connect(keywordStyle_, &QComboBox::currentIndexChanged, this, [this](int style) {
    // What was typed stays with the style that was shown.
    ReadKeywords();
    ShowKeywords(style);
  });
  return page;
}

QWidget* TemplatePages::MakeAdvancedPage() {
  QWidget* page = NewPage("advancedPage");
  navigator_ = Named(new QComboBox(page), "codeNavigator");
  helpFile_ = Field("helpFile", kMaxHelpFileText, page);
  helpBrowse_ = Named(new QPushButton("...", page), "helpBrowse");
  outputMask_ = Field("outputMask", kMaxOutputMaskText, page);
  maskBrowse_ = Named(new QPushButton("...", page), "maskBrowse");
  maskBrowse_->setEnabled(static_cast<bool>(editMask_));
  for (QPushButton* button : {helpBrowse_, maskBrowse_}) {
    button->setAutoDefault(false);
    button->setFixedWidth(32);
  }
  trim_ = Check("&Remove trailing spaces when loading", "trimTrailingSpaces", page);
  cobolTokens_ = Check("Support &COBOL line tokens", "cobolLineTokens", page);
  maximumLength_ = Number("maximumLineLength", page);

  auto* grid = new QGridLayout;
  grid->addWidget(Label("Code navigator:", navigator_, page), 0, 0);
  grid->addWidget(navigator_, 0, 1, 1, 2);
  grid->addWidget(Label("Context sensitive help file:", helpFile_, page), 1, 0);
  grid->addWidget(helpFile_, 1, 1);
  grid->addWidget(helpBrowse_, 1, 2);
  grid->addWidget(Label("Compiler output mask:", outputMask_, page), 2, 0);
  grid->addWidget(outputMask_, 2, 1);
  grid->addWidget(maskBrowse_, 2, 2);
  grid->setColumnStretch(1, 1);

  auto* length = new QHBoxLayout;
  length->addWidget(Label("Default maximum &line length:", maximumLength_, page));
  length->addWidget(maximumLength_);
  length->addStretch(1);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addWidget(trim_);
  layout->addWidget(cobolTokens_);
  layout->addLayout(length);
  layout->addStretch(1);

  connect(helpBrowse_, &QPushButton::clicked, this, &TemplatePages::ChooseHelpFile);
  connect(maskBrowse_, &QPushButton::clicked, this, &TemplatePages::EditOutputMask);
  return page;
}

QWidget* TemplatePages::MakeMpePage() {
  QWidget* page = NewPage("mpePage");
  mpeSupport_ = Check("&Hewlett-Packard MPE/iX Support", "mpeSupport", page);
  qedit_ = Named(new QRadioButton("&Qedit\u00ae file", page), "qeditFile");
  standard_ = Named(new QRadioButton("&Standard MPE file", page), "standardFile");
  auto* kinds = new QButtonGroup(page);
  kinds->addButton(qedit_);
  kinds->addButton(standard_);
  recordLength_ = Number("recordLength", page, true);
  recordLengthLabel_ = Label("&Record Length:", recordLength_, page);
  language_ = Named(new QComboBox(page), "qeditLanguage");
  language_->addItems(ToList(QeditLanguageChoices()));
  languageLabel_ = Label("&Language:", language_, page);
  fileCode_ = Named(new QComboBox(page), "fileCode");
  fileCode_->setEditable(true);
  fileCode_->setInsertPolicy(QComboBox::NoInsert);
  fileCode_->addItems(ToList(FileCodeChoices()));
  fileCode_->setMinimumContentsLength(24);
  fileCode_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fileCodeLabel_ = Label("File &Code:", fileCode_, page);
  type_ = Named(new QComboBox(page), "recordType");
  type_->addItems(ToList(RecordTypeChoices()));
  typeLabel_ = Label("&Type:", type_, page);
  mode_ = Named(new QComboBox(page), "fileMode");
  mode_->addItems(ToList(FileModeChoices()));
  modeLabel_ = Label("&Mode:", mode_, page);

  auto* grid = new QGridLayout;
  grid->setContentsMargins(20, 0, 0, 0);
  grid->addWidget(recordLengthLabel_, 0, 0);
  grid->addWidget(recordLength_, 0, 1, Qt::AlignLeft);
  grid->addWidget(qedit_, 1, 0, 1, 3);
  auto* qeditBox = new QGridLayout;
  qeditBox->setContentsMargins(20, 0, 0, 0);
  qeditBox->addWidget(languageLabel_, 0, 0);
  qeditBox->addWidget(language_, 0, 1, Qt::AlignLeft);
  qeditBox->setColumnStretch(2, 1);
  grid->addLayout(qeditBox, 2, 0, 1, 3);
  grid->addWidget(standard_, 3, 0, 1, 3);
  auto* standardBox = new QGridLayout;
  standardBox->setContentsMargins(20, 0, 0, 0);
  standardBox->addWidget(fileCodeLabel_, 0, 0);
  standardBox->addWidget(fileCode_, 0, 1, 1, 2);
  standardBox->addWidget(typeLabel_, 1, 0);
  standardBox->addWidget(type_, 1, 1, Qt::AlignLeft);
  standardBox->addWidget(modeLabel_, 2, 0);
  standardBox->addWidget(mode_, 2, 1, Qt::AlignLeft);
  standardBox->setColumnStretch(2, 1);
  grid->addLayout(standardBox, 4, 0, 1, 3);
  grid->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(mpeSupport_);
  layout->addLayout(grid);
  layout->addStretch(1);
  return page;
}

QWidget* TemplatePages::Page(const QString& objectName) const {
  for (int i = 0; i < count(); ++i) {
    if (widget(i)->objectName() == objectName) return widget(i);
  }
  return nullptr;
}

void TemplatePages::Load(Template& workingCopy) {
  workingCopy_ = &workingCopy;
  const TemplateControls controls = ControlsOfTemplate(workingCopy);
  navigator_->clear();
  navigator_->addItems(ToList(CodeNavigatorChoices(catalogue_, workingCopy.settings.SyntaxParser)));
  ShowControls(controls);
  // What the widgets made of the values (a clamped number, an entry not
  // found) counts as shown: only the user's changes are stored.
  shown_ = ReadControls();
  shownStyle_ = keywordStyle_->currentIndex();
  ShowKeywords(shownStyle_);
  UpdateEnabling();
}

void TemplatePages::Store() {
  if (workingCopy_ == nullptr) return;
  ReadKeywords();
  const TemplateControls now = ReadControls();
  StoreTemplateControls(shown_, now, *workingCopy_);
  shown_ = now;
}

void TemplatePages::ShowControls(const TemplateControls& c) {
  override_->setChecked(c.overrideOptions);
  smartIndenting_->setChecked(c.smartIndenting);
  ruler_->setChecked(c.displayRuler);
  saveTabs_->setChecked(c.saveTabsAsSpaces);
  tabSize_->setValue(c.tabSize);
  insertTabs_->setChecked(c.insertTabsAsSpaces);
  tabPositions_->setText(FromUtf8(c.tabPositions));

  remove_->setChecked(c.removeLineNumbers);
  renumber_->setChecked(c.automaticRenumbering);
  mpeFormat_->setChecked(c.mpeLineNumbers);
  hideNumbers_->setChecked(c.hideLineNumbers);
  resequence_->setChecked(c.intelligentResequencing);
  position_->setCurrentIndex(c.positionChoice);
  digits_->setValue(c.digits);
  start_->setValue(c.start);
  sequence_->setValue(c.sequence);

  delimiters_->setText(FromUtf8(c.delimiters));
  singleQuotes_->setChecked(c.singleQuotes);
  doubleQuotes_->setChecked(c.doubleQuotes);
  commentStart_->setText(FromUtf8(c.commentStart));
  commentEnd_->setText(FromUtf8(c.commentEnd));
  lineComment_->setText(FromUtf8(c.lineCommentStart));
  lineCommentPosition_->setValue(c.lineCommentPosition);

  caseSensitive_->setChecked(c.caseSensitive);
  partialMatch_->setChecked(c.partialMatch);
  partialFrom_->setValue(c.partialMatchFrom);

  navigator_->setCurrentIndex(
      navigator_->findText(FromUtf8(c.codeNavigator), Qt::MatchFixedString));
  helpFile_->setText(FromUtf8(c.helpFile));
  outputMask_->setText(FromUtf8(c.outputMask));
  trim_->setChecked(c.trimTrailingSpaces);
  cobolTokens_->setChecked(c.cobolLineTokens);
  maximumLength_->setValue(c.maximumLineLength);

  mpeSupport_->setChecked(c.mpeSupport);
  (c.qeditFile ? qedit_ : standard_)->setChecked(true);
  recordLength_->setValue(c.recordLength);
  language_->setCurrentIndex(c.languageChoice);
  const int codeChoice = fileCode_->findText(FromUtf8(c.fileCode), Qt::MatchExactly);
  fileCode_->setCurrentIndex(codeChoice);
  if (codeChoice < 0) fileCode_->setEditText(FromUtf8(c.fileCode));
  type_->setCurrentIndex(c.typeChoice);
  mode_->setCurrentIndex(c.modeChoice);
  // Long texts show from their start.
  for (QLineEdit* field : findChildren<QLineEdit*>()) field->setCursorPosition(0);
}

TemplateControls TemplatePages::ReadControls() const {
  TemplateControls c;
  c.overrideOptions = override_->isChecked();
  c.smartIndenting = smartIndenting_->isChecked();
  c.displayRuler = ruler_->isChecked();
  c.saveTabsAsSpaces = saveTabs_->isChecked();
  c.tabSize = tabSize_->value();
  c.insertTabsAsSpaces = insertTabs_->isChecked();
  c.tabPositions = ToUtf8(tabPositions_->text());

  c.removeLineNumbers = remove_->isChecked();
  c.automaticRenumbering = renumber_->isChecked();
  c.mpeLineNumbers = mpeFormat_->isChecked();
  c.hideLineNumbers = hideNumbers_->isChecked();
  c.intelligentResequencing = resequence_->isChecked();
  c.positionChoice = position_->currentIndex();
  c.digits = digits_->value();
  c.start = start_->value();
  c.sequence = sequence_->value();

  c.delimiters = ToUtf8(delimiters_->text());
  c.singleQuotes = singleQuotes_->isChecked();
  c.doubleQuotes = doubleQuotes_->isChecked();
  c.commentStart = ToUtf8(commentStart_->text());
  c.commentEnd = ToUtf8(commentEnd_->text());
  c.lineCommentStart = ToUtf8(lineComment_->text());
  c.lineCommentPosition = lineCommentPosition_->value();

  c.caseSensitive = caseSensitive_->isChecked();
  c.partialMatch = partialMatch_->isChecked();
  c.partialMatchFrom = partialFrom_->value();

  c.codeNavigator = ToUtf8(navigator_->currentText());
  c.helpFile = ToUtf8(helpFile_->text());
  c.outputMask = ToUtf8(outputMask_->text());
  c.trimTrailingSpaces = trim_->isChecked();
  c.cobolLineTokens = cobolTokens_->isChecked();
  c.maximumLineLength = maximumLength_->value();

  c.mpeSupport = mpeSupport_->isChecked();
  c.qeditFile = qedit_->isChecked();
  c.recordLength = recordLength_->value();
  c.languageChoice = language_->currentIndex();
  c.fileCode = ToUtf8(fileCode_->currentText());
  c.typeChoice = type_->currentIndex();
  c.modeChoice = mode_->currentIndex();
  return c;
}

void TemplatePages::UpdateEnabling() {
  TemplateControls c;
  c.overrideOptions = override_->isChecked();
  c.insertTabsAsSpaces = insertTabs_->isChecked();
  c.removeLineNumbers = remove_->isChecked();
  c.mpeSupport = mpeSupport_->isChecked();
  c.qeditFile = qedit_->isChecked();
  const TemplateControlsEnabled enabled = EnabledControls(c);

  for (QWidget* widget : std::initializer_list<QWidget*>{smartIndenting_, ruler_, saveTabs_,
                                                         tabSize_, tabSizeLabel_, insertTabs_}) {
    widget->setEnabled(enabled.editorOptions);
  }
  for (QWidget* widget :
       std::initializer_list<QWidget*>{tabPositions_, tabPositionsLabel_, tabPositionsHint_}) {
    widget->setEnabled(enabled.tabPositions);
  }
  numberFields_->setEnabled(enabled.lineNumberOptions);
  resequence_->setEnabled(false);
  for (QWidget* widget :
       std::initializer_list<QWidget*>{qedit_, standard_, recordLength_, recordLengthLabel_}) {
    widget->setEnabled(enabled.mpeFormat);
  }
  language_->setEnabled(enabled.qeditLanguage);
  languageLabel_->setEnabled(enabled.qeditLanguage);
  for (QWidget* widget : std::initializer_list<QWidget*>{fileCode_, fileCodeLabel_, type_,
                                                         typeLabel_, mode_, modeLabel_}) {
    widget->setEnabled(enabled.standardAttributes);
  }
}

void TemplatePages::UpdateMarkerHint() {
  bool fits = true;
  for (const QLineEdit* field : {commentStart_, commentEnd_, lineComment_}) {
    fits = fits && field->text().toUtf8().size() <= static_cast<qsizetype>(kMaxCommentMarkerLength);
  }
  markerHint_->setVisible(!fits);
}

void TemplatePages::ShowKeywords(int style) {
  shownStyle_ = style;
  if (workingCopy_ != nullptr && style >= 0 && style < 4) {
    KeywordBoxItems items(keywordBox_);
    workingCopy_->keywords[static_cast<std::size_t>(style)].ShowInEdit(items, 0);
  } else {
    keywordBox_->clear();
  }
  keywordBox_->document()->setModified(false);
}

void TemplatePages::ReadKeywords() {
  if (workingCopy_ == nullptr || !keywordBox_->document()->isModified()) return;
  if (shownStyle_ < 0 || shownStyle_ >= 4) return;
  const KeywordBoxItems items(keywordBox_);
  workingCopy_->keywords[static_cast<std::size_t>(shownStyle_)].ReadFromEdit(items, 0);
  keywordBox_->document()->setModified(false);
}

bool TemplatePages::eventFilter(QObject* watched, QEvent* event) {
  if (watched == keywordBox_ && event->type() == QEvent::FocusOut) ReadKeywords();
  return QTabWidget::eventFilter(watched, event);
}

void TemplatePages::ChooseHelpFile() {
  QFileDialog dialog(this, Text(kStrSelectHelpFileTitle));
  dialog.setObjectName("selectHelpFile");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({Text(kStrFilterHelpFiles), QStringLiteral("All Files (*)")});
  const QString current = helpFile_->text();
  if (!current.isEmpty()) {
    const QFileInfo info(current);
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString chosen = dialog.selectedFiles().constFirst();
  if (chosen.toUtf8().size() > kMaxHelpFileText) return;  // the field could not keep it
  helpFile_->setText(chosen);
}

void TemplatePages::EditOutputMask() {
  if (!editMask_) return;
  const std::optional<std::string> mask = editMask_(this, ToUtf8(outputMask_->text()));
  if (mask) outputMask_->setText(FromUtf8(mask->substr(0, kMaxOutputMaskText)));
}

}  // namespace vandrel::ui
