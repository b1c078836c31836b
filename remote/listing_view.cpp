#include "remote/listing_view.h"

#include <algorithm>

#include "core/wildcard.h"
#include "documents/file_codes.h"
#include "documents/host_file_info.h"
#include "platform/ascii_text.h"

namespace vandrel::remote {

namespace {

using platform::AsciiLower;
using platform::AsciiUppered;
using platform::IsAsciiBlank;
using platform::TrimBlanks;

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char x = AsciiLower(a[i]);
    const char y = AsciiLower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareNumbers(std::int64_t a, std::int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareByColumn(const HostFileInfo& a, const HostFileInfo& b, ListingColumn column) {
  switch (column) {
    case ListingColumn::kName:
      return CompareIgnoringCase(a.name, b.name);
    case ListingColumn::kSize:
      return CompareNumbers(a.size, b.size);
    case ListingColumn::kFileCode:
      return CompareNumbers(a.fileCode, b.fileCode);
    case ListingColumn::kPermissions:
      return CompareIgnoringCase(a.permissions, b.permissions);
    case ListingColumn::kOwner:
      return CompareIgnoringCase(a.owner, b.owner);
    case ListingColumn::kGroup:
      return CompareIgnoringCase(a.group, b.group);
    case ListingColumn::kModified:
      return CompareNumbers(a.modifyTime, b.modifyTime);
    case ListingColumn::kAccessed:
      return CompareNumbers(a.accessTime, b.accessTime);
    case ListingColumn::kCreated:
      return CompareNumbers(a.createTime, b.createTime);
  }
  return 0;
}

}  // namespace

bool HostNamesIgnoreCase(std::int32_t hostKind) {
  return hostKind == kHostKindMpe || hostKind == kHostKindNoCase;
}

std::optional<std::string> FolderToShow(std::string_view current, std::string_view target) {
  if (target.empty()) return std::nullopt;
  if (target.front() == '/') return std::string(target);
  if (target == "..") {
    if (current.empty() || current == "/") return std::nullopt;
    std::string_view parent = current;
    if (parent.size() > 1 && parent.back() == '/') parent.remove_suffix(1);
    const std::size_t slash = parent.rfind('/');
    if (slash == std::string_view::npos || slash == 0) return std::string("/");
    return std::string(parent.substr(0, slash));
  }
  if (current.empty()) return std::string(target);
  return JoinHostPath(current, target);
}

std::string JoinHostPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string HostFolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return std::string(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

std::vector<LookInItem> LookInComponents(std::string_view folder) {
  std::vector<LookInItem> items;
  std::string path;
  if (!folder.empty() && folder.front() == '/') {
    items.push_back({"/", "/", 0});
    path = "/";
  }
  std::size_t at = 0;
  while (at < folder.size()) {
    std::size_t end = folder.find('/', at);
    if (end == std::string_view::npos) end = folder.size();
    const std::string_view component = folder.substr(at, end - at);
    if (!component.empty()) {
      if (!path.empty() && path.back() != '/') path += '/';
      path += component;
      items.push_back({path, std::string(component), static_cast<int>(items.size())});
    }
    at = end + 1;
  }
  return items;
}

std::vector<ListingColumn> ListingColumns(std::int32_t hostKind) {
  std::vector<ListingColumn> columns = {ListingColumn::kName, ListingColumn::kSize};
  if (hostKind == kHostKindMpe) columns.push_back(ListingColumn::kFileCode);
  for (ListingColumn column :
       {ListingColumn::kPermissions, ListingColumn::kOwner, ListingColumn::kGroup,
        ListingColumn::kModified, ListingColumn::kAccessed, ListingColumn::kCreated}) {
    columns.push_back(column);
  }
  return columns;
}

std::string ListingColumnTitle(ListingColumn column) {
  switch (column) {
    case ListingColumn::kName:
      return "Name";
    case ListingColumn::kSize:
      return "Size";
    case ListingColumn::kFileCode:
      return "File Code";
    case ListingColumn::kPermissions:
      return "Permissions";
    case ListingColumn::kOwner:
      return "Owner";
    case ListingColumn::kGroup:
      return "Group";
    case ListingColumn::kModified:
      return "Modified";
    case ListingColumn::kAccessed:
      return "Accessed";
    case ListingColumn::kCreated:
      return "Created";
  }
  return std::string();
}

bool IsFolderEntry(const HostFileInfo& entry) {
  return !entry.permissions.empty() && entry.permissions.front() == 'd';
}

std::string ListingCellText(const HostFileInfo& entry, ListingColumn column,
                            std::int32_t hostKind) {
  const bool mpe = hostKind == kHostKindMpe;
  const bool afterFileCode = column != ListingColumn::kName && column != ListingColumn::kSize &&
                             column != ListingColumn::kFileCode;
  if (mpe && afterFileCode && (entry.flags & kFileInfoCannotLock)) return std::string();
  switch (column) {
    case ListingColumn::kName:
      return entry.name;
    case ListingColumn::kSize:
      return std::to_string(entry.size);
    case ListingColumn::kFileCode: {
      if (!mpe || entry.fileCode == 0) return std::string();
      const FileCodeRow* row = FindFileCode(entry.fileCode);
      if (row != nullptr && !row->mnemonic.empty()) return std::string(row->mnemonic);
      return std::to_string(entry.fileCode);
    }
    case ListingColumn::kPermissions:
      return entry.permissions;
    case ListingColumn::kOwner:
      return entry.owner;
    case ListingColumn::kGroup:
      return entry.group;
    case ListingColumn::kModified:
      return FormatHostTime(entry.modifyTime);
    case ListingColumn::kAccessed:
      return FormatHostTime(entry.accessTime);
    case ListingColumn::kCreated:
      return FormatHostTime(entry.createTime);
  }
  return std::string();
}

int CompareListingEntries(const HostFileInfo& a, const HostFileInfo& b, ListingColumn column,
                          bool descending) {
  const bool folderA = IsFolderEntry(a);
  const bool folderB = IsFolderEntry(b);
  int order = folderA != folderB ? (folderA ? -1 : 1) : CompareByColumn(a, b, column);
  return descending ? -order : order;
}

void SortListingEntries(std::vector<HostFileInfo>& entries, ListingColumn column, bool descending) {
  std::stable_sort(entries.begin(), entries.end(),
                   [&](const HostFileInfo& a, const HostFileInfo& b) {
                     return CompareListingEntries(a, b, column, descending) < 0;
                   });
}

ListingSort SortAfterHeaderClick(ListingSort current, ListingColumn clicked) {
  if (current.column == clicked) return {clicked, !current.descending};
  return {clicked, false};
}

std::string UploadName(std::string_view localPath, std::int32_t hostKind) {
  std::string_view name = localPath;
  const std::size_t separator = name.find_last_of("/\\");
  if (separator != std::string_view::npos) name.remove_prefix(separator + 1);
  if (hostKind != kHostKindMpe) return std::string(name);
  return AsciiUppered(name.substr(0, name.find('.')));
}

std::vector<std::string> ParseFileNames(std::string_view text) {
  std::vector<std::string> names;
  if (text.find('"') == std::string_view::npos) {
    const std::string_view whole = TrimBlanks(text);
    if (!whole.empty()) names.emplace_back(whole);
    return names;
  }
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsAsciiBlank(text[at])) ++at;
    if (at >= text.size()) break;
    std::size_t end;
    std::string_view name;
    if (text[at] == '"') {
      end = text.find('"', at + 1);
      if (end == std::string_view::npos) end = text.size();
      name = text.substr(at + 1, end - at - 1);
      at = end + 1;
    } else {
      end = at;
      while (end < text.size() && !IsAsciiBlank(text[end]) && text[end] != '"') ++end;
      name = text.substr(at, end - at);
      at = end;
    }
    if (!name.empty()) names.emplace_back(name);
  }
  return names;
}

std::vector<std::string> FilterPatterns(std::string_view filter) {
  std::string_view list = filter;
  const std::size_t open = filter.rfind('(');
  const std::size_t close = filter.rfind(')');
  if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
    list = filter.substr(open + 1, close - open - 1);
  }
  std::vector<std::string> patterns;
  std::size_t at = 0;
  while (at <= list.size()) {
    std::size_t end = list.find(';', at);
    if (end == std::string_view::npos) end = list.size();
    const std::string_view pattern = TrimBlanks(list.substr(at, end - at));
    if (!pattern.empty()) patterns.emplace_back(pattern);
    at = end + 1;
  }
  return patterns;
}

bool MatchesFilter(std::string_view name, const std::vector<std::string>& patterns,
                   std::int32_t hostKind) {
  if (patterns.empty()) return true;
  const unsigned flags = HostNamesIgnoreCase(hostKind) ? kWildcardIgnoreCase : kWildcardNone;
  for (const std::string& pattern : patterns) {
    if (pattern == "*.*" || pattern == "*" || WildcardMatch(pattern, name, flags)) return true;
  }
  return false;
}

}  // namespace vandrel::remote
