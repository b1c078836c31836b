// The Code Navigator of an editor window: the ribbon with its "Editor" and
// "Structure" tabs, the structure tree, and the navigator of the document –
// refreshed through the template's parser extension, linked to the lines of
// the edit control so that its entries follow the text as it changes.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/ui/navigator_images.h"
#include "templates/navigator/navigator.h"

class QLabel;
class QStackedWidget;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;
class QWidget;

namespace vandrel {
struct AppSettings;
class ProgressReporter;
class TemplateCatalogue;
}  // namespace vandrel

namespace vandrel::ui {

class QsciEditControl;

class EditorNavigator final : public QObject {
  Q_OBJECT

 public:
  // What a refresh needs; `catalogue`, `progress` and `diagnostic` may be null.
  struct Services {
    const TemplateCatalogue* catalogue = nullptr;
    const AppSettings* settings = nullptr;
    ProgressReporter* progress = nullptr;
    std::function<void(std::string_view line)> diagnostic;  // output pane 3
  };

  // Lays the ribbon, a strip and the pages (the control, the structure tree)
  // out in `layout` of `window`.
  EditorNavigator(QWidget* window, QVBoxLayout* layout, QsciEditControl* control,
                  Services services);
  ~EditorNavigator() override;

  // Parses the control's text with the template's extension and fills the
  // tree and the links; without an extension everything is emptied.
  void Refresh(const std::string& templateName);
  // The template name beside the tabs (shown when TemplateInCaption is on).
  void ShowTemplateName(const std::string& templateName);

  // The function list: Sections, then Functions. Entry i is linked to its
  // line with the value i + 1.
  const std::vector<FunctionListEntry>& entries() const { return entries_; }
  bool HasEntries() const { return !entries_.empty(); }
  const Navigator* navigator() const { return navigator_.get(); }
  // The 0-based line of entry `index` as the text stands now, or -1.
  std::int64_t EntryLine(int index) const;
  // The entry covering 0-based `line`: the last linked line at or before
  // it; -1 when none.
  int EntryCovering(std::int64_t line) const;
  // The next (or previous) linked line after (or before) 0-based `line`; -1.
  std::int64_t NextFunctionLine(std::int64_t line, bool forward) const;

  // The ribbon's tab: 0 the editor, 1 the structure.
  int currentTab() const;
  void ShowTab(int tab);
  void ToggleTab() { ShowTab(currentTab() == 0 ? 1 : 0); }

 signals:
  // A structure node with a line was chosen (double click or Enter): 1-based.
  void lineChosen(int line);
  // The entries changed (after a refresh).
  void entriesChanged();

 private:
  void FillTree(const std::vector<NavigatorTreeNode>& nodes, QTreeWidgetItem* parent);
  void Clear();
  void NodeChosen(QTreeWidgetItem* item);

  QsciEditControl* control_;
  Services services_;
  QTabBar* ribbon_ = nullptr;
  QLabel* templateLabel_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  NavigatorIcons icons_;
  std::unique_ptr<Navigator> navigator_;
  std::vector<FunctionListEntry> entries_;
};

}  // namespace vandrel::ui
