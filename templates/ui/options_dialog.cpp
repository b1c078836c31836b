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
  pages_->addTab(new EditorOptionsPage(settings, pages_), "Editor");
  pages_->addTab(new BuildOptionsPage(settings, pages_), "Build");
  pages_->addTab(new WorkspaceOptionsPage(settings, pages_), "Workspace");
  pages_->addTab(new AdvancedOptionsPage(settings, pages_), "Advanced");
  if (services.store != nullptr) {
    pages_->addTab(new FileTypesOptionsPage(*services.store, services.catalogue, pages_),
                   "File Types");
  }
  pages_->addTab(new DirectoriesOptionsPage(settings, std::move(services.chooseFolder), pages_),
                 "Directories");
  pages_->addTab(new DisplayOptionsPage(settings, pages_), "Display");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_, 1);
  layout->addWidget(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // Wide enough for every tab to show without scrolling the tab bar.
  resize(std::max(520, pages_->tabBar()->sizeHint().width() + 40), 440);
}

OptionsPage* OptionsDialog::Page(const QString& objectName) const {
  for (int i = 0; i < pages_->count(); ++i) {
    if (pages_->widget(i)->objectName() == objectName) {
      return static_cast<OptionsPage*>(pages_->widget(i));
    }
  }
  return nullptr;
}

void OptionsDialog::accept() {
  for (int i = 0; i < pages_->count(); ++i) {
    static_cast<const OptionsPage*>(pages_->widget(i))->Apply(result_);
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
