// Where an editor window journals its unsaved edits so that they outlive a
// crash: an entry per window, written off the user-interface thread, and
// forgotten once the document is saved or closed cleanly. The frame keeps
// the journal and adds what it knows of the session and the project.
#pragma once

#include <cstdint>

#include "editor/edit_journal.h"

namespace vandrel::ui {

class DocumentJournal {
 public:
  virtual ~DocumentJournal() = default;
  // A number of its own for a window's entries.
  virtual std::uint64_t NewId() = 0;
  // An entry to fill, reusing the buffers of one already written.
  virtual JournalEntry Spare() = 0;
  // The window's latest state; returns at once.
  virtual void Record(std::uint64_t id, JournalEntry entry) = 0;
  // The window's document was saved, closed or went back to its saved text.
  virtual void Forget(std::uint64_t id) = 0;
};

}  // namespace vandrel::ui
