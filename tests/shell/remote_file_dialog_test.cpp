// The remote file dialogs against a real agent serving an MPE/iX tree:
// listings come from the cache on a revisit (and again from the host when
// the cache is off), the details view sorts and shows file codes, choosing
// returns the path, template and read-only flag, a close is refused while a
// listing runs until Stop, Download As and Upload As move files both ways,
// and the folder browser opens its tree down to the folder it starts in.
#include "remote/ui/remote_file_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/string_ids.h"
#include "remote/agent_fixture.h"
#include "remote/listing_cache.h"
#include "remote/ui/browse_folders_dialog.h"
#include "support/event_wait.h"
#include "support/modal_dialog.h"
#include "templates/template_catalogue.h"

namespace vandrel::ui {
namespace {

using remote::ListingColumn;
using testing::LiveAgent;
using testing::ModalAnswer;
using testing::ScriptedUserInterface;
using testing::TempDir;
using testing::WaitFor;
using testing::WorkerHarness;

class RemoteDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    // An account with two groups; file codes in the attribute store.
    Source("ORDRPT", 1052, std::string(800, 'x'));
    Source("STATS", 1052, std::string(80, 'y'));
    Source("CHKSUM", 0, std::string(8000, 'z'));
    agent_.Write("/DEMO/PUB/WELCOME", "Welcome\n");
    ASSERT_NE(agent_.port(), 0);
    std::int32_t hostKind = 0;
    socket_ = testing::OpenSession(agent_.port(), &hostKind);
    ASSERT_NE(socket_, remote::kNoSocket);
    ASSERT_EQ(hostKind, remote::kHostKindMpe);
    harness_.worker().SetConnection(socket_, hostKind);

    auto scratch = std::make_unique<Template>();
    scratch->settings.Name = "COBOL";
    catalogue_.Append(std::move(scratch));
    services_.worker = &harness_.worker();
    services_.hostKind = hostKind;
    services_.cache = &cache_;
    services_.catalogue = &catalogue_;
    services_.ui = &ui_;
    services_.settings = &settings_;
    services_.stop = [this] {
      ++stops_;
      harness_.worker().CancelAll();
      harness_.worker().SendAbort();
    };
    services_.setBusy = [this](bool busy) { busy_ = busy; };
  }
  void TearDown() override {
    harness_.worker().WaitUntilIdle(std::chrono::seconds(20));
    // Whatever is still on its way reaches no dialog.
    QCoreApplication::processEvents();
    harness_.worker().SetConnection(remote::kNoSocket, 0);
    remote::Close(socket_);
  }

  void Source(const std::string& name, int fileCode, const std::string& text) {
    agent_.Write("/DEMO/SOURCE/" + name, text + "\n");
    agent_.Write("/DEMO/SOURCE/.tandrill/" + name,
                 "FCODE=" + std::to_string(fileCode) + "\nRECLEN=80\nTYPE=0\nMODE=1\nLIMIT=1023\n");
  }
  std::uint64_t Taken() { return harness_.worker().requestsTaken(); }
  bool Settled(const RemoteFileDialog& dialog) {
    return WaitFor([&] { return dialog.requestsOutstanding() == 0; });
  }

  LiveAgent agent_{"mpe"};
  WorkerHarness harness_;
  remote::Socket socket_ = remote::kNoSocket;
  remote::ListingCache cache_{1024 * 1024};
  TemplateCatalogue catalogue_;
  ScriptedUserInterface ui_;
  AppSettings settings_;
  RemoteDialogServices services_;
  int stops_ = 0;
  bool busy_ = false;
};

