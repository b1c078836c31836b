// The "Find in Files" dialog: binds its boxes, check boxes and buttons to a
// FindInFilesModel. The host folder browser behind "Browse" is the
// caller's; the session's current directory is offered once it is known.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "project/find_in_files_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace vandrel::ui {

class FindInFilesDialog : public QDialog {
  Q_OBJECT

 public:
  // Picks a host folder starting at `folder`; the history comes back with
  // the chosen folder first. Nothing on Cancel.
  using FolderBrowser = std::function<std::optional<std::string>(
      const std::string& folder, std::vector<std::string>& history)>;

  explicit FindInFilesDialog(project::FindInFilesSetup setup, QWidget* parent = nullptr);
  ~FindInFilesDialog() override;

  // Without a browser "Browse" is disabled.
  void SetFolderBrowser(FolderBrowser browser);
  // The session's current directory arrived: shown while the box is empty.
  void OfferCurrentDirectory(const std::string& directory);

  const project::FindInFilesModel& model() const { return model_; }

  QComboBox* findWhatBox() const { return text_; }
  QComboBox* fileTypesBox() const { return types_; }
  QComboBox* directoryBox() const { return directory_; }
  QCheckBox* wholeWordBox() const { return wholeWord_; }
  QCheckBox* matchCaseBox() const { return matchCase_; }
  QCheckBox* subdirectoriesBox() const { return subdirectories_; }
  QCheckBox* progressBox() const { return progress_; }
  QCheckBox* projectFilesBox() const { return projectFiles_; }
  QPushButton* findButton() const { return find_; }
  QPushButton* browseButton() const { return browse_; }
  QLabel* limitLabel() const { return limit_; }

 public slots:
  void accept() override;

 private:
  void Browse();
  // Enables the controls and shows the limit note as the model says.
  void Refresh();

  project::FindInFilesModel model_;
  FolderBrowser browser_;
  QComboBox* text_;
  QComboBox* types_;
  QComboBox* directory_;
  QCheckBox* wholeWord_;
  QCheckBox* matchCase_;
  QCheckBox* subdirectories_;
  QCheckBox* progress_;
  QCheckBox* projectFiles_;
  QPushButton* find_;
  QPushButton* browse_;
  QLabel* limit_;
};

}  // namespace vandrel::ui
