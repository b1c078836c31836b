// The "Browse Folders" dialog: a host folder typed into "Folder Name"
// (whose list is the caller's folder history) or picked from the "Folders"
// tree, which lists each folder's sub-folders as it is opened.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "remote/listing.h"
#include "remote/ui/remote_requests.h"

class QComboBox;
class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QToolButton;
class QTreeView;

namespace vandrel::ui {

// The most folders the history keeps.
inline constexpr std::size_t kMaxFolderHistory = 10;

// The history after `chosen` was used: it comes first, an earlier mention
// of it goes, and the oldest beyond kMaxFolderHistory are dropped.
std::vector<std::string> FolderHistoryWith(const std::vector<std::string>& history,
                                           const std::string& chosen);

class BrowseFoldersDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens the tree down to `folder` (the root when it is empty).
  BrowseFoldersDialog(const RemoteDialogServices& services, const std::string& folder,
                      const std::vector<std::string>& history, QWidget* parent = nullptr);
  ~BrowseFoldersDialog() override;

  // Set once accepted.
  const std::optional<std::string>& chosenFolder() const { return chosen_; }

  QComboBox* folderNameBox() const { return name_; }
  QTreeView* folderTree() const { return tree_; }
  // The sub-folders the tree shows under `path`, in order; nothing when
  // `path` is not in the tree or has not been listed yet.
  std::optional<std::vector<std::string>> subfolders(const std::string& path) const;
  // Selects the tree's item of `path`; false when the tree has none.
  bool selectFolder(const std::string& path);
  int requestsOutstanding() const { return requests_.outstanding(); }

 public slots:
  void accept() override;
  void reject() override;

 private:
  QStandardItem* ItemOf(const std::string& path) const;
  QStandardItem* NewFolderItem(const std::string& path, const std::string& text);
  void Expanded(const QModelIndex& index);
  void List(const std::string& path);
  void Fill(const std::string& path, const remote::HostListing& listing);
  void OpenTowardsTarget(QStandardItem* item);
  void BusyChanged();

  RemoteRequests requests_;
  std::string target_;  // the folder the tree is opened down to
  std::optional<std::string> chosen_;
  QComboBox* name_;
  QStandardItemModel* model_;
  QTreeView* tree_;
  QToolButton* stop_;
};

// Runs the dialog: the chosen folder, or nothing on Cancel. The history is
// given in and handed back with the chosen folder first.
std::optional<std::string> BrowseHostFolder(const RemoteDialogServices& services,
                                            const std::string& folder,
                                            std::vector<std::string>& history, QWidget* parent);

}  // namespace vandrel::ui