TEST_F(RemoteDialogs, RevisitsComeFromTheCacheUntilItIsOff) {
  RemoteFileDialog dialog(services_, RemoteDialogMode::kOpen, "Open", "/DEMO/SOURCE", "", false);
  EXPECT_TRUE(busy_);
  ASSERT_TRUE(Settled(dialog));
  EXPECT_FALSE(busy_);
  EXPECT_EQ(dialog.currentFolder(), "/DEMO/SOURCE");
  EXPECT_EQ(dialog.entryNames(), (std::vector<std::string>{"CHKSUM", "ORDRPT", "STATS"}));
  ASSERT_EQ(dialog.lookInBox()->count(), 3);
  EXPECT_EQ(dialog.lookInBox()->currentIndex(), 2);
  EXPECT_EQ(dialog.lookInBox()->itemData(1).toString(), "/DEMO");

  dialog.showFolder("..");
  ASSERT_TRUE(Settled(dialog));
  EXPECT_EQ(dialog.currentFolder(), "/DEMO");
  EXPECT_EQ(dialog.entryNames(), (std::vector<std::string>{"PUB", "SOURCE"}));

  // Back into a folder listed before: shown at once, nothing asked.
  const std::uint64_t before = Taken();
  dialog.showFolder("SOURCE");
  EXPECT_EQ(dialog.requestsOutstanding(), 0);
  EXPECT_EQ(dialog.currentFolder(), "/DEMO/SOURCE");
  EXPECT_EQ(dialog.entryNames().size(), 3u);
  EXPECT_EQ(Taken(), before);

  // Up to the root, where ".." does nothing.
  dialog.showFolder("/DEMO");
  dialog.showFolder("..");
  ASSERT_TRUE(Settled(dialog));
  EXPECT_EQ(dialog.currentFolder(), "/");
  EXPECT_EQ(dialog.entryNames(), (std::vector<std::string>{"DEMO"}));
  const std::uint64_t atRoot = Taken();
  dialog.showFolder("..");
  EXPECT_EQ(dialog.requestsOutstanding(), 0);
  EXPECT_EQ(Taken(), atRoot);

  // With the cache off every visit lists the folder again.
  cache_.SetLimit(0);
  for (int visit = 1; visit <= 2; ++visit) {
    dialog.showFolder("/DEMO/SOURCE");
    ASSERT_TRUE(Settled(dialog));
    EXPECT_EQ(Taken(), atRoot + static_cast<std::uint64_t>(visit));
    EXPECT_EQ(dialog.entryNames().size(), 3u);
  }
  EXPECT_TRUE(ui_.shown().empty());
}

TEST_F(RemoteDialogs, DetailsViewSortsAndShowsFileCodes) {
  settings_.DetailedFileLists = 1;
  RemoteFileDialog dialog(services_, RemoteDialogMode::kOpen, "Open", "/DEMO/SOURCE", "", false);
  ASSERT_TRUE(Settled(dialog));
  ASSERT_TRUE(dialog.detailed());
  QAbstractItemModel* model = dialog.detailsView()->model();
  ASSERT_EQ(model->columnCount(), 9);
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "File Code");
  EXPECT_EQ(model->index(1, 0).data().toString(), "ORDRPT");
  EXPECT_EQ(model->index(1, 2).data().toString(), "EDTCT");
  EXPECT_EQ(model->index(0, 2).data().toString(), "");  // file code 0

  // A click on "Size" sorts ascending, a second one descending.
  dialog.detailsView()->header()->sectionClicked(1);
  EXPECT_EQ(dialog.entryNames(), (std::vector<std::string>{"STATS", "ORDRPT", "CHKSUM"}));
  dialog.detailsView()->header()->sectionClicked(1);
  EXPECT_EQ(dialog.entryNames(), (std::vector<std::string>{"CHKSUM", "ORDRPT", "STATS"}));

  // In the account, groups come last when descending; they show nothing
  // after their file code.
  dialog.sortBy(ListingColumn::kName);
  dialog.sortBy(ListingColumn::kName);
  dialog.showFolder("/DEMO");
  ASSERT_TRUE(Settled(dialog));
  EXPECT_EQ(dialog.entryNames(), (std::vector<std::string>{"SOURCE", "PUB"}));
  EXPECT_EQ(model->index(0, 3).data().toString(), "");

  dialog.sortBy(ListingColumn::kName);
  dialog.showFolder("SOURCE");
  dialog.show();
  dialog.grab().save("/tmp/remote_open_details.png");
  dialog.setDetailed(false);
  EXPECT_EQ(settings_.DetailedFileLists, 0);
  dialog.grab().save("/tmp/remote_open_list.png");
}

