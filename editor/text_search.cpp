#include "editor/text_search.h"

#include <algorithm>
#include <cstring>

#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// Whether the byte at `at` continues the word that touches it on the side
// away from `from` (`step` -1 looks left, +1 right).
bool ContinuesWord(std::string_view text, std::size_t at, int step) {
  if (at >= text.size()) return false;
  const char c = text[at];
  if (IsWordByte(c)) return true;
  if (c != '-') return false;
  // A hyphen joins when a letter or digit stands on both of its sides; the
  // side towards the match is the match's own edge byte.
  const std::size_t inner = step < 0 ? at + 1 : at - 1;
  if (step < 0 && at == 0) return false;
  const std::size_t outer = step < 0 ? at - 1 : at + 1;
  return inner < text.size() && outer < text.size() &&
         platform::IsAsciiLetterOrDigit(text[inner]) && platform::IsAsciiLetterOrDigit(text[outer]);
}

}  // namespace

bool IsWordByte(char c) { return platform::IsAsciiLetterOrDigit(c) || c == '_'; }

bool IsWholeWordAt(std::string_view text, std::size_t at, std::size_t length) {
  if (length == 0 || at + length > text.size()) return false;
  if (at > 0 && ContinuesWord(text, at - 1, -1)) return false;
  return !ContinuesWord(text, at + length, +1);
}

TextMatcher::TextMatcher(std::string_view needle, std::uint32_t flags)
    : needle_(needle.substr(0, std::min(needle.size(), kMaxSearchText))), flags_(flags) {
  if (!(flags_ & kSearchMatchCase)) {
    std::transform(needle_.begin(), needle_.end(), needle_.begin(), platform::AsciiUpper);
  }
}

bool TextMatcher::MatchesAt(std::string_view text, std::size_t at) const {
  if (at + needle_.size() > text.size()) return false;
  if (flags_ & kSearchMatchCase) return text.compare(at, needle_.size(), needle_) == 0;
  for (std::size_t i = 0; i < needle_.size(); ++i) {
    if (platform::AsciiUpper(text[at + i]) != needle_[i]) return false;
  }
  return true;
}

bool TextMatcher::Accept(std::string_view text, std::size_t at) const {
  return !(flags_ & kSearchWholeWord) || IsWholeWordAt(text, at, needle_.size());
}

std::size_t TextMatcher::Forward(std::string_view text, std::size_t from, std::size_t limit) const {
  limit = std::min(limit, text.size());
  if (needle_.empty() || from > limit || limit - from < needle_.size()) return kNoMatch;
  const std::size_t lastStart = limit - needle_.size();
  const char first = needle_[0];
  const bool anyCase = !(flags_ & kSearchMatchCase) && first >= 'A' && first <= 'Z';
  const char other = anyCase ? static_cast<char>(first - 'A' + 'a') : first;
  const char* base = text.data();
  std::size_t at = from;
  while (at <= lastStart) {
    // Find the next candidate first byte with memchr (in both cases when
    // case does not count); the rest is compared in place.
    const std::size_t span = lastStart - at + 1;
    const auto* upper = static_cast<const char*>(std::memchr(base + at, first, span));
    std::size_t next = upper ? static_cast<std::size_t>(upper - base) : kNoMatch;
    if (anyCase) {
      const std::size_t lowerSpan = (next == kNoMatch ? lastStart + 1 : next) - at;
      if (const auto* lower = static_cast<const char*>(std::memchr(base + at, other, lowerSpan))) {
        next = static_cast<std::size_t>(lower - base);
      }
    }
    if (next == kNoMatch) return kNoMatch;
    if (MatchesAt(text, next) && Accept(text, next)) return next;
    at = next + 1;
  }
  return kNoMatch;
}

std::size_t TextMatcher::Backward(std::string_view text, std::size_t before) const {
  if (needle_.empty() || text.size() < needle_.size()) return kNoMatch;
  std::size_t at = std::min(before, text.size() - needle_.size() + 1);
  while (at > 0) {
    --at;
    if (MatchesAt(text, at) && Accept(text, at)) return at;
  }
  return kNoMatch;
}

std::size_t TextMatcher::Search(std::string_view text, std::size_t from, std::size_t limit) const {
  const bool wrap = flags_ & kSearchWrap;
  if (flags_ & kSearchBackward) {
    const std::size_t found = Backward(text, from);
    if (found != kNoMatch || !wrap) return found;
    // From the end of the text down to the start place.
    const std::size_t wrapped = Backward(text, text.size());
    return wrapped != kNoMatch && wrapped >= from ? wrapped : kNoMatch;
  }
  const std::size_t found = Forward(text, from, limit);
  if (found != kNoMatch || !wrap) return found;
  // From the start of the text; a match that begins before the start place
  // may reach into it, none is taken twice.
  return from == 0 ? kNoMatch : Forward(text, 0, std::min(limit, from + needle_.size() - 1));
}

