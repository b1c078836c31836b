#include "help/ui/help_window.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"

namespace vandrel::ui {

namespace {

constexpr int kPageRole = Qt::UserRole;
constexpr int kHeadingRole = Qt::UserRole + 1;
// More highlighted places than this only slow a long page down.
constexpr int kMostHighlights = 400;

// A heading as the rendered page shows it: without the inline marks.
QString RenderedHeading(const std::string& heading) {
  QString text = QString::fromStdString(heading);
  text.remove('`');
  text.remove('*');
  return text.trimmed();
}

QString Html(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

}  // namespace

HelpWindow::HelpWindow(help::Manual manual, QWidget* parent)
    : QWidget(parent, Qt::Window), manual_(std::move(manual)) {
  setObjectName("helpWindow");
  setWindowTitle(QString::fromStdString(LoadText(kStrAppCaption)) + " Help");
  resize(980, 680);

  tabs_ = new QTabWidget;
  contents_ = new QTreeWidget;
  contents_->setHeaderHidden(true);
  contents_->setObjectName("helpContents");
  tabs_->addTab(contents_, "&Contents");

  auto* searchPage = new QWidget;
  auto* searchLayout = new QVBoxLayout(searchPage);
  auto* searchRow = new QHBoxLayout;
  searchField_ = new QLineEdit;
  searchField_->setObjectName("helpSearchField");
  searchField_->setPlaceholderText("Words to find");
  searchField_->setClearButtonEnabled(true);
  searchButton_ = new QPushButton("&Search");
  searchRow->addWidget(searchField_, 1);
  searchRow->addWidget(searchButton_);
  searchSummary_ = new QLabel;
  searchSummary_->setWordWrap(true);
  results_ = new QListWidget;
  results_->setObjectName("helpSearchResults");
  results_->setWordWrap(true);
  results_->setAlternatingRowColors(true);
  searchLayout->addLayout(searchRow);
  searchLayout->addWidget(searchSummary_);
  searchLayout->addWidget(results_, 1);
  tabs_->addTab(searchPage, "Searc&h");

  browser_ = new QTextBrowser;
  browser_->setObjectName("helpBrowser");
  browser_->setOpenLinks(false);
  browser_->document()->setDocumentMargin(14);

  auto* pageArea = new QWidget;
  auto* pageLayout = new QVBoxLayout(pageArea);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  auto* navigation = new QHBoxLayout;
  back_ = new QPushButton("< &Back");
  forward_ = new QPushButton("&Forward >");
  navigation->addWidget(back_);
  navigation->addWidget(forward_);
  navigation->addStretch(1);
  pageLayout->addLayout(navigation);
  pageLayout->addWidget(browser_, 1);

  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->addWidget(tabs_);
  splitter->addWidget(pageArea);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({300, 680});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(splitter);

  connect(contents_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item == nullptr) return;
    ShowPage(item->data(0, kPageRole).toString().toStdString(),
             item->data(0, kHeadingRole).toString().toStdString());
  });
  connect(searchField_, &QLineEdit::returnPressed, this, &HelpWindow::RunSearch);
  connect(searchButton_, &QPushButton::clicked, this, &HelpWindow::RunSearch);
  connect(results_, &QListWidget::currentRowChanged, this, &HelpWindow::OpenResult);
  connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::OpenLink);
  connect(back_, &QPushButton::clicked, this, &HelpWindow::GoBack);
  connect(forward_, &QPushButton::clicked, this, &HelpWindow::GoForward);

  FillContents();
  UpdateHistoryButtons();
}

void HelpWindow::FillContents() {
  contents_->clear();
  for (const help::ManualPage& page : manual_.pages()) {
    auto* top = new QTreeWidgetItem(contents_, {QString::fromStdString(page.title)});
    top->setData(0, kPageRole, QString::fromStdString(page.fileName));
    QTreeWidgetItem* section = nullptr;
    for (const help::ManualSection& heading : page.sections) {
      if (heading.level == 1) continue;
      QTreeWidgetItem* under = heading.level == 3 && section != nullptr ? section : top;
      auto* item = new QTreeWidgetItem(under, {RenderedHeading(heading.heading)});
      item->setData(0, kPageRole, QString::fromStdString(page.fileName));
      item->setData(0, kHeadingRole, QString::fromStdString(help::HeadingAnchor(heading.heading)));
      if (heading.level == 2) section = item;
    }
  }
  contents_->expandToDepth(0);
}

