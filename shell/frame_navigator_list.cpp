#include "shell/frame_navigator_list.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

#include "editor/control_messages.h"
#include "editor/ui/editor_navigator.h"
#include "editor/ui/editor_window.h"

namespace vandrel::shell {

namespace {

// Each nesting level indents an entry by this many blanks.
constexpr int kIndentPerLevel = 3;

}  // namespace

FrameNavigatorList::FrameNavigatorList(QComboBox* list, QObject* parent)
    : QObject(parent), list_(list) {
  connect(list_, &QComboBox::activated, this, &FrameNavigatorList::EntryChosen);
}

void FrameNavigatorList::Show(ui::EditorWindow* editor) {
  editor_ = editor;
  const QSignalBlocker blocker(list_);
  list_->clear();
  if (editor == nullptr || !editor->navigator().HasEntries()) {
    list_->setEnabled(false);
    return;
  }
  const QFontMetrics metrics(list_->font());
  int widest = 0;
  for (const FunctionListEntry& entry : editor->navigator().entries()) {
    const QString text = QString(entry.depth * kIndentPerLevel, QLatin1Char(' ')) +
                         QString::fromStdString(entry.text);
    list_->addItem(icons_.Icon(entry.image), text, entry.line);
    widest = std::max(widest, metrics.horizontalAdvance(text) + list_->iconSize().width() + 8);
  }
  // Wide enough for the widest entry, a scroll bar and 6 pixels.
  const int scrollBar = list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  list_->view()->setMinimumWidth(std::max(list_->width(), widest + scrollBar + 6));
  list_->setEnabled(true);
  FollowCaret();
}

void FrameNavigatorList::FollowCaret() {
  if (!editor_ || !list_->isEnabled()) return;
  const QSignalBlocker blocker(list_);
  list_->setCurrentIndex(editor_->CurrentEntry());
}

void FrameNavigatorList::EntryChosen(int index) {
  if (!editor_ || index < 0) return;
  editor_->GoToLine(index, kGoToNavigatorEntry | kGoToMark);
  editor_->setFocus();
}

}  // namespace vandrel::shell
