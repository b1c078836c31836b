#include "project/ui/tools_options_page.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "project/macros.h"
#include "project/ui/macro_button.h"

namespace vandrel::ui {

namespace {

// The command, arguments and directory fields hold what their settings
// values can (260 bytes with the terminator).
constexpr int kToolFieldLength = 259;

QLineEdit* ToolField(const char* name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setMaxLength(kToolFieldLength);
  return field;
}

QString LocalProgram(QWidget* parent) {
  return QFileDialog::getOpenFileName(parent, "Browse", {},
                                      "Executable (*.exe);;Command (*.com);;Information (*.pif);;"
                                      "Batch (*.bat *.cmd);;All Files (*)",
                                      nullptr);
}

}  // namespace

ToolsOptionsPage::ToolsOptionsPage(std::vector<ToolRecord> tools, ToolsPageServices services,
                                   QWidget* parent)
    : QWidget(parent),
      tools_(std::move(tools)),
      services_(std::move(services)),
      list_(new QListWidget(this)),
      delete_(new QPushButton("&Delete", this)),
      up_(new QPushButton("Move &Up", this)),
      down_(new QPushButton("Move Do&wn", this)),
      command_(ToolField("command", this)),
      browse_(new QToolButton(this)),
      arguments_(ToolField("arguments", this)),
      directory_(ToolField("directory", this)),
      prompt_(new QCheckBox("&Prompt for arguments", this)),
      remote_(new QCheckBox("&Remote command", this)),
      output_(new QCheckBox("&Output to new window", this)),
      fields_(new QWidget(this)) {
  setObjectName("toolsPage");
  list_->setObjectName("tools");
  delete_->setObjectName("delete");
  up_->setObjectName("moveUp");
  down_->setObjectName("moveDown");
  prompt_->setObjectName("prompt");
  remote_->setObjectName("remote");
  output_->setObjectName("output");
  // Stored and edited, but running a tool does not use it.
  output_->hide();
  auto* add = new QPushButton("&New", this);
  add->setObjectName("new");

  browse_->setObjectName("browse");
  browse_->setText("...");
  browse_->setPopupMode(QToolButton::InstantPopup);
  auto* browseMenu = new QMenu(browse_);
  browseMenu->addAction("&Local Files...", this, &ToolsOptionsPage::BrowseLocal);
  QAction* remote =
      browseMenu->addAction("&Remote Files...", this, &ToolsOptionsPage::BrowseRemote);
  remote->setEnabled(services_.connected && services_.browseRemote);
  browse_->setMenu(browseMenu);
  auto* argumentsMacros = new MacroButton(arguments_, project::ToolArgumentsMacroMenu(), this);
  argumentsMacros->setObjectName("argumentsMacros");
  auto* directoryMacros = new MacroButton(directory_, project::ToolDirectoryMacroMenu(), this);
  directoryMacros->setObjectName("directoryMacros");

  const auto row = [this](QWidget* field, QWidget* button) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field, 1);
    layout->addWidget(button);
    return layout;
  };
  auto* form = new QFormLayout(fields_);
  form->setContentsMargins(0, 0, 0, 0);
  const auto labelled = [this](const char* text, QWidget* buddy) {
    auto* label = new QLabel(text, fields_);
    label->setBuddy(buddy);
    return label;
  };
  form->addRow(labelled("&Command:", command_), row(command_, browse_));
  form->addRow(labelled("&Arguments:", arguments_), row(arguments_, argumentsMacros));
  form->addRow(labelled("&Initial Directory:", directory_), row(directory_, directoryMacros));
  form->addRow(QString(), prompt_);
  form->addRow(QString(), remote_);
  form->addRow(QString(), output_);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(delete_);
  buttons->addWidget(up_);
  buttons->addWidget(down_);
  buttons->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Menu Commands", this), 0, 0, 1, 2);
  layout->addWidget(list_, 1, 0);
  layout->addLayout(buttons, 1, 1);
  layout->addWidget(fields_, 2, 0, 1, 2);
  layout->setRowStretch(1, 1);

  const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
  for (const ToolRecord& tool : tools_) {
    auto* item = new QListWidgetItem(icon, QString::fromStdString(tool.caption), list_);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  connect(add, &QPushButton::clicked, this, &ToolsOptionsPage::NewTool);
  connect(delete_, &QPushButton::clicked, this, &ToolsOptionsPage::DeleteTool);
  connect(up_, &QPushButton::clicked, this, [this] { MoveTool(-1); });
  connect(down_, &QPushButton::clicked, this, [this] { MoveTool(1); });
  connect(list_, &QListWidget::currentRowChanged, this, &ToolsOptionsPage::SelectionChanged);
  connect(list_, &QListWidget::itemChanged, this, &ToolsOptionsPage::CaptionEdited);
  for (QLineEdit* field : {command_, arguments_, directory_}) {
    connect(field, &QLineEdit::textChanged, this, &ToolsOptionsPage::StoreFields);
  }
  for (QCheckBox* box : {prompt_, remote_, output_}) {
    connect(box, &QCheckBox::toggled, this, &ToolsOptionsPage::StoreFields);
  }
  if (!tools_.empty()) list_->setCurrentRow(0);
  SelectionChanged();
}

