// The rules of the Find and Replace dialogs, without widgets: the search
// options and where they are kept, what a dialog proposes when it opens,
// which buttons are enabled and what they read, the remembered search that
// Find Next and Find Previous repeat, and where a dialog moves so that it
// does not hide the text it found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "editor/text_search.h"

namespace vandrel {

struct AppSettings;

// The dialogs' option bits. Down, up, wrap, whole word and match case have
// the same values as the search record's flags.
inline constexpr std::uint32_t kFindDown = 1;
inline constexpr std::uint32_t kFindUp = 2;
inline constexpr std::uint32_t kFindWrap = 4;
inline constexpr std::uint32_t kFindWholeWord = 8;
inline constexpr std::uint32_t kFindMatchCase = 16;
inline constexpr std::uint32_t kFindOptionBits = 31;

// The search record's flags for the dialog options `options`: backward when
// Up is chosen, else forward; wrap, whole word and match case as checked.
std::uint32_t SearchFlagsOf(std::uint32_t options);

// The last successful Find or Replace search.
struct RememberedSearch {
  SearchRecord record;
  std::string text;  // at most kMaxSearchText bytes
};

// What lives while the program runs: the current options (taken from
// FindSettings when RememberFind is on each time a dialog opens, and written
// back there after every search) and the remembered search. One session
// serves every editor window.
class FindSession {
 public:
  // `settings` may be null (the default options, nothing written back).
  explicit FindSession(AppSettings* settings = nullptr) : settings_(settings) {}

  // The options a dialog opens with.
  std::uint32_t OptionsForDialog() const;
  // The options of a search just made.
  void StoreOptions(std::uint32_t options);

  void Remember(const SearchRecord& record);
  bool HasRemembered() const { return remembered_.has_value(); }
  const RememberedSearch* remembered() const { return remembered_ ? &*remembered_ : nullptr; }

 private:
  AppSettings* settings_;
  std::uint32_t options_ = kFindDown | kFindWrap;
  std::optional<RememberedSearch> remembered_;
};

// What the editor says about its selection when a dialog opens.
struct SelectionFacts {
  bool hasSelection = false;
  bool spansLines = false;
  std::string selectedText;  // when the selection lies inside one line
  std::string caretWord;     // the word at the caret; may be empty
};

// The text a search proposes: the selection when it lies inside one line,
// else the word at the caret (empty when there is none).
std::string ProposedSearchText(const SelectionFacts& selection);

enum class FindDialogKind { kFind, kReplace };

// The state of one Find or Replace dialog and its rules.
class FindDialogModel {
 public:
  FindDialogModel(FindDialogKind kind, std::uint32_t options, const SelectionFacts& selection);

  FindDialogKind kind() const { return kind_; }

  // ---- What the user sets ------------------------------------------------------
  const std::string& findText() const { return findText_; }
  void SetFindText(std::string_view text);  // cut to kMaxSearchText
  const std::string& replaceText() const { return replaceText_; }
  void SetReplaceText(std::string_view text);
  std::uint32_t options() const { return options_; }
  void SetOption(std::uint32_t bit, bool on);
  void SetUp(bool up);  // the direction buttons
  bool up() const { return (options_ & kFindUp) != 0; }
  // Replace in: "&Selection" or "&Whole file".
  bool inSelection() const { return inSelection_; }
  void SetInSelection(bool inSelection);

  // ---- What the dialog shows -------------------------------------------------
  bool selectionEnabled() const { return selectionEnabled_; }
  // Find: Find Next and Mark All; Replace: Replace and Replace All.
  bool SearchButtonsEnabled() const { return !findText_.empty(); }
  // Replace: Find Next needs a search text and the whole file.
  bool ReplaceFindNextEnabled() const { return !findText_.empty() && !inSelection_; }
  // Replace: the wrap box only for the whole file.
  bool WrapEnabled() const { return kind_ == FindDialogKind::kFind || !inSelection_; }
  // "&Replace" / "Replace &All", or "&Delete" / "Delete &All" while the
  // replacement is empty.
  std::string_view ReplaceButtonText() const;
  std::string_view ReplaceAllButtonText() const;

  // The search flags for a search from the dialog (wrap only where the
  // wrap box counts).
  std::uint32_t SearchFlags() const;

 private:
  FindDialogKind kind_;
  std::string findText_;
  std::string replaceText_;
  std::uint32_t options_;
  bool selectionEnabled_ = false;
  bool inSelection_ = false;
};

// A rectangle in screen pixels, right and bottom exclusive.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Intersects(const PixelRect& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

// Where a dialog at `dialog` moves when it covers the found text at `found`
// (KeepFindSelVisible): its top 40 pixels below the top of the main window
// when the text lies in the lower half of the editor, otherwise its bottom
// 40 pixels above the bottom of the main window. The new top-left corner, or
// nothing when the dialog does not cover the text.
std::optional<std::pair<int, int>> KeepFoundTextVisible(const PixelRect& dialog,
                                                        const PixelRect& found,
                                                        const PixelRect& editor,
                                                        const PixelRect& mainWindow);

}  // namespace vandrel
