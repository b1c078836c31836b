#include "templates/ui/options_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <string>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "documents/date_stamps.h"

namespace vandrel::ui {

namespace {

QString Text(int id) {
  const std::string_view text = StringTableText(id);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A colour value (red in the lowest byte) as a colour; Automatic is the
// palette's `automatic`.
QColor ColourOf(std::uint32_t value, const QColor& automatic) {
  if (value == kAutomaticColour) return automatic;
  return QColor(static_cast<int>(value & 0xff), static_cast<int>(value >> 8 & 0xff),
                static_cast<int>(value >> 16 & 0xff));
}

QIcon Swatch(const QColor& colour) {
  QPixmap pixmap(24, 14);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(64, 64, 64));
  painter.setBrush(colour);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  painter.end();
  return QIcon(pixmap);
}

// A colour entry "<Q=RGB(r,g,b)>name": the swatch colour and the name.
bool ParseColourEntry(const QString& entry, QColor* colour, QString* name) {
  static const QRegularExpression markup(
      QStringLiteral(R"(^<Q=RGB\((\d+),(\d+),(\d+)\)>\s*(.*)$)"));
  const QRegularExpressionMatch match = markup.match(entry);
  if (!match.hasMatch()) return false;
  *colour = QColor(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
  *name = match.captured(4);
  return true;
}

// The 17 named colours, then Automatic made from `automatic`; each entry
// holds its colour value.
void FillColourBox(QComboBox* box, const QColor& automatic) {
  const QStringList entries = Text(kStrColourList).split(QLatin1Char(';'));
  const auto named = NamedColours();
  for (int i = 0; i < entries.size() && i < static_cast<int>(named.size()); ++i) {
    QColor colour;
    QString name;
    if (!ParseColourEntry(entries[i], &colour, &name)) continue;
    box->addItem(Swatch(colour), name,
                 QVariant::fromValue(named[static_cast<std::size_t>(i)].value));
  }
  const QString automaticEntry =
      QString::asprintf(Text(kStrAutomaticColourFormat).toUtf8().constData(), automatic.red(),
                        automatic.green(), automatic.blue());
  QColor colour;
  QString name;
  if (ParseColourEntry(automaticEntry, &colour, &name)) {
    box->addItem(Swatch(colour), name, QVariant::fromValue(kAutomaticColour));
  }
}

struct FolderRow {
  int name;
  std::string AppSettings::*setting;
};
constexpr std::array<FolderRow, 6> kFolderRows{{
    {kStrDirectoryTemplates, &AppSettings::TemplatesFolder},
    {kStrDirectoryVdxFiles, &AppSettings::VDXFolder},
    {kStrDirectoryProjectFiles, &AppSettings::ProjectsFolder},
    {kStrDirectoryLocalFiles, &AppSettings::LocalFolder},
    {kStrDirectoryUserTemplates, &AppSettings::LocalTemplates},
    {kStrDirectoryNativeLanguageFiles, &AppSettings::NLSFiles},
}};

}  // namespace

QString ChooseFolderWithDialog(QWidget* parent, const QString& current) {
  return QFileDialog::getExistingDirectory(parent, Text(kStrFolderBrowserTitle), current);
}

SteppedNumberBox::SteppedNumberBox(int low, int high, QWidget* parent)
    : QSpinBox(parent), low_(low), high_(high) {
  setRange(0, 999);
}

void SteppedNumberBox::stepBy(int steps) { setValue(std::clamp(value() + steps, low_, high_)); }

QAbstractSpinBox::StepEnabled SteppedNumberBox::stepEnabled() const {
  StepEnabled enabled = StepNone;
  if (value() < high_) enabled |= StepUpEnabled;
  if (value() > low_) enabled |= StepDownEnabled;
  return enabled;
}

OptionsPage::OptionsPage(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
}

void OptionsPage::Apply(AppSettings& settings) const {
  for (const auto& [box, setting] : flags_) settings.*setting = box->isChecked() ? 1 : 0;
}

QCheckBox* OptionsPage::FlagBox(const QString& text, const QString& name,
                                const AppSettings& settings, std::int32_t AppSettings::*setting) {
  auto* box = new QCheckBox(text, this);
  box->setObjectName(name);
  box->setChecked(settings.*setting != 0);
  flags_.emplace_back(box, setting);
  return box;
}

// Editor

EditorOptionsPage::EditorOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(QStringLiteral("editorPage"), parent),
      tabSize_(new SteppedNumberBox(2, 10, this)),
      tagFormat_(new QComboBox(this)),
      tagExample_(new QLabel(this)) {
  const AppSettings& s = settings;
  using S = AppSettings;
  auto* checks = new QGridLayout;
  checks->addWidget(FlagBox("Selection &margin", "selectionMargin", s, &S::SelectionMargin), 0, 0);
  checks->addWidget(FlagBox("&Ruler", "ruler", s, &S::ShowRuler), 1, 0);
  checks->addWidget(FlagBox("&Line breaks", "lineBreaks", s, &S::ShowLineBreaks), 2, 0);
  checks->addWidget(
      FlagBox("&Virtual line numbers", "virtualLineNumbers", s, &S::VirtualLineNumbers), 3, 0);
  checks->addWidget(FlagBox("Smart &indenting", "smartIndent", s, &S::SmartIndent), 4, 0);
  checks->addWidget(FlagBox("&Drag-and-drop text editing", "dragDrop", s, &S::DragDropEditing), 0,
                    1);
  checks->addWidget(
      FlagBox("Show template in &caption", "templateInCaption", s, &S::TemplateInCaption), 1, 1);
  checks->addWidget(FlagBox("Remember &find settings", "rememberFind", s, &S::RememberFind), 2, 1);
  checks->addWidget(
      FlagBox("E&nsure find selection visible", "keepFindVisible", s, &S::KeepFindSelVisible), 3,
      1);
  checks->addWidget(FlagBox("Selected text range &ToolTips", "rangeTips", s, &S::EditRangeTips), 4,
                    1);

  tabSize_->setObjectName("tabSize");
  tabSize_->setValue(settings.DefaultTabStops);
  auto* tabLabel = new QLabel("&Tab size:", this);
  tabLabel->setBuddy(tabSize_);
  auto* tabRow = new QHBoxLayout;
  tabRow->addWidget(tabLabel);
  tabRow->addWidget(tabSize_);
  tabRow->addStretch(1);

  tagFormat_->setObjectName("tagFormat");
  tagFormat_->setEditable(true);
  tagFormat_->setInsertPolicy(QComboBox::NoInsert);
  tagFormat_->lineEdit()->setMaxLength(static_cast<int>(kCobol85TokenLength));
  for (const std::string& pattern : CobolTokenPatterns()) tagFormat_->addItem(FromUtf8(pattern));
  tagFormat_->setCurrentIndex(-1);
  tagFormat_->setEditText(FromUtf8(settings.Cobol85Token));
  tagExample_->setObjectName("tagExample");
  auto* tagLabel = new QLabel("Line t&ag format for COBOL85", this);
  tagLabel->setBuddy(tagFormat_);
  auto* tagBox = new QGroupBox(this);
  auto* tagLayout = new QGridLayout(tagBox);
  tagLayout->addWidget(tagLabel, 0, 0);
  tagLayout->addWidget(tagFormat_, 0, 1);
  tagLayout->addWidget(tagExample_, 1, 1);
  tagLayout->setColumnStretch(1, 1);
  connect(tagFormat_, &QComboBox::editTextChanged, this, [this] { ShowTagExample(); });
  ShowTagExample();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(checks);
  layout->addLayout(tabRow);
  layout->addWidget(tagBox);
  layout->addStretch(1);
}

void EditorOptionsPage::ShowTagExample() {
  const std::string example = TagExample(tagFormat_->currentText().toStdString(), LocalDate());
  tagExample_->setText(
      QString::asprintf(Text(kStrExampleFormat).toUtf8().constData(), example.c_str()));
}

void EditorOptionsPage::Apply(AppSettings& settings) const {
  OptionsPage::Apply(settings);
  settings.DefaultTabStops = StoredTabStops(tabSize_->value());
  settings.Cobol85Token = tagFormat_->currentText().left(kCobol85TokenLength).toStdString();
}

// Build

BuildOptionsPage::BuildOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(QStringLiteral("buildPage"), parent) {
  const AppSettings& s = settings;
  using S = AppSettings;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      FlagBox("&Empty output window before running", "emptyOutput", s, &S::EmptyOutput));
  layout->addWidget(
      FlagBox("&Save open files before running", "saveBeforeBuild", s, &S::SaveBeforeBuild));
  layout->addWidget(
      FlagBox("Ec&ho commands to the output window", "echoCommands", s, &S::EchoCommands));
  layout->addWidget(
      FlagBox("Sound &bell characters in output window", "soundBell", s, &S::SoundOutputBell));
  layout->addWidget(FlagBox("&Count errors on completion", "countErrors", s, &S::CountErrors));
  layout->addWidget(
      FlagBox("Highlight the &first error found", "firstError", s, &S::Select1stError));
  layout->addWidget(
      FlagBox("Sound &warning when errors detected", "soundErrors", s, &S::SoundErrors));
  layout->addStretch(1);
}

// Workspace

WorkspaceOptionsPage::WorkspaceOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(QStringLiteral("workspacePage"), parent),
      gettingStarted_(settings.GettingStarted),
      reloadProject_(new QCheckBox("Reload last project on startup", this)) {
  const AppSettings& s = settings;
  using S = AppSettings;
  reloadProject_->setObjectName("reloadProject");
  reloadProject_->setChecked(ReloadLastProject(settings.GettingStarted));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(reloadProject_);
  layout->addWidget(
      FlagBox("Display getting started dialog on startup", "startupDialog", s, &S::StartupDialog));
  layout->addWidget(FlagBox("Allow multiple copies of the same file to be opened", "duplicateOpen",
                            s, &S::AllowDuplicateOpen));
  layout->addWidget(FlagBox("Display animation during server connection", "connectionAnimation", s,
                            &S::ShowConnectionDlg));
  layout->addWidget(FlagBox("Reconnect automatically when the host connection is lost",
                            "autoReconnect", s, &S::AutoReconnect));
  layout->addWidget(FlagBox("&Maximize files opened", "maximizeFiles", s, &S::OpenFirstFileMax));
  layout->addWidget(
      FlagBox("Enable project modification warnings", "projectWarnings", s, &S::ConfirmDelete));
  layout->addWidget(FlagBox("Display function parameter lists in Code Navigator tree",
                            "navigatorParams", s, &S::CodeNavTreeParams));
  layout->addWidget(FlagBox("Enable Code Navigator tips when editing", "navigatorTips", s,
                            &S::CodeNavigatorTips));
  layout->addWidget(FlagBox("Display Workspace and Output views on startup", "viewsOnStartup", s,
                            &S::ShowViewsOnStartup));
  layout->addWidget(
      FlagBox("Backup project files when saving", "backupProjects", s, &S::BackupProjectFiles));
  layout->addStretch(1);
}

void WorkspaceOptionsPage::Apply(AppSettings& settings) const {
  OptionsPage::Apply(settings);
  // Left as it was, the box keeps the Getting Started dialog's last choice
  // (open a project or start the wizard) instead of turning it into 0.
  const bool reload = reloadProject_->isChecked();
  if (reload != ReloadLastProject(gettingStarted_))
    settings.GettingStarted = GettingStartedFor(reload);
}

// Advanced

AdvancedOptionsPage::AdvancedOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(QStringLiteral("advancedPage"), parent),
      noInitialList_(
          new QCheckBox("Disable initial directory listings in file dialog boxes", this)),
      cacheSize_(new QSlider(Qt::Horizontal, this)),
      cacheLabel_(new QLabel(this)) {
  const AppSettings& s = settings;
  using S = AppSettings;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FlagBox("Enable filename changes in the project settings", "projectRename", s,
                            &S::AllowProjectRename));
  layout->addWidget(
      FlagBox("Case sensitive &wildcard matching", "wildcardCase", s, &S::WildcardCase));
  noInitialList_->setObjectName("noInitialList");
  noInitialList_->setChecked(settings.InitialDirList == 0);
  layout->addWidget(noInitialList_);