void HelpWindow::ShowContents() {
  tabs_->setCurrentIndex(0);
  if (currentPage_.empty() && !manual_.empty()) {
    const help::ManualPage* first = manual_.Find(help::kFirstPage);
    ShowPage(first ? first->fileName : manual_.pages().front().fileName);
  }
  if (manual_.empty()) {
    browser_->setHtml(QString("<h2>The manual is not installed</h2><p>Vandrel looks for its "
                              "pages in <code>%1</code>.</p>")
                          .arg(QString::fromStdString(manual_.folder().string()).toHtmlEscaped()));
  }
  contents_->setFocus();
}

void HelpWindow::ShowSearch(const QString& query) {
  tabs_->setCurrentIndex(1);
  if (!query.isEmpty()) {
    searchField_->setText(query);
    RunSearch();
  }
  searchField_->setFocus();
  searchField_->selectAll();
}

bool HelpWindow::ShowPage(const std::string& fileName, const std::string& anchor) {
  const help::ManualPage* page = manual_.Find(fileName);
  if (page == nullptr) {
    browser_->setHtml(QString("<h2>No such page</h2><p>The manual has no page <code>%1</code>.</p>")
                          .arg(Html(fileName)));
    currentPage_.clear();
    return false;
  }
  if (currentPage_ != fileName) {
    browser_->document()->setMarkdown(QString::fromStdString(page->text),
                                      QTextDocument::MarkdownDialectGitHub);
    currentPage_ = fileName;
  }
  browser_->setExtraSelections({});
  const help::ManualSection* section = anchor.empty() ? nullptr : help::FindSection(*page, anchor);
  if (section != nullptr) {
    ScrollToHeading(section->heading);
  } else {
    browser_->moveCursor(QTextCursor::Start);
    browser_->verticalScrollBar()->setValue(0);
  }
  SelectInContents(fileName, section ? anchor : std::string());
  Remember(fileName, section ? anchor : std::string());
  return true;
}

void HelpWindow::Remember(const std::string& fileName, const std::string& anchor) {
  if (walkingHistory_) return;
  const std::pair<std::string, std::string> entry{fileName, anchor};
  if (!history_.empty() && history_[historyAt_] == entry) return;
  if (!history_.empty()) history_.resize(historyAt_ + 1);
  history_.push_back(entry);
  historyAt_ = history_.size() - 1;
  UpdateHistoryButtons();
}

void HelpWindow::ShowHistoryEntry(std::size_t at) {
  historyAt_ = at;
  walkingHistory_ = true;
  ShowPage(history_[at].first, history_[at].second);
  walkingHistory_ = false;
  UpdateHistoryButtons();
}

void HelpWindow::GoBack() {
  if (history_.empty()) return;
  // From a context help entry, back is the page shown before it.
  if (currentPage_.empty()) {
    ShowHistoryEntry(historyAt_);
  } else if (historyAt_ > 0) {
    ShowHistoryEntry(historyAt_ - 1);
  }
}

void HelpWindow::GoForward() {
  if (!currentPage_.empty() && historyAt_ + 1 < history_.size()) ShowHistoryEntry(historyAt_ + 1);
}

void HelpWindow::UpdateHistoryButtons() {
  back_->setEnabled(!history_.empty() && (currentPage_.empty() || historyAt_ > 0));
  forward_->setEnabled(!currentPage_.empty() && historyAt_ + 1 < history_.size());
}

void HelpWindow::ScrollToHeading(const std::string& heading) {
  const QString wanted = RenderedHeading(heading);
  QTextDocument* document = browser_->document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    if (block.blockFormat().headingLevel() == 0 || block.text().trimmed() != wanted) continue;
    QTextCursor cursor(block);
    browser_->setTextCursor(cursor);
    const QRectF place = document->documentLayout()->blockBoundingRect(block);
    browser_->verticalScrollBar()->setValue(static_cast<int>(place.top()));
    return;
  }
}

void HelpWindow::SelectInContents(const std::string& fileName, const std::string& anchor) {
  const QString page = QString::fromStdString(fileName);
  const QString heading = QString::fromStdString(anchor);
  for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
    if ((*it)->data(0, kPageRole).toString() == page &&
        (*it)->data(0, kHeadingRole).toString() == heading) {
      if (contents_->currentItem() != *it) {
        const QSignalBlocker quiet(contents_);
        contents_->setCurrentItem(*it);
      }
      return;
    }
  }
}