std::vector<std::size_t> FindAll(std::string_view text, std::size_t from, std::size_t to,
                                 const TextMatcher& matcher) {
  std::vector<std::size_t> found;
  const std::size_t length = matcher.needle().size();
  if (length == 0) return found;
  for (std::size_t at = matcher.Forward(text, from, to); at != kNoMatch;
       at = matcher.Forward(text, at + length, to)) {
    found.push_back(at);
  }
  return found;
}

std::size_t OffsetOf(std::string_view text, std::int64_t line, std::int64_t column) {
  std::size_t start = 0;
  for (std::int64_t i = 0; i < line; ++i) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return text.size();
    start = end + 1;
  }
  const std::size_t end = std::min(text.find('\n', start), text.size());
  return start + std::min<std::size_t>(static_cast<std::size_t>(std::max<std::int64_t>(column, 0)),
                                       end - start);
}

void PlaceOf(std::string_view text, std::size_t offset, std::int64_t* line, std::int64_t* column) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  *line = std::count(before.begin(), before.end(), '\n');
  const std::size_t lineStart = before.rfind('\n');
  *column = static_cast<std::int64_t>(lineStart == std::string_view::npos ? offset
                                                                          : offset - lineStart - 1);
}

bool FindInText(std::string_view text, SearchRecord& record) {
  if (record.text.size() > kMaxSearchText) record.text.resize(kMaxSearchText);
  const TextMatcher matcher(record.text, record.flags);
  const std::size_t from = OffsetOf(text, record.startLine, record.startColumn);
  const std::size_t limit =
      record.endLine < 0 ? text.size() : OffsetOf(text, record.endLine, record.endColumn);
  const std::size_t found = matcher.Search(text, from, limit);
  if (found == kNoMatch) return false;
  PlaceOf(text, found, &record.foundLine, &record.foundColumn);
  PlaceOf(text, found + matcher.needle().size(), &record.foundEndLine, &record.foundEndColumn);
  return true;
}

ReplaceAllResult ReplaceAllInText(std::string_view text, std::size_t from, std::size_t to,
                                  const TextMatcher& matcher, std::string_view replacement) {
  ReplaceAllResult result;
  to = std::min(to, text.size());
  const std::vector<std::size_t> found = FindAll(text, from, to, matcher);
  const std::size_t length = matcher.needle().size();
  result.count = static_cast<std::int64_t>(found.size());
  const auto grown =
      static_cast<std::ptrdiff_t>(replacement.size()) - static_cast<std::ptrdiff_t>(length);
  result.text.reserve(text.size() + static_cast<std::size_t>(std::max<std::ptrdiff_t>(
                                        0, grown * static_cast<std::ptrdiff_t>(found.size()))));
  const std::size_t copied = AppendReplaced(result.text, text, 0, found, length, replacement);
  result.text.append(text, copied);
  result.rangeEnd = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(to) +
                                             grown * static_cast<std::ptrdiff_t>(found.size()));
  return result;
}

std::size_t AppendReplaced(std::string& out, std::string_view text, std::size_t from,
                           std::span<const std::size_t> found, std::size_t length,
                           std::string_view replacement) {
  std::size_t copied = from;
  for (const std::size_t at : found) {
    out.append(text, copied, at - copied);
    out.append(replacement);
    copied = at + length;
  }
  return copied;
}

std::string WordAround(std::string_view line, std::size_t column) {
  column = std::min(column, line.size());
  const auto inWord = [&line](std::size_t at) {
    if (IsWordByte(line[at])) return true;
    return line[at] == '-' && at > 0 && at + 1 < line.size() &&
           platform::IsAsciiLetterOrDigit(line[at - 1]) &&
           platform::IsAsciiLetterOrDigit(line[at + 1]);
  };
  std::size_t first = column;
  // At the end of a word the caret stands just after it.
  if ((first == line.size() || !inWord(first)) && first > 0 && inWord(first - 1)) --first;
  if (first >= line.size() || !inWord(first)) return {};
  while (first > 0 && inWord(first - 1)) --first;
  std::size_t last = first;
  while (last < line.size() && inWord(last)) ++last;
  return std::string(line.substr(first, last - first));
}

}  // namespace vandrel