TEST_F(RemoteDialogs, ChoosingFilesReturnsPathsTemplateAndReadOnly) {
  RemoteFileDialog single(services_, RemoteDialogMode::kOpen, "Open", "/DEMO/SOURCE", "", false);
  ASSERT_TRUE(Settled(single));
  ASSERT_EQ(single.templateBox()->itemText(0), "(auto-detect)");
  ASSERT_TRUE(single.selectEntry("STATS"));
  EXPECT_EQ(single.fileNameEdit()->text(), "STATS");
  single.templateBox()->setCurrentText("COBOL");
  single.readOnlyBox()->setChecked(true);
  single.okButton()->click();
  EXPECT_EQ(single.result(), QDialog::Accepted);
  EXPECT_EQ(single.choice().paths, std::vector<std::string>{"/DEMO/SOURCE/STATS"});
  EXPECT_EQ(single.choice().templateName, "COBOL");
  EXPECT_TRUE(single.choice().readOnly);

  // Several quoted names; a folder typed alone is entered instead.
  RemoteFileDialog several(services_, RemoteDialogMode::kOpen, "Open", "/DEMO", "", true);
  ASSERT_TRUE(Settled(several));
  several.fileNameEdit()->setText("source");
  several.accept();
  ASSERT_TRUE(Settled(several));
  EXPECT_EQ(several.currentFolder(), "/DEMO/SOURCE");
  EXPECT_TRUE(several.choice().paths.empty());
  // Clicks in the list view select single cells: the names still follow.
  QListView* list = several.listView();
  const auto entries = several.entryNames();
  const auto rowOf = [&](const char* name) {
    const auto found = std::find(entries.begin(), entries.end(), name);
    return several.listView()->model()->index(static_cast<int>(found - entries.begin()), 0);
  };
  list->selectionModel()->select(rowOf("CHKSUM"), QItemSelectionModel::ClearAndSelect);
  EXPECT_EQ(several.fileNameEdit()->text(), "CHKSUM");
  list->selectionModel()->select(rowOf("ORDRPT"), QItemSelectionModel::Select);
  EXPECT_EQ(several.fileNameEdit()->text(), "\"CHKSUM\" \"ORDRPT\"");
  several.fileNameEdit()->setText("\"ORDRPT\" \"CHKSUM\"");
  several.accept();
  EXPECT_EQ(several.choice().paths,
            (std::vector<std::string>{"/DEMO/SOURCE/ORDRPT", "/DEMO/SOURCE/CHKSUM"}));
  EXPECT_EQ(several.choice().templateName, "");
}

TEST_F(RemoteDialogs, ClosingWaitsForTheListingUntilStopAndLateListingsAreDropped) {
  auto dialog = std::make_unique<RemoteFileDialog>(services_, RemoteDialogMode::kOpen, "Open",
                                                   "/DEMO/SOURCE", "", false);
  dialog->show();
  ASSERT_EQ(dialog->requestsOutstanding(), 1);
  dialog->reject();
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown().front().text, LoadText(kStrWaitForCurrentTask));
  EXPECT_TRUE(dialog->isVisible());

  dialog->stopButton()->click();
  EXPECT_EQ(stops_, 1);
  dialog->reject();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(ui_.shown().size(), 1u);
  // The dialog goes before its listing comes back.
  dialog.reset();
  ASSERT_TRUE(harness_.worker().WaitUntilIdle(std::chrono::seconds(20)));
  QCoreApplication::processEvents();
  EXPECT_FALSE(busy_);
  EXPECT_EQ(ui_.shown().size(), 1u);
}

