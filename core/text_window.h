// What the core needs from a window that shows one text: a frame title, an
// edit field, a label. The user interface implements these; the core reads and
// writes window text through them without knowing the toolkit.
#pragma once

#include <string>
#include <string_view>

namespace vandrel {

class TextWindow {
 public:
  virtual ~TextWindow() = default;
  // The window's whole text; empty when it has none.
  virtual std::string WindowText() const = 0;
  virtual void SetWindowText(std::string_view text) = 0;
};

// A dialog's child controls, addressed by their item id. An id the dialog does
// not have reads as empty text and ignores writes.
class DialogItems {
 public:
  virtual ~DialogItems() = default;
  virtual std::string ItemText(int itemId) const = 0;
  virtual void SetItemText(int itemId, std::string_view text) = 0;
};

}  // namespace vandrel
