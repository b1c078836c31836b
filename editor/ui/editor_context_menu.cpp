#include "editor/ui/editor_context_menu.h"

#include <QAction>
#include <QMenu>

#include "core/main_menu.h"

namespace vandrel::ui {

namespace {

QAction* AddEntry(QMenu& menu, const QString& text, int data, bool enabled) {
  QAction* action = menu.addAction(text);
  action->setData(data);
  action->setEnabled(enabled);
  return action;
}

}  // namespace

QString OpenFileEntryText(const std::string& word) {
  return QString("&Open File \"%1\"").arg(QString::fromStdString(word));
}

std::unique_ptr<QMenu> BuildEditorContextMenu(const EditorMenuState& state, QWidget* parent) {
  auto menu = std::make_unique<QMenu>(parent);
  menu->setObjectName("editorContextMenu");
  QMenu& m = *menu;
  AddEntry(m, "Cu&t", cmd::kCut, state.hasSelection && !state.readOnly);
  AddEntry(m, "&Copy", cmd::kCopy, state.hasSelection);
  AddEntry(m, "&Paste", cmd::kPaste, state.clipboardHasText && !state.readOnly);
  m.addSeparator();
  AddEntry(m, "&Find...", cmd::kFind, state.findAvailable);
  m.addSeparator();
  AddEntry(m, "&Insert File into Project", cmd::kInsertFileIntoProject, state.canInsertIntoProject);
  AddEntry(m, state.word.empty() ? QString("&Open File") : OpenFileEntryText(state.word),
           kMenuOpenWord, !state.word.empty());
  AddEntry(m,
           state.definition.empty()
               ? QString("Go To &Definition")
               : QString("Go To &Definition Of ") + QString::fromStdString(state.definition),
           kMenuGoToDefinition, !state.definition.empty());
  AddEntry(m, "Parameter Info", cmd::kParameterInfo, state.definitionIsFunction);
  AddEntry(m, "Renumber", cmd::kRenumber,
           state.renumberAvailable && state.hasLineNumbers && !state.readOnly);
  m.addSeparator();
  QMenu* windows = m.addMenu("&Windows");
  int index = 0;
  for (const EditorFrame::WindowEntry& entry : state.windows) {
    if (index == kMenuWindowEntries) break;
    QAction* action = windows->addAction(
        QString("&%1 %2").arg(index + 1).arg(QString::fromStdString(entry.title)));
    action->setData(cmd::kFirstWindowChild + index);
    action->setCheckable(true);
    action->setChecked(entry.active);
    ++index;
  }
  windows->setEnabled(!state.windows.empty());
  m.addSeparator();
  AddEntry(m, "&Properties...", cmd::kProperties, true);
  return menu;
}

}  // namespace vandrel::ui
