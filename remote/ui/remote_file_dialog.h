// The remote "Open" / "Save As" dialog: one host folder at a time, in a list
// or a details view, with "Look in:" above it and the name, type, template
// and read-only choices below. Listings come from the listing cache when it
// holds the folder, otherwise from a list-directory request; files can be
// downloaded to and uploaded from the local disk from the list's context
// menu. The dialog's rules are in remote/listing_view.h.
#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "remote/listing.h"
#include "remote/listing_view.h"
#include "remote/ui/remote_requests.h"

class QAbstractItemView;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QMenu;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QTreeView;

namespace vandrel::ui {

class ListingModel;

enum class RemoteDialogMode { kOpen, kSaveAs };

struct RemoteFileChoice {
  std::vector<std::string> paths;  // host paths, folder and name joined with "/"
  std::string templateName;        // "" for (auto-detect)
  bool readOnly = false;
};

class RemoteFileDialog : public QDialog {
  Q_OBJECT

 public:
  // Starts in `folder` (with no folder, in the session's current directory)
  // and proposes `proposedName`; several files may be chosen when
  // `multipleSelection` is set.
  RemoteFileDialog(const RemoteDialogServices& services, RemoteDialogMode mode,
                   const QString& title, const std::string& folder, const std::string& proposedName,
                   bool multipleSelection, QWidget* parent = nullptr);
  ~RemoteFileDialog() override;

  // Set once the dialog has been accepted.
  RemoteFileChoice choice() const { return choice_; }
  // The folder shown (empty until the first listing has come).
  std::string currentFolder() const { return folder_; }

  // The filters of "Files of type:" after "All Files (*.*)", as "Text
  // (*.txt;*.doc)".
  void setNameFilters(const QStringList& filters);

  // Shows a folder: an absolute path, "..", or a name in the current folder.
  void showFolder(const std::string& target);
  // Reads the current folder again (F5), past the cache.
  void refresh();
  // A click on the header of `column`.
  void sortBy(remote::ListingColumn column);
  remote::ListingSort sortOrder() const { return sort_; }
  // The list view or the details view (kept in DetailedFileLists).
  void setDetailed(bool detailed);
  bool detailed() const { return detailed_; }

  // The entries as the list shows them, in order.
  std::vector<std::string> entryNames() const;
  // The listing shown (the cache's copy or the agent's).
  const remote::HostListing& listing() const { return listing_; }
  // Selects the entry named `name`; false when the list has none.
  bool selectEntry(const std::string& name);
  // Requests posted and not yet come back.
  int requestsOutstanding() const { return requests_.outstanding(); }

  // The list's context menu: on an entry (its row in entryNames()) or,
  // with -1, elsewhere.
  std::unique_ptr<QMenu> contextMenu(int row);
  // Receives the entry `name` of the current folder into `localPath`.
  void downloadEntry(const std::string& name, const std::string& localPath);
  // Sends `localPath` into the current folder under its upload name.
  void uploadFile(const std::string& localPath);

  QComboBox* lookInBox() const { return lookIn_; }
  QTreeView* detailsView() const { return details_; }
  QListView* listView() const { return list_; }
  QLineEdit* fileNameEdit() const { return fileName_; }
  QComboBox* fileTypeBox() const { return fileType_; }
  QComboBox* templateBox() const { return template_; }
  QCheckBox* readOnlyBox() const { return readOnly_; }
  QPushButton* okButton() const { return ok_; }
  QToolButton* stopButton() const { return stop_; }

 public slots:
  // "&Open" / "&Save": a folder named in "File name:" is entered; otherwise
  // the names are chosen and the dialog closes, unless a request is being
  // carried out and Stop was not pressed.
  void accept() override;
  void reject() override;

 private:
  void ListFolder(const std::string& folder, bool useCache);
  void ListCurrentDirectory();
  void ListingArrived(RequestOutcome& outcome, std::uint64_t ticket);
  void FailedWithoutFolder(const remote::RequestBlock& block);
  void Display(remote::HostListing listing);
  void FillEntries();
  void FitColumns();
  void FillLookIn();
  void BusyChanged();
  QAbstractItemView* ActiveView() const;
  std::vector<int> SelectedRows() const;
  void SelectionChanged();
  void Activated(const QModelIndex& index);
  void ShowContextMenu(QAbstractItemView* view, const QPoint& position);
  void ChooseDownloadTarget(int row);
  void ChooseUploadSource();
  void ShowEntryProperties(int row);
  void ShowFolderProperties();
  const HostFileInfo* FolderEntryNamed(const std::string& name) const;

  RemoteRequests requests_;
  RemoteDialogMode mode_;
  bool multiple_;
  std::string folder_;
  remote::HostListing listing_;
  remote::ListingSort sort_;
  bool detailed_ = false;
  bool retried_ = false;
  std::uint64_t ticket_ = 0;  // of the latest listing asked for
  std::vector<std::string> patterns_;
  QString localFolder_;  // the last local folder of a transfer
  RemoteFileChoice choice_;

  ListingModel* model_;
  QComboBox* lookIn_;
  QToolButton* up_;
  QToolButton* listMode_;
  QToolButton* detailsMode_;
  QToolButton* stop_;
  QProgressBar* busy_;
  QStackedWidget* views_;
  QListView* list_;
  QTreeView* details_;
  QLineEdit* fileName_;
  QComboBox* fileType_;
  QComboBox* template_;
  QCheckBox* readOnly_;
  QPushButton* ok_;
  QPushButton* help_;
};

}  // namespace vandrel::ui
