#include "help/manual.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/ascii_text.h"
#include "platform/install_paths.h"

namespace vandrel::help {

namespace {

constexpr std::size_t kExcerptLength = 160;
// How much one word's occurrences in a section's text can add to its score.
constexpr int kMostOccurrences = 10;
constexpr int kHeadingScore = 20;
constexpr int kTitleScore = 8;

bool IsQueryByte(char c) {
  return platform::IsAsciiLetterOrDigit(c) || c == '_' || c == '-' || c == '.' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsWordByte(char c) {
  return platform::IsAsciiLetterOrDigit(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// How often `word` starts a word of `text` (both lower-case).
int CountWordStarts(std::string_view text, std::string_view word) {
  int count = 0;
  for (std::size_t at = text.find(word); at != std::string_view::npos;
       at = text.find(word, at + 1)) {
    if (at == 0 || !IsWordByte(text[at - 1])) ++count;
  }
  return count;
}

// A line of Markdown as plain words: links keep their text, marks go.
std::string PlainLine(std::string_view line) {
  line = platform::TrimBlanks(line);
  if (line.starts_with("- ") || line.starts_with("* ")) line.remove_prefix(2);
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ']' && i + 1 < line.size() && line[i + 1] == '(') {
      const std::size_t close = line.find(')', i);
      if (close != std::string_view::npos) {
        i = close;
        continue;
      }
    }
    if (c == '*' || c == '`' || c == '[' || c == ']' || c == '#' || c == '>') continue;
    if (c == '|') {
      out += ' ';
      continue;
    }
    out += c;
  }
  std::string_view trimmed = platform::TrimAsciiSpace(out);
  return std::string(trimmed);
}

// A line that starts a paragraph of its own: a list item, a table row, a
// heading or a code fence.
bool StartsBlock(std::string_view line) {
  line = platform::TrimBlanks(line);
  if (line.starts_with("- ") || line.starts_with("* ") || line.starts_with('|') ||
      line.starts_with('#') || line.starts_with("```")) {
    return true;
  }
  std::size_t digits = 0;
  while (digits < line.size() && platform::IsAsciiDigit(line[digits])) ++digits;
  return digits > 0 && line.substr(digits).starts_with(". ");
}

bool IsBlankLine(std::string_view line) { return platform::TrimAsciiSpace(line).empty(); }

// The paragraph of `section` (original and lower-case text alike) that holds
// `word` first below the heading, as plain words; around the word when it
// is long, cut at blanks.
std::string ExcerptOf(std::string_view section, std::string_view lowered, std::string_view word) {
  std::size_t at = std::string_view::npos;
  const std::size_t firstLineEnd = section.find('\n');
  const std::size_t bodyStart = firstLineEnd == std::string_view::npos ? 0 : firstLineEnd + 1;
  for (std::size_t found = lowered.find(word, bodyStart); found != std::string_view::npos;
       found = lowered.find(word, found + 1)) {
    if (found == 0 || !IsWordByte(lowered[found - 1])) {
      at = found;
      break;
    }
  }
  if (at == std::string_view::npos) {
    // Only the heading holds it: show the section's first paragraph.
    at = bodyStart;
    while (at < section.size() && (section[at] == '\n' || section[at] == '\r')) ++at;
  }
  const auto lineAt = [&](std::size_t from) {
    std::size_t lineEnd = section.find('\n', from);
    if (lineEnd == std::string_view::npos) lineEnd = section.size();
    return section.substr(from, lineEnd - from);
  };
  std::size_t first = at == 0 ? 0 : section.rfind('\n', at - 1);
  first = first == std::string_view::npos || at == 0 ? 0 : first + 1;
  // Up to the start of the paragraph or the list item.
  while (first > bodyStart && !StartsBlock(lineAt(first))) {
    const std::size_t previous =
        first >= 2 && section.rfind('\n', first - 2) != std::string_view::npos
            ? section.rfind('\n', first - 2) + 1
            : 0;
    if (previous < bodyStart || IsBlankLine(lineAt(previous))) break;
    first = previous;
  }
  std::string text;
  for (std::size_t line = first; line < section.size();) {
    const std::string_view current = lineAt(line);
    if (line != first && (IsBlankLine(current) || StartsBlock(current))) break;
    if (!text.empty()) text += ' ';
    text += PlainLine(current);
    line += current.size() + 1;
  }
  if (text.size() <= kExcerptLength) return text;

  const std::string lowerText = platform::AsciiLowered(text);
  const std::size_t hit = std::min(lowerText.find(word), text.size());
  std::size_t from = hit > kExcerptLength / 3 ? hit - kExcerptLength / 3 : 0;
  if (from > 0) {
    const std::size_t blank = text.find(' ', from);
    from = blank != std::string::npos && blank < hit ? blank + 1 : from;
  }
  std::size_t to = std::min(text.size(), from + kExcerptLength);
  if (to < text.size()) {
    const std::size_t blank = text.rfind(' ', to);
    if (blank != std::string::npos && blank > hit) to = blank;
  }
  while (from > 0 && platform::IsUtf8ContinuationByte(text[from])) --from;
  while (to < text.size() && platform::IsUtf8ContinuationByte(text[to])) ++to;
  std::string cut = text.substr(from, to - from);
  if (from > 0) cut = "…" + cut;
  if (to < text.size()) cut += "…";
  return cut;
}

}  // namespace

ManualPage Manual::ParsePage(std::string fileName, std::string text) {
  ManualPage page;
  page.fileName = std::move(fileName);
  page.text = std::move(text);
  bool inFence = false;
  std::size_t at = 0;
  const std::string_view all = page.text;
  while (at < all.size()) {
    std::size_t end = all.find('\n', at);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view line = platform::WithoutLineEnd(all.substr(at, end - at));
    if (line.starts_with("```") || line.starts_with("~~~")) {
      inFence = !inFence;
    } else if (!inFence && line.starts_with('#')) {
      std::size_t level = 0;
      while (level < line.size() && line[level] == '#') ++level;
      if (level <= 3 && level < line.size() && line[level] == ' ') {
        const std::string heading(platform::TrimBlanks(line.substr(level)));
        if (level == 1 && page.title.empty()) {
          page.title = heading;
          // The title's section starts at the top, with any text above it.
          page.sections.insert(page.sections.begin(), {1, heading, 0});
        } else if (level > 1 && !heading.empty()) {
          page.sections.push_back({static_cast<int>(level), heading, at});
        }
      }
    }
    at = end + 1;
  }
  if (page.title.empty()) {
    page.title = page.fileName;
    page.sections.insert(page.sections.begin(), {1, page.title, 0});
  }
  return page;
}

Manual Manual::Load(const std::filesystem::path& folder) {
  Manual manual;
  manual.folder_ = folder;
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().extension() == ".md" && it->is_regular_file(error)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  for (const std::filesystem::path& file : files) {
    manual.pages_.push_back(ParsePage(file.filename().string(), ReadText(file)));
  }
  return manual;
}

const ManualPage* Manual::Find(std::string_view fileName) const {
  for (const ManualPage& page : pages_) {
    if (page.fileName == fileName) return &page;
  }
  return nullptr;
}

std::string HeadingAnchor(std::string_view heading) {
  std::string anchor;
  for (const char c : heading) {
    if (platform::IsAsciiLetterOrDigit(c) || c == '-' || c == '_') {
      anchor += platform::AsciiLower(c);
    } else if (c == ' ') {
      anchor += '-';
    }
  }
  return anchor;
}

const ManualSection* FindSection(const ManualPage& page, std::string_view anchor) {
  for (const ManualSection& section : page.sections) {
    if (HeadingAnchor(section.heading) == anchor) return &section;
  }
  return nullptr;
}

std::vector<std::string> QueryWords(std::string_view query) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < query.size()) {
    while (at < query.size() && !IsQueryByte(query[at])) ++at;
    std::size_t end = at;
    while (end < query.size() && IsQueryByte(query[end])) ++end;
    std::string_view word = query.substr(at, end - at);
    while (!word.empty() && (word.front() == '.' || word.front() == '-')) word.remove_prefix(1);
    while (!word.empty() && (word.back() == '.' || word.back() == '-')) word.remove_suffix(1);
    if (!word.empty()) {
      std::string lowered = platform::AsciiLowered(word);
      if (std::find(words.begin(), words.end(), lowered) == words.end()) {
        words.push_back(std::move(lowered));
      }
    }
    at = end;
  }
  return words;
}