ToolRecord* ToolsOptionsPage::Selected() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(tools_.size())) return nullptr;
  return &tools_[static_cast<std::size_t>(row)];
}

void ToolsOptionsPage::SelectionChanged() {
  const int row = list_->currentRow();
  const ToolRecord* tool = Selected();
  delete_->setEnabled(tool != nullptr);
  up_->setEnabled(tool != nullptr && row > 0);
  down_->setEnabled(tool != nullptr && row + 1 < list_->count());
  fields_->setEnabled(tool != nullptr);
  showing_ = true;
  const ToolRecord empty;
  const ToolRecord& shown = tool != nullptr ? *tool : empty;
  command_->setText(QString::fromStdString(shown.command));
  arguments_->setText(QString::fromStdString(shown.arguments));
  directory_->setText(QString::fromStdString(shown.directory));
  prompt_->setChecked(shown.prompt != 0);
  remote_->setChecked(shown.remote != 0);
  output_->setChecked(shown.output != 0);
  showing_ = false;
}

void ToolsOptionsPage::StoreFields() {
  ToolRecord* tool = Selected();
  if (showing_ || tool == nullptr) return;
  tool->command = command_->text().toStdString();
  tool->arguments = arguments_->text().toStdString();
  tool->directory = directory_->text().toStdString();
  tool->prompt = prompt_->isChecked() ? 1 : 0;
  tool->remote = remote_->isChecked() ? 1 : 0;
  tool->output = output_->isChecked() ? 1 : 0;
}

void ToolsOptionsPage::CaptionEdited(QListWidgetItem* item) {
  const int row = list_->row(item);
  if (row < 0 || row >= static_cast<int>(tools_.size())) return;
  std::string& caption = tools_[static_cast<std::size_t>(row)].caption;
  const QString text = item->text();
  // A tool without a caption could not be stored: the label stays as it was.
  if (text.trimmed().isEmpty()) {
    const QSignalBlocker blocker(list_);
    item->setText(QString::fromStdString(caption));
    return;
  }
  caption = text.left(kToolFieldLength).toStdString();
}

void ToolsOptionsPage::NewTool() {
  if (static_cast<int>(tools_.size()) >= kMostTools) return;
  ToolRecord tool;
  tool.caption = "New command";
  tools_.push_back(tool);
  auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_FileIcon),
                                   QString::fromStdString(tool.caption));
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  {
    const QSignalBlocker blocker(list_);
    list_->addItem(item);
  }
  list_->setCurrentItem(item);
  list_->editItem(item);
}

void ToolsOptionsPage::DeleteTool() {
  const int row = list_->currentRow();
  if (Selected() == nullptr) return;
  tools_.erase(tools_.begin() + row);
  delete list_->takeItem(row);
  SelectionChanged();
}

void ToolsOptionsPage::MoveTool(int step) {
  const int row = list_->currentRow();
  const int to = row + step;
  if (Selected() == nullptr || to < 0 || to >= static_cast<int>(tools_.size())) return;
  std::swap(tools_[static_cast<std::size_t>(row)], tools_[static_cast<std::size_t>(to)]);
  {
    const QSignalBlocker blocker(list_);
    QListWidgetItem* item = list_->takeItem(row);
    list_->insertItem(to, item);
  }
  list_->setCurrentRow(to);
  SelectionChanged();
}

void ToolsOptionsPage::BrowseLocal() {
  if (Selected() == nullptr) return;
  const QString path = services_.browseLocal ? services_.browseLocal(this) : LocalProgram(this);
  if (path.isEmpty()) return;
  command_->setText(path);
  directory_->setText(QFileInfo(path).absolutePath());
  remote_->setChecked(false);
}

void ToolsOptionsPage::BrowseRemote() {
  if (Selected() == nullptr || !services_.browseRemote) return;
  const std::optional<std::string> path = services_.browseRemote(this);
  if (!path) return;
  command_->setText(QString::fromStdString(*path));
  const std::size_t slash = path->rfind('/');
  directory_->setText(slash == std::string::npos ? QString()
                                                 : QString::fromStdString(path->substr(0, slash)));
  remote_->setChecked(true);
}

}  // namespace vandrel::ui
