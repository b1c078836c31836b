#include "project/ui/project_build_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "project/ui/output_mask_dialog.h"
#include "project/ui/project_settings_fields.h"

namespace vandrel::ui {

using project::ItemFlag;
using project::ItemText;

namespace {

// The page with the output mask list it edits: the list widget shows the
// model; every change goes through the model and rebuilds the project's list.
class ProjectBuildPage final : public SettingsPageWidget {
 public:
  ProjectBuildPage(const SettingsPageContext& context, QWidget* parent)
      : SettingsPageWidget(context, "projectBuild", parent),
        masks_(context.services ? context.services->catalogue : nullptr,
               context.project->projectSettings().outputMasks) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FlagBox(tr("Compile contents of this folder"), "compileContents",
                              ItemFlag::kBuildCompileContents));
    layout->addWidget(FlagBox(tr("Build after compiling contents"), "buildAfterCompile",
                              ItemFlag::kBuildAfterCompile));
    MacroCommandField* build = CommandField("build", ItemText::kBuild);
    auto* caption = new QLabel(tr("Build &command:"), this);
    caption->setBuddy(build->edit());
    layout->addWidget(caption);
    layout->addWidget(build);
    layout->addSpacing(8);

    list_ = new QListWidget(this);
    list_->setObjectName("outputMasks");
    auto* masksCaption = new QLabel(tr("Compiler &output masks:"), this);
    masksCaption->setBuddy(list_);
    layout->addWidget(masksCaption);
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    auto* buttons = new QVBoxLayout;
    auto* add = new QPushButton(tr("Add"), this);
    add->setObjectName("addMask");
    add->setAutoDefault(false);
    remove_ = new QPushButton(tr("Remove"), this);
    remove_->setObjectName("removeMask");
    remove_->setAutoDefault(false);
    buttons->addWidget(add);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    row->addLayout(buttons);
    layout->addLayout(row, 1);

    connect(add, &QPushButton::clicked, this, [this] { AddMask(); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveMask(); });
    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
      if (!filling_) CheckChanged(list_->row(item), item->checkState() == Qt::Checked);
    });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { EditMask(list_->row(item)); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { EnableRemove(); });
    Fill(-1);
  }

 private:
  void Fill(int current) {
    filling_ = true;
    list_->clear();
    for (const project::MaskListEntry& entry : masks_.entries()) {
      auto* item = new QListWidgetItem(QtFromUtf8(entry.text), list_);
      if (entry.isTemplate) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(entry.checked ? Qt::Checked : Qt::Unchecked);
      } else {
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
      }
    }
    filling_ = false;
    list_->setCurrentRow(current);
    EnableRemove();
  }

  void EnableRemove() {
    remove_->setEnabled(masks_.IsCustom(static_cast<std::size_t>(list_->currentRow())));
  }

  // The project's list is rebuilt after every change of the list.
  void Store() {
    project().projectSettings().outputMasks = masks_.ProjectMasks();
    Changed();
  }

  void CheckChanged(int row, bool checked) {
    if (row < 0 || !masks_.SetChecked(static_cast<std::size_t>(row), checked)) return;
    Store();
  }

  void AddMask() {
    const std::optional<std::string> mask = EditOutputMask(this, std::string());
    if (!mask) return;
    if (auto index = masks_.AddCustom(*mask)) {
      Fill(static_cast<int>(*index));
      Store();
    }
  }

  void EditMask(int row) {
    const auto index = static_cast<std::size_t>(row);
    if (row < 0 || !masks_.IsCustom(index)) return;
    const std::optional<std::string> mask = EditOutputMask(this, masks_.entries()[index].text);
    if (!mask || !masks_.EditCustom(index, *mask)) return;
    Fill(row);
    Store();
  }

  void RemoveMask() {
    const int row = list_->currentRow();
    if (row < 0 || !masks_.RemoveCustom(static_cast<std::size_t>(row))) return;
    Fill(std::min(row, list_->count() - 2));
    Store();
  }

  project::OutputMaskList masks_;
  QListWidget* list_ = nullptr;
  QPushButton* remove_ = nullptr;
  bool filling_ = false;
};

}  // namespace

QWidget* MakeProjectBuildPage(const SettingsPageContext& context, QWidget* parent) {
  return new ProjectBuildPage(context, parent);
}

}  // namespace vandrel::ui