  cacheSize_->setObjectName("cacheSize");
  cacheSize_->setRange(0, 1000);
  cacheSize_->setSingleStep(10);
  cacheSize_->setPageStep(100);
  cacheSize_->setTickPosition(QSlider::TicksBelow);
  cacheSize_->setTickInterval(100);
  cacheSize_->setValue(settings.FolderCacheSize);
  cacheLabel_->setObjectName("cacheLabel");
  cacheLabel_->setMinimumWidth(60);
  const auto showCache = [this] {
    cacheLabel_->setText(FromUtf8(CacheSizeLabel(cacheSize_->value())));
  };
  connect(cacheSize_, &QSlider::valueChanged, this, showCache);
  showCache();
  auto* cacheRow = new QHBoxLayout;
  cacheRow->addWidget(new QLabel("Directory listing cache size:", this));
  cacheRow->addWidget(cacheSize_, 1);
  cacheRow->addWidget(cacheLabel_);
  layout->addLayout(cacheRow);
  layout->addStretch(1);
}

void AdvancedOptionsPage::Apply(AppSettings& settings) const {
  OptionsPage::Apply(settings);
  settings.InitialDirList = noInitialList_->isChecked() ? 0 : 1;
  settings.FolderCacheSize = cacheSize_->value();
}

// Directories

