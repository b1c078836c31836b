// The searches of the Find and Replace dialogs and of Find Next and Find
// Previous, carried out on one edit control: each selects what it found or
// tells the user "Cannot find the string '%s'.", and remembers a successful
// search in the session for Find Next and Find Previous.
//
// A forward search starts at the caret, which after a found text stands at
// its end; a backward one starts at the start of the selection, so that the
// text just found is not found again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/find_model.h"

namespace vandrel {
class UserInterface;
}

namespace vandrel::ui {

class QsciEditControl;

class EditorFinder {
 public:
  EditorFinder(QsciEditControl& control, UserInterface& ui, FindSession& session)
      : control_(control), ui_(ui), session_(session) {}

  // What the dialogs propose from: the selection and the word at the caret.
  SelectionFacts Facts() const;

  // Find Next with the search flags `flags`; true when found (and selected).
  bool FindNext(std::string_view text, std::uint32_t flags);
  // Replace: the selection is replaced first when it holds the search text
  // (ignoring case unless kSearchMatchCase), then the next one is found.
  bool Replace(std::string_view text, std::string_view replacement, std::uint32_t flags);
  // Replace All over the whole text or the selection, as one undo step;
  // the number replaced (0 after the message).
  std::int64_t ReplaceAll(std::string_view text, std::string_view replacement, std::uint32_t flags,
                          bool inSelection);
  // Mark All: every line holding a match gets the bookmark as its only
  // mark; the number of lines marked (0 after the message).
  std::int64_t MarkAll(std::string_view text, std::uint32_t flags);
  // Find Next (forward) or Find Previous without a dialog: the remembered
  // search from the selection. False when nothing is remembered or found.
  bool Repeat(bool forward);

 private:
  // Searches from the caret (or the selection's start going backward);
  // selects and remembers what it found.
  bool SearchAndSelect(SearchRecord record);
  void NotFound(std::string_view text);

  QsciEditControl& control_;
  UserInterface& ui_;
  FindSession& session_;
};

}  // namespace vandrel::ui
