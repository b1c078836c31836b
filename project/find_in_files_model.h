// The "Find in Files" dialog without its widgets: what the boxes start with,
// which controls are enabled, when "&Find" may be pressed, the values the
// search is started with, and the three histories the search saves.
//
// The boxes keep what the user typed. A text beyond its limit (127
// characters for the search text and the file types, 259 for the
// directory) is not cut: the model names the box that is too long and Find
// stays disabled until it fits.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/find_in_files_request.h"

namespace vandrel {
class SettingsStore;
}

namespace vandrel::project {

// What the dialog opens with.
struct FindInFilesSetup {
  std::vector<std::string> findHistory;      // "Find History", newest first
  std::vector<std::string> wildcardHistory;  // "Wildcard History"
  std::vector<std::string> folderHistory;    // "Folder History"
  std::string proposedText;                  // the active editor's selection or word
  bool projectOpen = false;                  // "Search project files only" is offered
};

// Reads the three histories from `store` (none when it is null).
FindInFilesSetup LoadFindInFilesSetup(SettingsStore* store);

// Which box holds more than it may.
enum class FindInFilesLimit { kNone, kText, kFileTypes, kDirectory };

class FindInFilesModel {
 public:
  // "&Search sub-directories" starts checked, the file types take the first
  // wildcard history entry (else "*"), the search text the proposal.
  explicit FindInFilesModel(FindInFilesSetup setup);

  const std::string& text() const { return values_.text; }
  const std::string& fileTypes() const { return values_.fileTypes; }
  const std::string& directory() const { return values_.directory; }
  bool wholeWord() const { return values_.wholeWord; }
  bool matchCase() const { return values_.matchCase; }
  bool subdirectories() const { return values_.subdirectories; }
  bool showProgress() const { return values_.showProgress; }
  bool projectFilesOnly() const { return values_.projectFilesOnly; }
  const FindInFilesSetup& setup() const { return setup_; }

  void SetText(std::string text) { values_.text = std::move(text); }
  void SetFileTypes(std::string types) { values_.fileTypes = std::move(types); }
  void SetDirectory(std::string directory) { values_.directory = std::move(directory); }
  void SetWholeWord(bool on) { values_.wholeWord = on; }
  void SetMatchCase(bool on) { values_.matchCase = on; }
  void SetSubdirectories(bool on) { values_.subdirectories = on; }
  void SetShowProgress(bool on) { values_.showProgress = on; }
  // Ignored while no project is open.
  void SetProjectFilesOnly(bool on) { values_.projectFilesOnly = on && setup_.projectOpen; }
  // The folder history as Browse handed it back.
  void SetFolderHistory(std::vector<std::string> history);

  // The session's current directory, which arrives after the dialog opened:
  // taken while the directory box is still empty. True when taken.
  bool OfferCurrentDirectory(const std::string& directory);

  // "Search project files only" disables the directory and sub-directory
  // boxes while checked; it is offered only with a project open.
  bool projectChoiceEnabled() const { return setup_.projectOpen; }
  bool directoryEnabled() const { return !values_.projectFilesOnly; }
  bool subdirectoriesEnabled() const { return !values_.projectFilesOnly; }

  // The first box over its limit, in the dialog's order.
  FindInFilesLimit OverLimit() const;
  // What to tell the user about it; empty when every box fits.
  std::string LimitText() const;
  // "&Find": all three boxes hold text and each fits.
  bool findEnabled() const;

  // The values for the search; nothing while Find is disabled.
  std::optional<FindInFilesValues> Accept() const;

  // Saves the three histories (each box's text first, then its list) into
  // `store`; false when one of them could not be written.
  bool SaveHistories(SettingsStore& store) const;

 private:
  FindInFilesSetup setup_;
  FindInFilesValues values_;
};

}  // namespace vandrel::project
