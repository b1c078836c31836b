#include "templates/ui/options_dialog.h"

#include <QDialogButtonBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "templates/ui/options_file_types.h"

namespace vandrel::ui {

OptionsDialog::OptionsDialog(const AppSettings& settings, QWidget* parent, OptionsServices services)
    : QDialog(parent),
      result_(settings),
      pages_(new QTabWidget(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setObjectName("optionsDialog");
  setWindowTitle("Options");
  pages_->setObjectName("pages");
  const auto add = [this](OptionsPage* page, const QString& title) {
    AddPage(page, title, [page](AppSettings& copy) { page->Apply(copy); });
  };
  const auto addMade = [this](const OptionsPageMaker& maker, const QString& title) {
    if (!maker) return;
    OptionsPageSlot slot = maker(pages_);
    if (slot.page != nullptr) AddPage(slot.page, title, std::move(slot.apply));
  };
  add(new EditorOptionsPage(settings, pages_), "Editor");
  add(new BuildOptionsPage(settings, pages_), "Build");
  add(new WorkspaceOptionsPage(settings, pages_), "Workspace");
  add(new AdvancedOptionsPage(settings, pages_), "Advanced");
  if (services.store != nullptr) {
    add(new FileTypesOptionsPage(*services.store, services.catalogue, pages_), "File Types");
  }
  addMade(services.nlsPage, "NLS");
  addMade(services.toolsPage, "Tools");
  add(new DirectoriesOptionsPage(settings, std::move(services.chooseFolder), pages_),
      "Directories");
  add(new DisplayOptionsPage(settings, pages_), "Display");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_, 1);
  layout->addWidget(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // Wide enough for every tab to show without scrolling the tab bar.
  resize(std::max(520, pages_->tabBar()->sizeHint().width() + 40), 440);
}

void OptionsDialog::AddPage(QWidget* page, const QString& title,
                            std::function<void(AppSettings&)> apply) {
  pages_->addTab(page, title);
  appliers_.push_back(std::move(apply));
}

OptionsPage* OptionsDialog::Page(const QString& objectName) const {
  for (int i = 0; i < pages_->count(); ++i) {
    if (pages_->widget(i)->objectName() == objectName) {
      return qobject_cast<OptionsPage*>(pages_->widget(i));
    }
  }
  return nullptr;
}

void OptionsDialog::accept() {
  for (const auto& apply : appliers_) {
    if (apply) apply(result_);
  }
  QDialog::accept();
}

std::optional<AppSettings> ShowOptionsDialog(QWidget* parent, const AppSettings& settings,
                                             OptionsServices services) {
  OptionsDialog dialog(settings, parent, std::move(services));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.chosenSettings();
}

}  // namespace vandrel::ui