std::vector<SearchHit> SearchManual(const Manual& manual, std::string_view query,
                                    std::size_t limit) {
  const std::vector<std::string> words = QueryWords(query);
  std::vector<SearchHit> hits;
  if (words.empty()) return hits;
  for (std::size_t p = 0; p < manual.pages().size(); ++p) {
    const ManualPage& page = manual.pages()[p];
    const std::string loweredPage = platform::AsciiLowered(page.text);
    const std::string loweredTitle = platform::AsciiLowered(page.title);
    for (std::size_t s = 0; s < page.sections.size(); ++s) {
      const std::size_t begin = page.sections[s].offset;
      const std::size_t end =
          s + 1 < page.sections.size() ? page.sections[s + 1].offset : page.text.size();
      const std::string_view lowered = std::string_view(loweredPage).substr(begin, end - begin);
      const std::string loweredHeading = platform::AsciiLowered(page.sections[s].heading);
      int score = 0;
      bool all = true;
      for (const std::string& word : words) {
        const int count = CountWordStarts(lowered, word);
        if (count == 0) {
          all = false;
          break;
        }
        score += std::min(count, kMostOccurrences);
        if (CountWordStarts(loweredHeading, word) > 0) score += kHeadingScore;
        if (CountWordStarts(loweredTitle, word) > 0) score += kTitleScore;
      }
      if (!all) continue;
      SearchHit hit;
      hit.page = p;
      hit.section = s;
      hit.score = score;
      hit.excerpt =
          ExcerptOf(std::string_view(page.text).substr(begin, end - begin), lowered, words.front());
      hits.push_back(std::move(hit));
    }
  }
  // Best first; equal scores keep the manual's order.
  std::stable_sort(hits.begin(), hits.end(),
                   [](const SearchHit& a, const SearchHit& b) { return a.score > b.score; });
  if (hits.size() > limit) hits.resize(limit);
  return hits;
}

std::filesystem::path DefaultManualFolder() {
  const std::filesystem::path templates = platform::DefaultTemplatesFolder();
  if (templates.empty()) return {};
  return templates.parent_path() / "manual";
}

std::filesystem::path InstalledLicenceFile() {
  const std::filesystem::path templates = platform::DefaultTemplatesFolder();
  if (templates.empty()) return {};
  const std::filesystem::path licence = templates.parent_path() / "LICENSE";
  std::error_code error;
  return std::filesystem::is_regular_file(licence, error) ? licence : std::filesystem::path();
}

}  // namespace vandrel::help
