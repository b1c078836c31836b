// The "Template Manager": the catalogue as a tree of names, the buttons New,
// Delete, Copy and Close, and six pages that edit one working copy of the
// selected template. Leaving a selection (and closing) commits the working
// copy through the catalogue's management operations, which protect the
// default templates; a committed change is announced so that open documents
// can take it.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "templates/template_management.h"
#include "templates/ui/template_manager_pages.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vandrel {
class UserInterface;
}

namespace vandrel::ui {

struct TemplateManagerServices {
  TemplateCatalogue* catalogue = nullptr;
  UserInterface* ui = nullptr;
  // Where new and copied templates go (the LocalTemplates setting).
  std::string userTemplatesFolder;
  // A catalogue template took edits (its name).
  std::function<void(const std::string& name)> templateChanged;
  // The output mask editor behind "Compiler output mask:"'s "...".
  OutputMaskEditor editOutputMask;
};

// The "New Template" dialog ("Copy Template" when copying): a name and a
// template file name that follows the name until it is edited. OK hands both
// to `create`, which makes the template or tells the user why not (the
// dialog then stays open).
class NewTemplateDialog final : public QDialog {
  Q_OBJECT

 public:
  using Create = std::function<bool(const std::string& name, const std::string& fileName)>;
  NewTemplateDialog(bool copying, const std::string& folder, Create create,
                    QWidget* parent = nullptr);

  QLineEdit* nameField() const { return name_; }
  QLineEdit* fileField() const { return file_; }
  QDialogButtonBox* buttons() const { return buttons_; }

 public slots:
  void accept() override;

 private:
  void FieldsChanged();

  NewTemplateForm form_;
  Create create_;
  QLineEdit* name_;
  QLineEdit* file_;
  QDialogButtonBox* buttons_;
};

class TemplateManager final : public QDialog {
  Q_OBJECT

 public:
  explicit TemplateManager(TemplateManagerServices services, QWidget* parent = nullptr);
  ~TemplateManager() override;

  QTreeWidget* tree() const { return tree_; }
  TemplatePages* pages() const { return pages_; }
  QPushButton* newButton() const { return new_; }
  QPushButton* deleteButton() const { return delete_; }
  QPushButton* copyButton() const { return copy_; }
  QPushButton* closeButton() const { return close_; }
  const Template& workingCopy() const { return *workingCopy_; }
  // The name whose template the pages show; empty when none.
  const std::string& selectedName() const { return selected_; }

 public slots:
  // Closing commits the working copy first; a Cancel or a failed save keeps
  // the window open.
  void done(int result) override;

 private:
  // Fills the tree from the catalogue and selects `name` (else the first
  // item), loading it without committing anything.
  void FillTree(const std::string& name);
  // The same without loading: the tree shows the catalogue again.
  void RefillTree(const std::string& name);
  void SelectionChanged(QTreeWidgetItem* now, QTreeWidgetItem* before);
  // Every page stores, then the edits are committed; true when the
  // selection may move on. `moveTo` receives a template to go to instead.
  bool LeaveSelection(std::string* moveTo);
  void ArriveAt(const std::string& name);
  void SelectItemQuietly(const std::string& name);
  void NewTemplate();
  void CopyTemplate();
  // Moves to the template New or Copy made, once the edits are committed.
  void ShowCreated(const std::string& name);
  void DeleteTemplateSelected();
  // Runs the New/Copy Template dialog; the created template or null.
  Template* RunNameDialog(bool copying, const Template* source);
  void UpdateButtons();

  TemplateManagerServices services_;
  std::unique_ptr<Template> workingCopy_;
  std::string selected_;
  QTreeWidget* tree_;
  TemplatePages* pages_;
  QPushButton* new_;
  QPushButton* delete_;
  QPushButton* copy_;
  QPushButton* close_;
};

// Runs the Template Manager modally over `services.catalogue`.
void ShowTemplateManager(QWidget* parent, TemplateManagerServices services);

}  // namespace vandrel::ui