DirectoriesOptionsPage::DirectoriesOptionsPage(const AppSettings& settings, FolderChooser chooser,
                                               QWidget* parent)
    : OptionsPage(QStringLiteral("directoriesPage"), parent),
      chooser_(chooser ? std::move(chooser) : FolderChooser(&ChooseFolderWithDialog)),
      list_(new QTreeWidget(this)),
      modify_(new QPushButton("Modify...", this)) {
  list_->setObjectName("folders");
  list_->setColumnCount(2);
  list_->setHeaderLabels(
      {Text(kStrDirectoriesColumnSetting), Text(kStrDirectoriesColumnDirectory)});
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setStretchLastSection(true);
  for (const FolderRow& row : kFolderRows) {
    new QTreeWidgetItem(list_, {Text(row.name), FromUtf8(ShownFolder(settings.*row.setting))});
  }
  // The names column is 120 pixels, wider when a name would be cut off.
  list_->resizeColumnToContents(0);
  list_->setColumnWidth(0, std::max(120, list_->columnWidth(0) + 12));
  list_->setCurrentItem(list_->topLevelItem(0));
  modify_->setObjectName("modify");
  connect(modify_, &QPushButton::clicked, this, &DirectoriesOptionsPage::Modify);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Modify(); });

  auto* note = new QLabel(
      "Note: Changes to directory locations will only take effect after restarting "
      "Vandrel",
      this);
  note->setWordWrap(true);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(modify_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttonRow);
  layout->addWidget(note);
}

