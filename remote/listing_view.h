// How the remote file dialogs show a host folder, without the widgets: which
// folder a name leads to, the components of the "Look in:" list, the columns
// of the details view and the text of each cell, the order of the entries,
// the host name an upload gets, and the names typed into "File name:".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/document_format.h"
#include "remote/connect_thread.h"

namespace vandrel::remote {

// Whether names on a host of `hostKind` compare without regard to case
// (MPE/iX hosts, whose agent spells names in capitals, and hosts of kind 9).
bool HostNamesIgnoreCase(std::int32_t hostKind);

// The folder that showing `target` from `current` leads to:
//  - a path starting with "/" as given;
//  - ".." the parent of `current` (a trailing "/" dropped, cut at the last
//    "/", "/" when nothing is left); nothing at the root or with no current
//    folder;
//  - any other name appended to `current`, with a "/" between them unless
//    `current` already ends in one (a name alone when there is no folder).
// Nothing for an empty target.
std::optional<std::string> FolderToShow(std::string_view current, std::string_view target);

// `folder` and `name` joined with "/" as the host takes a path; no second
// "/" is put after a folder that already ends in one (the root).
std::string JoinHostPath(std::string_view folder, std::string_view name);

// The folder of the file at `path`: what stands before its last "/" ("/"
// for a file at the root); empty when the path has no "/".
std::string HostFolderOf(std::string_view path);

// One line of the "Look in:" list: the folder it leads to, the text shown
// and its indentation step.
struct LookInItem {
  std::string path;
  std::string text;
  int indent = 0;
  bool operator==(const LookInItem&) const = default;
};
// The components of `folder` from "/" down, cumulatively, one step deeper
// each; the last one is the folder itself. A relative folder starts at its
// first component; an empty folder gives nothing.
std::vector<LookInItem> LookInComponents(std::string_view folder);

enum class ListingColumn {
  kName,
  kSize,
  kFileCode,  // MPE/iX hosts only
  kPermissions,
  kOwner,
  kGroup,
  kModified,
  kAccessed,
  kCreated,
};

// The columns of the details view on a host of `hostKind`: on MPE/iX the
// file code follows the size.
std::vector<ListingColumn> ListingColumns(std::int32_t hostKind);
std::string ListingColumnTitle(ListingColumn column);

// A folder entry: its permissions start with "d".
bool IsFolderEntry(const HostFileInfo& entry);

// The text of one cell. On MPE/iX hosts the file code shows its mnemonic
// when the file code table knows it, else the number, and nothing for 0;
// entries whose flags have bit 1 (the file cannot be locked: folders and
// other non-files) show nothing in the columns after the file code. Times
// are shown as host file times are.
std::string ListingCellText(const HostFileInfo& entry, ListingColumn column, std::int32_t hostKind);

// The order of two entries by `column`: in ascending order folders come
// before files and the column decides within each group; descending reverses
// the whole comparison (folders then come last). Names, permissions, owner
// and group compare without regard to case, the other columns as numbers.
// Negative, zero or positive, as `a` comes before, with or after `b`.
int CompareListingEntries(const HostFileInfo& a, const HostFileInfo& b, ListingColumn column,
                          bool descending);
// Sorts by CompareListingEntries; equal entries keep their order.
void SortListingEntries(std::vector<HostFileInfo>& entries, ListingColumn column, bool descending);

struct ListingSort {
  ListingColumn column = ListingColumn::kName;
  bool descending = false;
  bool operator==(const ListingSort&) const = default;
};
// The order after a click on the header of `clicked`: that column
// ascending, or the reverse of the current order when it is already the
// column sorted by.
ListingSort SortAfterHeaderClick(ListingSort current, ListingColumn clicked);

// The host name a local file is uploaded as: its name without the local
// folder; on MPE/iX hosts also cut at its first "." and upper-cased. Empty
// when nothing is left.
std::string UploadName(std::string_view localPath, std::int32_t hostKind);

// The names typed into "File name:". Names in double quotes may contain
// blanks and are separated by blanks, as a desktop open dialog takes several
// names ("A" "B C"); words outside quotes are names of their own; a quote
// left open runs to the end. A text without any quote is one name, its
// surrounding blanks removed. Empty names are dropped.
std::vector<std::string> ParseFileNames(std::string_view text);

// The wildcard patterns of a "Files of type:" filter "Text (*.txt;*.doc)":
// the ";"-separated patterns inside its last pair of parentheses, or the
// whole filter when it has none. "*.*" and "*" match every name.
std::vector<std::string> FilterPatterns(std::string_view filter);
// Whether a file name matches one of the patterns (none: every name), with
// or without regard to case as the host compares names.
bool MatchesFilter(std::string_view name, const std::vector<std::string>& patterns,
                   std::int32_t hostKind);

}  // namespace vandrel::remote
