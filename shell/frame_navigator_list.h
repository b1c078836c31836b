// The "Navigator" toolbar's drop-down function list, bound to the active
// editor window: it lists the window's Sections and Functions, follows the
// caret from entry to entry and moves the caret to the entry chosen.
#pragma once

#include <QObject>
#include <QPointer>

#include "editor/ui/navigator_images.h"

class QComboBox;

namespace vandrel::ui {
class EditorWindow;
}

namespace vandrel::shell {

class FrameNavigatorList final : public QObject {
  Q_OBJECT

 public:
  FrameNavigatorList(QComboBox* list, QObject* parent);

  // Lists the entries of `editor` (none: the list is emptied and disabled).
  void Show(ui::EditorWindow* editor);
  // Selects the entry covering the caret line of the shown editor.
  void FollowCaret();
  ui::EditorWindow* shownEditor() const { return editor_; }

 private:
  void EntryChosen(int index);

  QComboBox* list_;
  QPointer<ui::EditorWindow> editor_;
  ui::NavigatorIcons icons_;
};

}  // namespace vandrel::shell
