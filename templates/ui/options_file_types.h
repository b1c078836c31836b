// The "File Types" page of the Options dialog: which template opens a file,
// by the file's name. The page lists the stored table and, when applied,
// replaces it in the settings store with the list in its order.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "templates/file_types.h"
#include "templates/ui/options_pages.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vandrel {
class SettingsStore;
class TemplateCatalogue;
}  // namespace vandrel

namespace vandrel::ui {

// The "File Type" dialog: the extensions of one entry and the template that
// opens them. OK is offered only for an entry that can be stored.
class FileTypeDialog final : public QDialog {
  Q_OBJECT

 public:
  // `catalogue` may be null: only "(none)" is offered then.
  FileTypeDialog(const FileType& entry, const TemplateCatalogue* catalogue, QWidget* parent);

  QLineEdit* extensions() const { return extensions_; }
  QComboBox* templateName() const { return template_; }
  QPushButton* okButton() const { return ok_; }
  FileType Entry() const;

 private:
  QLineEdit* extensions_;
  QComboBox* template_;
  QPushButton* ok_;
};

class FileTypesOptionsPage final : public OptionsPage {
  Q_OBJECT

 public:
  // Shows the table stored in `store`, which must outlive the page.
  FileTypesOptionsPage(SettingsStore& store, const TemplateCatalogue* catalogue, QWidget* parent);
  // Writes the list back to the store; the settings are not touched.
  void Apply(AppSettings& settings) const override;

  QTreeWidget* list() const { return list_; }
  QPushButton* addButton() const { return add_; }
  QPushButton* editButton() const { return edit_; }
  QPushButton* removeButton() const { return remove_; }

 private:
  void Add();
  void Edit();
  void Remove();
  // Runs the File Type dialog for `entry`; nothing when it is cancelled.
  std::optional<FileType> Ask(const FileType& entry);
  std::vector<FileType> Entries() const;

  SettingsStore& store_;
  const TemplateCatalogue* catalogue_;
  QTreeWidget* list_;
  QPushButton* add_;
  QPushButton* edit_;
  QPushButton* remove_;
};

}  // namespace vandrel::ui