TEST_F(RemoteDialogs, DownloadAndUploadThroughTheContextMenu) {
  TempDir local;
  RemoteFileDialog dialog(services_, RemoteDialogMode::kOpen, "Open", "/DEMO/SOURCE", "", false);
  ASSERT_TRUE(Settled(dialog));
  const auto texts = [](QMenu& menu) {
    QStringList list;
    for (QAction* action : menu.actions()) list << action->text();
    return list;
  };
  std::unique_ptr<QMenu> elsewhere = dialog.contextMenu(-1);
  EXPECT_EQ(texts(*elsewhere), (QStringList{"&View", "&Upload As...", "&Properties"}));
  EXPECT_EQ(texts(*elsewhere->actions().front()->menu()), (QStringList{"&List", "&Details"}));
  std::unique_ptr<QMenu> onFile = dialog.contextMenu(2);  // STATS
  ASSERT_EQ(texts(*onFile), (QStringList{"&Select", "&Download As...", "&Properties"}));

  const std::filesystem::path target = local.path() / "stats.rec";
  {
    ModalAnswer<QFileDialog> answer([&](QFileDialog& chooser) {
      EXPECT_EQ(chooser.windowTitle(), "Download As");
      chooser.selectFile(QString::fromStdString(target.string()));
      QMetaObject::invokeMethod(&chooser, "accept");
    });
    onFile->actions()[1]->trigger();
  }
  ASSERT_TRUE(Settled(dialog));
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  ASSERT_TRUE(std::filesystem::exists(target));
  std::ifstream in(target, std::ios::binary);
  const std::string received((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(received.find(std::string(80, 'y')), std::string::npos);
  EXPECT_TRUE(harness_.TemporaryFolderEmpty());

  // The record form goes back up under its MPE name, and the folder is
  // read again to show it.
  const std::filesystem::path copy = local.path() / "copy.rec";
  std::filesystem::copy_file(target, copy);
  dialog.uploadFile(copy.string());
  ASSERT_TRUE(Settled(dialog));
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  EXPECT_EQ(dialog.entryNames(), (std::vector<std::string>{"CHKSUM", "COPY", "ORDRPT", "STATS"}));
  EXPECT_NE(agent_.Read("/DEMO/SOURCE/COPY").find(std::string(80, 'y')), std::string::npos);
}

TEST_F(RemoteDialogs, BrowseFoldersOpensTheTreeAndKeepsTheHistory) {
  std::vector<std::string> history = {"/DEMO/PUB", "/OLD"};
  std::optional<std::string> chosen;
  {
    ModalAnswer<BrowseFoldersDialog> answer([&](BrowseFoldersDialog& dialog) {
      EXPECT_TRUE(WaitFor(
          [&] { return dialog.requestsOutstanding() == 0 && dialog.subfolders("/DEMO/SOURCE"); }));
      EXPECT_EQ(dialog.subfolders("/"), std::vector<std::string>{"DEMO"});
      EXPECT_EQ(dialog.subfolders("/DEMO"), (std::vector<std::string>{"PUB", "SOURCE"}));
      EXPECT_EQ(dialog.subfolders("/DEMO/SOURCE"), std::vector<std::string>{});
      EXPECT_EQ(dialog.folderNameBox()->count(), 2);
      EXPECT_EQ(dialog.folderNameBox()->currentText(), "/DEMO/SOURCE");
      EXPECT_TRUE(dialog.selectFolder("/DEMO/PUB"));
      EXPECT_EQ(dialog.folderNameBox()->currentText(), "/DEMO/PUB");
      dialog.accept();
    });
    chosen = BrowseHostFolder(services_, "/DEMO/SOURCE", history, nullptr);
  }
  EXPECT_EQ(chosen, "/DEMO/PUB");
  EXPECT_EQ(history, (std::vector<std::string>{"/DEMO/PUB", "/OLD"}));
  // Folders-only listings never stand in for a folder's files.
  auto cached = cache_.Lookup("/DEMO/SOURCE");
  EXPECT_TRUE(!cached || cached->entries.size() == 3u);
  EXPECT_TRUE(ui_.shown().empty());
}

}  // namespace
}  // namespace vandrel::ui