void HelpWindow::RunSearch() {
  const std::string query = searchField_->text().toStdString();
  hitWords_ = help::QueryWords(query);
  hits_ = help::SearchManual(manual_, query);
  {
    const QSignalBlocker quiet(results_);
    results_->clear();
    for (const help::SearchHit& hit : hits_) {
      const help::ManualPage& page = manual_.pages()[hit.page];
      const help::ManualSection& section = page.sections[hit.section];
      QString text = RenderedHeading(section.heading);
      if (section.level > 1) text += "  –  " + QString::fromStdString(page.title);
      if (!hit.excerpt.empty()) text += "\n" + QString::fromStdString(hit.excerpt);
      results_->addItem(text);
    }
  }
  if (hitWords_.empty()) {
    searchSummary_->setText("Type one or more words: the places holding all of them are listed.");
  } else if (hits_.empty()) {
    searchSummary_->setText(QString("Nothing found for \"%1\".").arg(searchField_->text()));
  } else {
    searchSummary_->setText(hits_.size() == 1 ? QString("1 place found.")
                                              : QString("%1 places found.").arg(hits_.size()));
    results_->setCurrentRow(0);
  }
}

void HelpWindow::OpenResult(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= hits_.size()) return;
  const help::SearchHit& hit = hits_[static_cast<std::size_t>(row)];
  const help::ManualPage& page = manual_.pages()[hit.page];
  const help::ManualSection& section = page.sections[hit.section];
  ShowPage(page.fileName, section.level > 1 ? help::HeadingAnchor(section.heading) : "");
  HighlightWords(hitWords_);
}

void HelpWindow::HighlightWords(const std::vector<std::string>& words) {
  QList<QTextEdit::ExtraSelection> selections;
  QTextCharFormat marked;
  marked.setBackground(QColor(255, 236, 140));
  QTextDocument* document = browser_->document();
  for (const std::string& word : words) {
    const QRegularExpression pattern(
        "\\b" + QRegularExpression::escape(QString::fromStdString(word)),
        QRegularExpression::CaseInsensitiveOption);
    for (QTextCursor found = document->find(pattern);
         !found.isNull() && selections.size() < kMostHighlights;
         found = document->find(pattern, found)) {
      selections.append({found, marked});
    }
  }
  browser_->setExtraSelections(selections);
}

void HelpWindow::OpenLink(const QUrl& url) {
  if (!url.scheme().isEmpty() && url.scheme() != "file") return;  // the manual stays offline
  const QString path = url.path();
  const std::string page = path.isEmpty() ? currentPage_ : path.section('/', -1).toStdString();
  ShowPage(page, url.fragment().toStdString());
}

void HelpWindow::ShowContextHelp(const help::ContextHelpResult& result) {
  if (result.entries.empty()) return;
  const help::HelpEntry& first = result.entries.front();
  const bool exact = QString::fromStdString(first.keyword)
                         .compare(QString::fromStdString(result.word), Qt::CaseInsensitive) == 0;
  QString html;
  std::size_t listedFrom = 0;
  if (exact) {
    html += QString("<h2>%1</h2><p style=\"font-size:large\">%2</p>")
                .arg(Html(first.keyword), Html(first.meaning));
    listedFrom = 1;
    if (result.entries.size() > 1) {
      html += QString("<h3>Also starting with \"%1\"</h3>").arg(Html(result.word));
    }
  } else {
    html += QString("<h2>Keywords starting with \"%1\"</h2>").arg(Html(result.word));
  }
  if (result.entries.size() > listedFrom) {
    html += "<table cellspacing=\"0\" cellpadding=\"4\">";
    for (std::size_t i = listedFrom; i < result.entries.size(); ++i) {
      html += QString("<tr><td valign=\"top\"><b>%1</b></td><td>%2</td></tr>")
                  .arg(Html(result.entries[i].keyword), Html(result.entries[i].meaning));
    }
    html += "</table>";
  }
  html += QString(
              "<hr/><p style=\"color:#606060\">Context help for \"%1\" from <code>%2</code>, "
              "the help file of the template \"%3\". <a href=\"%4#context-help\">About "
              "context help</a></p>")
              .arg(Html(result.word), Html(result.helpFile), Html(result.templateName),
                   "04-templates.md");
  browser_->setHtml(html);
  currentPage_.clear();
  UpdateHistoryButtons();
  const QSignalBlocker quiet(contents_);
  contents_->setCurrentItem(nullptr);
}

}  // namespace vandrel::ui
