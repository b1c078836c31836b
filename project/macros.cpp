#include "project/macros.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "platform/ascii_text.h"

namespace vandrel::project {

namespace {

bool MatchesAt(std::string_view text, std::size_t at, std::string_view token, bool ignoreCase) {
  if (token.size() > text.size() - at) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    const char a = text[at + i];
    const char b = token[i];
    if (a != b && !(ignoreCase && platform::AsciiLower(a) == platform::AsciiLower(b))) return false;
  }
  return true;
}

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

// Sample item of the command pages' preview.
constexpr std::string_view kSampleFilePath = "/dev/src/foo.c";

// The parts of a path that the file macros are made of.
struct FileParts {
  std::string_view name;
  std::string_view directory;
};

// Items: the name after the last "/" and the directory before it; a path
// without "/" is both its own name and its own directory.
FileParts ItemFileParts(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {path, path};
  return {path.substr(slash + 1), path.substr(0, slash)};
}

// The project's name for $(ProjectName): the project file's name without its
// extension. Project paths are accepted with "/" (this system's) as well as
// "\" (paths written by older versions) as separator. A path without either
// (no project file yet) has no name, and the token stays as written. Only a
// "." inside the name cuts it, so "/my.projects/build" is "build"; a name
// starting with its only "." (".build") is kept whole.
std::optional<std::string_view> ProjectNameOfPath(std::string_view projectPath) {
  const std::size_t separator = LastSeparator(projectPath);
  if (separator == std::string_view::npos) return std::nullopt;
  std::string_view name = projectPath.substr(separator + 1);
  if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) {
    name = name.substr(0, dot);
  }
  return name;
}

}  // namespace

std::string ReplaceTokens(std::string_view text, std::span<const TokenValue> tokens,
                          unsigned options) {
  const bool ignoreCase = (options & kReplaceIgnoreCase) != 0;
  const bool wholeWord = (options & kReplaceWholeWord) != 0;
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const TokenValue* hit = nullptr;
    for (const TokenValue& candidate : tokens) {
      if (candidate.token.empty() || !MatchesAt(text, at, candidate.token, ignoreCase)) continue;
      const std::size_t after = at + candidate.token.size();
      if (wholeWord && after < text.size() && platform::IsAsciiLetterOrDigit(text[after])) continue;
      hit = &candidate;
      break;
    }
    if (hit == nullptr) {
      out.push_back(text[at]);
      ++at;
    } else {
      // The value goes to the output and the scan goes on in the input, so
      // the value is never looked at again.
      out.append(hit->value);
      at += hit->token.size();
    }
  }
  return out;
}

std::string ReplaceToken(std::string_view text, std::string_view token, std::string_view value,
                         unsigned options) {
  const TokenValue one{token, value};
  return ReplaceTokens(text, std::span(&one, 1), options);
}

// MPE files live at /ACCOUNT/GROUP/NAME on the host, and their MPE name is
// NAME.GROUP.ACCOUNT. An item path of exactly that shape gives
//   $(MpeFilePath) = NAME.GROUP.ACCOUNT and $(MpeFileDir) = GROUP.ACCOUNT,
// so that $(MpeFilePath) is always the name, a "." and $(MpeFileDir).
// MPE names hold no ".", so a file name with an extension contributes the
// part before its first "." ("/dev/src/foo.c" gives foo.src.dev and src.dev,
// "/DEV/SRC/PROG1" gives PROG1.SRC.DEV). Case is kept as in the path (MPE
// names are not case-sensitive). Paths of any other shape (relative, fewer
// or more levels, a "." in the group or account, an empty name) have no MPE
// form: both tokens stay as written, as $(FileExt) does for a file without
// an extension, so the command shows what could not be filled in.
std::optional<std::string> MpeNameOfPath(std::string_view path) {
  if (!path.starts_with('/')) return std::nullopt;
  std::array<std::string_view, 3> parts;  // account, group, name
  std::string_view rest = path.substr(1);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::size_t slash = rest.find('/');
    const bool last = i + 1 == parts.size();
    if ((slash == std::string_view::npos) != last) return std::nullopt;
    parts[i] = last ? rest : rest.substr(0, slash);
    if (!last) rest = rest.substr(slash + 1);
  }
  const auto [account, group, fileName] = parts;
  const std::string_view name = fileName.substr(0, fileName.find('.'));
  if (account.empty() || group.empty() || name.empty()) return std::nullopt;
  if (account.find_first_of(".\\") != std::string_view::npos) return std::nullopt;
  if (group.find_first_of(".\\") != std::string_view::npos) return std::nullopt;
  std::string mpeName(name);
  mpeName.append(".").append(group).append(".").append(account);
  return mpeName;
}

std::string ExpandItemMacros(std::string_view text, const ItemMacroValues& values) {
  const std::string_view path = values.fullPath;
  const FileParts parts = ItemFileParts(path);
  const std::string filePath = MacroToken(kStrMacroFilePath);
  const std::string fileName = MacroToken(kStrMacroFileName);
  const std::string fileDir = MacroToken(kStrMacroFileDir);
  const std::string templateToken = MacroToken(kStrMacroTemplate);
  const std::string fileExt = MacroToken(kStrMacroFileExt);
  const std::string projectName = MacroToken(kStrMacroProjectName);

  std::vector<TokenValue> tokens = {
      {filePath, path},
      {fileName, parts.name},
      {fileDir, parts.directory},
      {templateToken, values.type},
  };
  if (const std::size_t dot = parts.name.rfind('.'); dot != std::string_view::npos) {
    tokens.push_back({fileExt, parts.name.substr(dot + 1)});
  }
  if (const auto name = ProjectNameOfPath(values.projectPath)) {
    tokens.push_back({projectName, *name});
  }
  const std::optional<std::string> mpeName = MpeNameOfPath(path);
  if (mpeName) {
    const std::string_view mpeFilePath = *mpeName;
    tokens.push_back({kMacroMpeFilePath, mpeFilePath});
    tokens.push_back({kMacroMpeFileDir, mpeFilePath.substr(mpeFilePath.find('.') + 1)});
  }
  return ReplaceTokens(text, tokens, kReplaceIgnoreCase | kReplaceRemeasure);
}

