// The help window: the user manual's contents and a full-text search on the
// left, the page (or a context help entry) on the right. One window for the
// whole application, shown beside the frame and never modal, so that the
// user can read while working.
#pragma once

#include <QString>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "help/context_help.h"
#include "help/manual.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

namespace vandrel::ui {

class HelpWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(help::Manual manual, QWidget* parent = nullptr);

  // Help Contents: the contents list, and the first page when nothing is shown yet.
  void ShowContents();
  // Help Search: the search field, focused; runs `query` when it is not empty.
  void ShowSearch(const QString& query = QString());
  // Shows the page `fileName` at the heading with `anchor` (empty: the top).
  // False, with a note in the page area, when the manual has no such page.
  bool ShowPage(const std::string& fileName, const std::string& anchor = std::string());
  // Shows what context help found (kFound only) as an entry of its own.
  void ShowContextHelp(const help::ContextHelpResult& result);

  const help::Manual& manual() const { return manual_; }
  // The page shown now ("" for a context help entry or an empty manual).
  const std::string& currentPage() const { return currentPage_; }
  QTabWidget* tabs() const { return tabs_; }
  QTreeWidget* contents() const { return contents_; }
  QLineEdit* searchField() const { return searchField_; }
  QListWidget* searchResults() const { return results_; }
  QTextBrowser* browser() const { return browser_; }
  QPushButton* backButton() const { return back_; }
  QPushButton* forwardButton() const { return forward_; }

  // Back and Forward through the pages shown: Back from a context help
  // entry returns to the page shown before it.
  void GoBack();
  void GoForward();

 private:
  void FillContents();
  void RunSearch();
  void OpenResult(int row);
  void OpenLink(const QUrl& url);
  void ScrollToHeading(const std::string& heading);
  void HighlightWords(const std::vector<std::string>& words);
  void SelectInContents(const std::string& fileName, const std::string& heading);
  void Remember(const std::string& fileName, const std::string& anchor);
  void ShowHistoryEntry(std::size_t at);
  void UpdateHistoryButtons();

  help::Manual manual_;
  std::string currentPage_;
  std::vector<help::SearchHit> hits_;
  std::vector<std::string> hitWords_;
  // The pages shown, as file name and anchor; `historyAt_` is the one shown
  // now (or last, while a context help entry is shown).
  std::vector<std::pair<std::string, std::string>> history_;
  std::size_t historyAt_ = 0;
  bool walkingHistory_ = false;
  QTabWidget* tabs_;
  QTreeWidget* contents_;
  QLineEdit* searchField_;
  QPushButton* searchButton_;
  QLabel* searchSummary_;
  QListWidget* results_;
  QTextBrowser* browser_;
  QPushButton* back_;
  QPushButton* forward_;
};

}  // namespace vandrel::ui
