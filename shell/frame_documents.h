// The frame's document windows as a whole: listing, saving and closing them.
// Called on the user-interface thread only.
#pragma once

#include <QList>

namespace vandrel::ui {
class EditorWindow;
}

namespace vandrel::shell {

class FrameDocuments {
 public:
  virtual ~FrameDocuments() = default;
  // The open editor windows, in the document area's order.
  virtual QList<ui::EditorWindow*> EditorWindows() const = 0;
  // Saves the project when modified, then every modified document.
  virtual void SaveAll() = 0;
  // Closes every document window; false when one stays open.
  virtual bool CloseAllDocuments() = 0;
};

}  // namespace vandrel::shell