void DirectoriesOptionsPage::Modify() {
  QTreeWidgetItem* row = list_->currentItem();
  if (row == nullptr) return;
  const QString current = FromUtf8(StoredFolder(row->text(1).toStdString()));
  const QString chosen = chooser_(this, current);
  if (!chosen.isEmpty()) row->setText(1, chosen);
}

void DirectoriesOptionsPage::Apply(AppSettings& settings) const {
  for (std::size_t i = 0; i < kFolderRows.size(); ++i) {
    const QTreeWidgetItem* row = list_->topLevelItem(static_cast<int>(i));
    settings.*kFolderRows[i].setting = StoredFolder(row->text(1).toStdString());
  }
}

// Display

DisplayOptionsPage::DisplayOptionsPage(const AppSettings& settings, QWidget* parent)
    : OptionsPage(QStringLiteral("displayPage"), parent),
      colours_(settings),
      face_(new QComboBox(this)),
      size_(new SteppedNumberBox(6, 72, this)),
      categories_(new QListWidget(this)),
      foreground_(new QComboBox(this)),
      background_(new QComboBox(this)),
      sample_(new QLabel(QStringLiteral("-- AaBbCc --"), this)) {
  face_->setObjectName("faceName");
  for (const QString& family : QFontDatabase::families()) {
    if (QFontDatabase::isFixedPitch(family)) face_->addItem(family);
  }
  const int current = face_->findText(FromUtf8(settings.EditorFont), Qt::MatchFixedString);
  face_->setCurrentIndex(current >= 0 ? current : 0);
  size_->setObjectName("pointSize");
  size_->setValue(settings.EditorFontSize);

  categories_->setObjectName("categories");
  for (const DisplayCategory& category : DisplayCategories()) {
    categories_->addItem(FromUtf8(category.name));
  }
  foreground_->setObjectName("foreground");
  background_->setObjectName("background");
  FillColourBox(foreground_, palette().color(QPalette::WindowText));
  FillColourBox(background_, palette().color(QPalette::Window));

  sample_->setObjectName("sample");
  sample_->setAlignment(Qt::AlignCenter);
  sample_->setAutoFillBackground(true);
  sample_->setMinimumHeight(60);
  sample_->setFrameShape(QFrame::StyledPanel);

  auto* grid = new QGridLayout(this);
  auto* faceLabel = new QLabel("Face &name:", this);
  faceLabel->setBuddy(face_);
  auto* sizeLabel = new QLabel("Point &size:", this);
  sizeLabel->setBuddy(size_);
  auto* foreLabel = new QLabel("&Foreground:", this);
  foreLabel->setBuddy(foreground_);
  auto* backLabel = new QLabel("&Background:", this);
  backLabel->setBuddy(background_);
  grid->addWidget(faceLabel, 0, 0);
  grid->addWidget(face_, 1, 0);
  grid->addWidget(sizeLabel, 0, 1);
  grid->addWidget(size_, 1, 1);
  grid->addWidget(new QLabel("Category", this), 2, 0);
  grid->addWidget(categories_, 3, 0, 5, 1);
  grid->addWidget(foreLabel, 3, 1);
  grid->addWidget(foreground_, 4, 1);
  grid->addWidget(backLabel, 5, 1);
  grid->addWidget(background_, 6, 1);
  grid->setRowStretch(7, 1);
  grid->addWidget(sample_, 8, 0, 1, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);

  connect(categories_, &QListWidget::currentRowChanged, this, [this] { ShowCategory(); });
  connect(foreground_, &QComboBox::activated, this, [this] { ColourChosen(foreground_, true); });
  connect(background_, &QComboBox::activated, this, [this] { ColourChosen(background_, false); });
  connect(face_, &QComboBox::currentIndexChanged, this, [this] { ShowSample(); });
  connect(size_, &QSpinBox::valueChanged, this, [this] { ShowSample(); });
  categories_->setCurrentRow(0);
  ShowCategory();
}

