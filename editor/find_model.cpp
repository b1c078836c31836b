#include "editor/find_model.h"

#include <algorithm>

#include "core/app_settings.h"

namespace vandrel {

namespace {

constexpr int kKeepVisibleMargin = 40;

// Exactly one direction, down unless up is asked for.
std::uint32_t WithOneDirection(std::uint32_t options) {
  options &= kFindOptionBits;
  if (options & kFindUp) return options & ~kFindDown;
  return options | kFindDown;
}

}  // namespace

std::uint32_t SearchFlagsOf(std::uint32_t options) {
  std::uint32_t flags = (options & kFindUp) ? kSearchBackward : kSearchForward;
  if (options & kFindWrap) flags |= kSearchWrap;
  if (options & kFindWholeWord) flags |= kSearchWholeWord;
  if (options & kFindMatchCase) flags |= kSearchMatchCase;
  return flags;
}

// ---- Session --------------------------------------------------------------------

std::uint32_t FindSession::OptionsForDialog() const {
  if (settings_ != nullptr && settings_->RememberFind != 0) {
    return WithOneDirection(static_cast<std::uint32_t>(settings_->FindSettings));
  }
  return options_;
}

void FindSession::StoreOptions(std::uint32_t options) {
  options_ = WithOneDirection(options);
  if (settings_ != nullptr && settings_->RememberFind != 0) {
    settings_->FindSettings = static_cast<std::int32_t>(options_);
  }
}

void FindSession::Remember(const SearchRecord& record) {
  RememberedSearch search{record, record.text.substr(0, kMaxSearchText)};
  search.record.text = search.text;
  remembered_ = std::move(search);
}

// ---- Dialog ---------------------------------------------------------------------

std::string ProposedSearchText(const SelectionFacts& selection) {
  return selection.hasSelection && !selection.spansLines ? selection.selectedText
                                                         : selection.caretWord;
}

FindDialogModel::FindDialogModel(FindDialogKind kind, std::uint32_t options,
                                 const SelectionFacts& selection)
    : kind_(kind), options_(WithOneDirection(options)) {
  selectionEnabled_ = selection.hasSelection;
  SetFindText(ProposedSearchText(selection));
  // Over several lines the selection is what a Replace works in.
  inSelection_ =
      kind_ == FindDialogKind::kReplace && selection.hasSelection && selection.spansLines;
}

void FindDialogModel::SetFindText(std::string_view text) {
  findText_ = std::string(text.substr(0, std::min(text.size(), kMaxSearchText)));
}

void FindDialogModel::SetReplaceText(std::string_view text) {
  replaceText_ = std::string(text.substr(0, std::min(text.size(), kMaxSearchText)));
}

void FindDialogModel::SetOption(std::uint32_t bit, bool on) {
  options_ = WithOneDirection(on ? options_ | bit : options_ & ~bit);
}

void FindDialogModel::SetUp(bool up) {
  options_ = WithOneDirection(up ? (options_ | kFindUp) : (options_ & ~kFindUp));
}

void FindDialogModel::SetInSelection(bool inSelection) {
  inSelection_ = inSelection && selectionEnabled_;
}

std::string_view FindDialogModel::ReplaceButtonText() const {
  return replaceText_.empty() ? "&Delete" : "&Replace";
}

std::string_view FindDialogModel::ReplaceAllButtonText() const {
  return replaceText_.empty() ? "Delete &All" : "Replace &All";
}

std::uint32_t FindDialogModel::SearchFlags() const {
  std::uint32_t options = options_;
  if (!WrapEnabled()) options &= ~kFindWrap;
  return SearchFlagsOf(options);
}

// ---- Keeping the found text visible -------------------------------------------------

std::optional<std::pair<int, int>> KeepFoundTextVisible(const PixelRect& dialog,
                                                        const PixelRect& found,
                                                        const PixelRect& editor,
                                                        const PixelRect& mainWindow) {
  if (!dialog.Intersects(found)) return std::nullopt;
  const int editorMiddle = (editor.top + editor.bottom) / 2;
  const int height = dialog.bottom - dialog.top;
  if (found.top >= editorMiddle) {
    return std::make_pair(dialog.left, mainWindow.top + kKeepVisibleMargin);
  }
  return std::make_pair(dialog.left, mainWindow.bottom - kKeepVisibleMargin - height);
}

}  // namespace vandrel