std::string PreviewMacros(std::string_view text) {
  if (text.find('$') == std::string_view::npos) return std::string(text);
  const std::string filePath = MacroToken(kStrMacroFilePath);
  const std::string fileName = MacroToken(kStrMacroFileName);
  const std::string fileDir = MacroToken(kStrMacroFileDir);
  const std::string fileExt = MacroToken(kStrMacroFileExt);
  const std::string templateToken = MacroToken(kStrMacroTemplate);
  const std::string projectName = MacroToken(kStrMacroProjectName);
  const TokenValue samples[] = {
      {filePath, kSampleFilePath},
      {fileName, "foo.c"},
      {fileDir, "/dev/src"},
      {fileExt, "c"},
      {templateToken, "template"},
      {projectName, "Sample"},
      {kMacroMpeFilePath, "foo.src.dev"},
      {kMacroMpeFileDir, "src.dev"},
  };
  return ReplaceTokens(text, samples, kReplaceIgnoreCase | kReplaceRemeasure);
}

std::string ExpandToolMacros(std::string_view text, const ToolMacroValues& values) {
  // Tools take the document's path apart their own way: without a "/" the
  // whole path is the directory and there is no name.
  const std::string_view path = values.filePath;
  const std::size_t slash = path.rfind('/');
  const std::string_view directory = slash == std::string_view::npos ? path : path.substr(0, slash);
  const std::string_view name =
      slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  const std::string_view extension =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  const std::string line = values.caretLine > 0 ? std::to_string(values.caretLine) : "";
  const std::string column = values.caretColumn > 0 ? std::to_string(values.caretColumn) : "";
  const std::string_view word = std::string_view(values.caretText).substr(0, kMaxCaretText);

  const std::string filePath = MacroToken(kStrMacroFilePath);
  const std::string fileName = MacroToken(kStrMacroFileName);
  const std::string fileDir = MacroToken(kStrMacroFileDir);
  const std::string fileExt = MacroToken(kStrMacroFileExt);
  const std::string templateToken = MacroToken(kStrMacroTemplate);
  const std::string curLine = MacroToken(kStrMacroCurLine);
  const std::string curCol = MacroToken(kStrMacroCurCol);
  const std::string curText = MacroToken(kStrMacroCurText);
  const std::string projectName = MacroToken(kStrMacroProjectName);
  // Tools have no MPE form of the document: those two tokens become empty.
  std::vector<TokenValue> tokens = {
      {filePath, path},
      {fileName, name},
      {fileDir, directory},
      {fileExt, extension},
      {templateToken, values.templateName},
      {kMacroMpeFilePath, ""},
      {kMacroMpeFileDir, ""},
      {curLine, line},
      {curCol, column},
      {curText, word},
  };
  // The directory's macro popup offers $(ProjectName), so it is filled in
  // whenever the open project has a file.
  if (const auto project = ProjectNameOfPath(values.projectPath)) {
    tokens.push_back({projectName, *project});
  }
  return ReplaceTokens(text, tokens, kReplaceIgnoreCase | kReplaceRemeasure);
}

std::string MacroToken(int stringId) { return std::string(StringTableText(stringId)); }

namespace {

constexpr MacroMenuEntry kItemMacroMenu[] = {
    {"File Path", kStrMacroFilePath},       {"File Directory", kStrMacroFileDir},
    {"File Name", kStrMacroFileName},       {"File Extension", kStrMacroFileExt},
    {"File Template", kStrMacroTemplate},   {"", 0},
    {"Project Name", kStrMacroProjectName},
};

constexpr MacroMenuEntry kToolArgumentsMacroMenu[] = {
    {"File Path", kStrMacroFilePath},     {"File Directory", kStrMacroFileDir},
    {"File Name", kStrMacroFileName},     {"File Extension", kStrMacroFileExt},
    {"File Template", kStrMacroTemplate}, {"Current Line", kStrMacroCurLine},
    {"Current Column", kStrMacroCurCol},  {"Current Text", kStrMacroCurText},
};

constexpr MacroMenuEntry kToolDirectoryMacroMenu[] = {
    {"File Path", kStrMacroFilePath},     {"File Directory", kStrMacroFileDir},
    {"File Name", kStrMacroFileName},     {"File Extension", kStrMacroFileExt},
    {"File Template", kStrMacroTemplate}, {"Project Name", kStrMacroProjectName},
};

}  // namespace

std::span<const MacroMenuEntry> ItemMacroMenu() { return kItemMacroMenu; }
std::span<const MacroMenuEntry> ToolArgumentsMacroMenu() { return kToolArgumentsMacroMenu; }
std::span<const MacroMenuEntry> ToolDirectoryMacroMenu() { return kToolDirectoryMacroMenu; }

FieldEdit InsertAtSelection(std::string_view text, std::size_t selectionStart,
                            std::size_t selectionEnd, std::string_view insert) {
  const std::size_t from = std::min(std::min(selectionStart, selectionEnd), text.size());
  const std::size_t to = std::min(std::max(selectionStart, selectionEnd), text.size());
  std::string result(text.substr(0, from));
  result.append(insert);
  result.append(text.substr(to));
  return {std::move(result), from + insert.size()};
}

}  // namespace vandrel::project