const DisplayCategory* DisplayOptionsPage::CurrentCategory() const {
  const int row = categories_->currentRow();
  const auto all = DisplayCategories();
  if (row < 0 || row >= static_cast<int>(all.size())) return nullptr;
  return &all[static_cast<std::size_t>(row)];
}

void DisplayOptionsPage::ShowCategory() {
  const DisplayCategory* category = CurrentCategory();
  if (category == nullptr) return;
  foreground_->setCurrentIndex(ColourChoiceIndex(ForegroundOf(colours_, *category)));
  foreground_->setEnabled(category->foreground != nullptr);
  background_->setCurrentIndex(ColourChoiceIndex(BackgroundOf(colours_, *category)));
  background_->setEnabled(category->background != nullptr);
  ShowSample();
}

void DisplayOptionsPage::ColourChosen(QComboBox* box, bool foreground) {
  const DisplayCategory* category = CurrentCategory();
  if (category == nullptr || box->currentIndex() < 0) return;
  std::uint32_t AppSettings::*setting = foreground ? category->foreground : category->background;
  if (setting == nullptr) return;
  colours_.*setting = box->currentData().value<std::uint32_t>();
  ShowSample();
}

void DisplayOptionsPage::ShowSample() {
  QFont font(face_->currentText());
  font.setPointSize(StoredFontSize(size_->value()));
  sample_->setFont(font);
  QPalette colours = sample_->palette();
  if (const DisplayCategory* category = CurrentCategory()) {
    colours.setColor(QPalette::WindowText, ColourOf(ForegroundOf(colours_, *category),
                                                    palette().color(QPalette::WindowText)));
    colours.setColor(QPalette::Window, ColourOf(BackgroundOf(colours_, *category),
                                                palette().color(QPalette::Window)));
  }
  sample_->setPalette(colours);
}

void DisplayOptionsPage::Apply(AppSettings& settings) const {
  if (face_->currentIndex() >= 0) settings.EditorFont = face_->currentText().toStdString();
  settings.EditorFontSize = StoredFontSize(size_->value());
  for (const DisplayCategory& category : DisplayCategories()) {
    if (category.foreground) settings.*category.foreground = colours_.*category.foreground;
    if (category.background) settings.*category.background = colours_.*category.background;
  }
}

}  // namespace vandrel::ui
