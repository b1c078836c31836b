#include "editor/line_metadata.h"

#include <algorithm>
#include <limits>

#include "editor/control_messages.h"
#include "editor/journal_bytes.h"

namespace vandrel {

namespace {

// The largest step of the form 1, 2 or 5 times a power of ten that is at
// most `limit` (at least 1), so inserted lines get round numbers.
std::int64_t RoundStep(std::int64_t limit) {
  if (limit <= 1) return 1;
  std::int64_t power = 1;
  while (power <= limit / 10) power *= 10;
  for (std::int64_t factor : {5, 2}) {
    if (power * factor <= limit) return power * factor;
  }
  return power;
}

template <typename T>
void InsertRun(std::vector<T>& v, std::int64_t at, std::int64_t count, const T& value) {
  v.insert(v.begin() + at, static_cast<std::size_t>(count), value);
}

template <typename T>
void EraseRun(std::vector<T>& v, std::int64_t at, std::int64_t count) {
  v.erase(v.begin() + at, v.begin() + at + count);
}

}  // namespace

std::int64_t LineNumbering::Limit() const {
  std::int64_t limit = 1;
  for (std::int32_t i = 0; i < std::clamp(digits, 0, kMaxNumberDigits); ++i) limit *= 10;
  return limit;
}

LineToken LineToken::From(std::string_view text) {
  LineToken token;
  token.length = static_cast<std::uint8_t>(std::min(text.size(), kTokenWidth));
  std::copy_n(text.data(), token.length, token.bytes.data());
  return token;
}

LineMetadata::LineMetadata() {
  Reset(LineNumbering{}, false);
  AppendLine(kNoLineNumber, LineToken{});
}

void LineMetadata::Reset(const LineNumbering& numbering, bool tokens, std::size_t expectedLines) {
  lineCount_ = 0;
  numbering_ = numbering;
  tokens_ = tokens;
  finalLineEnd_ = true;
  numbers_.clear();
  flags_.clear();
  links_.clear();
  lineTokens_.clear();
  originals_.clear();
  if (KeepsNumbers()) numbers_.reserve(expectedLines);
  flags_.reserve(expectedLines);
  links_.reserve(expectedLines);
  if (tokens_) lineTokens_.reserve(expectedLines);
}

void LineMetadata::AppendLine(std::int64_t number, const LineToken& token) {
  if (KeepsNumbers()) numbers_.push_back(number);
  flags_.push_back(0);
  links_.push_back(0);
  if (tokens_) lineTokens_.push_back(token);
  ++lineCount_;
}

void LineMetadata::KeepOriginal(std::int64_t line, std::string bytes) {
  if (!ValidLine(line)) return;
  auto it = std::lower_bound(originals_.begin(), originals_.end(), line,
                             [](const auto& entry, std::int64_t l) { return entry.first < l; });
  if (it != originals_.end() && it->first == line) {
    it->second = std::move(bytes);
  } else {
    originals_.insert(it, {line, std::move(bytes)});
  }
}

bool LineMetadata::SetNumbering(const LineNumbering& numbering) {
  if (numbering.mode != NumberingMode::kNone &&
      (numbering.digits < 1 || numbering.digits > kMaxNumberDigits || numbering.column < 0 ||
       numbering.start < 0 || numbering.increment < 0)) {
    return false;
  }
  const bool keptBefore = KeepsNumbers();
  numbering_ = numbering;
  if (!KeepsNumbers()) {
    numbers_.clear();
    numbers_.shrink_to_fit();
  } else if (!keptBefore) {
    numbers_.assign(static_cast<std::size_t>(lineCount_), kNoLineNumber);
    FillNumbersFrom(0);
  }
  return true;
}

void LineMetadata::FillNumbersFrom(std::int64_t first) {
  for (std::int64_t i = first; i < lineCount_; ++i) {
    if (numbers_[i] == kNoLineNumber) numbers_[i] = numbering_.start + i * numbering_.increment;
  }
}

void LineMetadata::SetTokens(bool tokens) {
  if (tokens == tokens_) return;
  tokens_ = tokens;
  if (tokens_) {
    lineTokens_.assign(static_cast<std::size_t>(lineCount_), LineToken{});
  } else {
    lineTokens_.clear();
    lineTokens_.shrink_to_fit();
  }
}

// ---- Edits -------------------------------------------------------------------------

std::vector<std::int64_t> LineMetadata::NumbersForInsert(std::int64_t line,
                                                         std::int64_t count) const {
  // The nearest numbered lines around the insertion point bound the new
  // numbers; numbers start at 1 and stay below 10^digits.
  std::int64_t before = 0;
  for (std::int64_t i = line - 1; i >= 0; --i) {
    if (numbers_[i] != kNoLineNumber) {
      before = numbers_[i];
      break;
    }
  }
  std::int64_t after = -1;
  for (std::int64_t i = line; i < lineCount_; ++i) {
    if (numbers_[i] != kNoLineNumber) {
      after = numbers_[i];
      break;
    }
  }
  const std::int64_t increment = numbering_.increment > 0 ? numbering_.increment : 1;
  std::int64_t widest = 0;  // the widest step that fits
  if (after < 0) {
    // Appending: continue the sequence, closer together near the limit.
    widest = (numbering_.Limit() - 1 - before) / count;
  } else {
    // Between two numbers: spread evenly, leaving room on both sides.
    widest = (after - before) / (count + 1);
  }
  if (widest < 1) return {};
  const std::int64_t step = RoundStep(std::min(increment, widest));
  std::vector<std::int64_t> numbers(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) numbers[i] = before + (i + 1) * step;
  return numbers;
}

bool LineMetadata::CanInsertLines(std::int64_t line, std::int64_t count) const {
  if (line < 0 || line > lineCount_ || count < 0) return false;
  if (count == 0 || !KeepsNumbers()) return true;
  return !NumbersForInsert(line, count).empty();
}

InsertResult LineMetadata::InsertLines(std::int64_t line, std::int64_t count) {
  if (line < 0 || line > lineCount_ || count < 0) return InsertResult::kOutOfRange;
  if (count == 0) return InsertResult::kOk;
  if (KeepsNumbers()) {
    std::vector<std::int64_t> numbers = NumbersForInsert(line, count);
    if (numbers.empty()) return InsertResult::kNoFreeNumber;
    numbers_.insert(numbers_.begin() + line, numbers.begin(), numbers.end());
  }
  InsertRun(flags_, line, count, kChanged);
  InsertRun(links_, line, count, 0);
  if (tokens_) InsertRun(lineTokens_, line, count, LineToken{});
  for (auto& entry : originals_) {
    if (entry.first >= line) entry.first += count;
  }
  lineCount_ += count;
  return InsertResult::kOk;
}

bool LineMetadata::DeleteLines(std::int64_t line, std::int64_t count) {
  if (line < 0 || count < 0 || count > lineCount_ - line) return false;
  if (count == 0) return true;
  if (KeepsNumbers()) EraseRun(numbers_, line, count);
  EraseRun(flags_, line, count);
  EraseRun(links_, line, count);
  if (tokens_) EraseRun(lineTokens_, line, count);
  std::erase_if(originals_, [&](const auto& entry) {
    return entry.first >= line && entry.first < line + count;
  });
  for (auto& entry : originals_) {
    if (entry.first >= line + count) entry.first -= count;
  }
  lineCount_ -= count;
  return true;
}

bool LineMetadata::MarkChanged(std::int64_t line, std::int64_t count) {
  if (line < 0 || count < 0 || count > lineCount_ - line) return false;
  for (std::int64_t i = line; i < line + count; ++i) flags_[i] |= kChanged;
  if (!originals_.empty()) {
    std::erase_if(originals_, [&](const auto& entry) {
      return entry.first >= line && entry.first < line + count;
    });
  }
  return true;
}

bool LineMetadata::IsChanged(std::int64_t line) const {
  return ValidLine(line) && (flags_[line] & kChanged);
}

void LineMetadata::TextSaved(std::string_view tokenText) {
  const bool newToken = tokens_ && !tokenText.empty();
  const LineToken token = LineToken::From(tokenText);
  for (std::int64_t i = 0; i < lineCount_; ++i) {
    if (!(flags_[i] & kChanged)) continue;
    if (newToken) lineTokens_[i] = token;
    flags_[i] &= static_cast<std::uint8_t>(~kChanged);
  }
}

// ---- Numbers -------------------------------------------------------------------------

std::int64_t LineMetadata::NumberOfLine(std::int64_t line) const {
  if (!ValidLine(line)) return kNoLineNumber;
  switch (numbering_.mode) {
    case NumberingMode::kKept:
      return numbers_[line];
    case NumberingMode::kRegenerated:
      return numbering_.start + line * numbering_.increment;
    case NumberingMode::kNone:
      break;
  }
  return kNoLineNumber;
}

std::int64_t LineMetadata::LineWithNumber(std::int64_t number) const {
  if (number < 0) return -1;
  if (numbering_.mode == NumberingMode::kRegenerated) {
    const std::int64_t offset = number - numbering_.start;
    if (offset < 0) return -1;
    if (numbering_.increment <= 0) return offset == 0 && lineCount_ > 0 ? 0 : -1;
    if (offset % numbering_.increment != 0) return -1;
    const std::int64_t line = offset / numbering_.increment;
    return line < lineCount_ ? line : -1;
  }
  if (!KeepsNumbers()) return -1;
  // Numbers normally ascend: try a binary search, then look at every line
  // (a file may carry numbers out of order or lines without one).
  auto it = std::lower_bound(numbers_.begin(), numbers_.end(), number);
  if (it != numbers_.end() && *it == number) {
    while (it != numbers_.begin() && *(it - 1) == number) --it;
    return it - numbers_.begin();
  }
  auto found = std::find(numbers_.begin(), numbers_.end(), number);
  return found == numbers_.end() ? -1 : found - numbers_.begin();
}

bool LineMetadata::Renumber(std::int64_t first, std::int64_t last, std::int64_t start,
                            std::int64_t increment, bool mark) {
  if (numbering_.mode == NumberingMode::kNone) return false;
  if (first < 0 || last < first || last >= lineCount_ || start < 0) return false;
  const bool regenerated = numbering_.mode == NumberingMode::kRegenerated;
  if (regenerated) {
    if (first != 0) return false;
    last = lineCount_ - 1;
  }
  const std::int64_t span = last - first;
  if (span > 0 && increment < 1) return false;
  const std::int64_t limit = numbering_.Limit();
  if (start >= limit || (span > 0 && (limit - 1 - start) / span < increment)) return false;
  if (regenerated) {
    numbering_.start = start;
    numbering_.increment = increment;
  } else {
    for (std::int64_t i = first; i <= last; ++i) numbers_[i] = start + (i - first) * increment;
  }
  if (mark) {
    for (std::int64_t i = first; i <= last; ++i) flags_[i] |= kLineMarkError;
  }
  return true;
}

// ---- Marks and links -------------------------------------------------------------------

std::uint32_t LineMetadata::Marks(std::int64_t line) const {
  return ValidLine(line) ? flags_[line] & kLineMarkAll : 0;
}

bool LineMetadata::SetMarks(std::int64_t line, std::uint32_t marks) {
  if (!ValidLine(line)) return false;
  flags_[line] = static_cast<std::uint8_t>((flags_[line] & ~kLineMarkAll) | (marks & kLineMarkAll));
  return true;
}

std::int64_t LineMetadata::NextLineWithMark(std::int64_t from, std::uint32_t mask,
                                            bool forward) const {
  mask &= kLineMarkAll;
  if (lineCount_ == 0 || mask == 0) return -1;
  if (!ValidLine(from)) from = forward ? 0 : lineCount_ - 1;
  for (std::int64_t n = 0; n < lineCount_; ++n) {
    std::int64_t line = forward ? from + n : from - n;
    if (line >= lineCount_) line -= lineCount_;
    if (line < 0) line += lineCount_;
    if (flags_[line] & mask) return line;
  }
  return -1;
}

void LineMetadata::ClearMarks(std::uint32_t mask) {
  const auto keep = static_cast<std::uint8_t>(~(mask & kLineMarkAll));
  for (auto& f : flags_) f &= keep;
}

std::int32_t LineMetadata::Link(std::int64_t line) const {
  return ValidLine(line) ? links_[line] : 0;
}

bool LineMetadata::SetLink(std::int64_t line, std::int32_t value) {
  if (!ValidLine(line)) return false;
  links_[line] = value;
  return true;
}

void LineMetadata::ClearLinks() { std::fill(links_.begin(), links_.end(), 0); }

std::int64_t LineMetadata::NextLinkedLine(std::int64_t from, bool forward) const {
  if (forward) {
    for (std::int64_t i = std::max<std::int64_t>(from, 0); i < lineCount_; ++i) {
      if (links_[i] != 0) return i;
    }
  } else {
    for (std::int64_t i = std::min(from, lineCount_ - 1); i >= 0; --i) {
      if (links_[i] != 0) return i;
    }
  }
  return -1;
}

// ---- Tokens and original bytes ------------------------------------------------------------

std::string_view LineMetadata::Token(std::int64_t line) const {
  return tokens_ && ValidLine(line) ? lineTokens_[line].View() : std::string_view{};
}

std::string_view LineMetadata::TokenForSave(std::int64_t line, std::string_view tokenText) const {
  if (!tokens_ || !ValidLine(line)) return {};
  if ((flags_[line] & kChanged) && !tokenText.empty()) {
    return tokenText.substr(0, kTokenWidth);
  }
  return lineTokens_[line].View();
}

const std::string* LineMetadata::Original(std::int64_t line) const {
  if (originals_.empty()) return nullptr;
  auto it = std::lower_bound(originals_.begin(), originals_.end(), line,
                             [](const auto& entry, std::int64_t l) { return entry.first < l; });
  return it != originals_.end() && it->first == line ? &it->second : nullptr;
}

// ---- Keeping the state in a file ------------------------------------------------------------

namespace {

constexpr std::uint8_t kMetadataVersion = 1;

// Writes `values` as consecutive little-endian fields of their width into
// `out`, grown once: a million numbers are one resize, not eight million
// appends.
template <typename T>
void AppendArray(std::string& out, const std::vector<T>& values) {
  const std::size_t at = out.size();
  out.resize(at + values.size() * sizeof(T));
  char* p = out.data() + at;
  for (const T value : values) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i, bits >>= 8) *p++ = static_cast<char>(bits & 0xFF);
  }
}

template <typename T>
void ReadArray(journal_bytes::Reader& reader, std::vector<T>& values, std::int64_t count) {
  if (!reader.ok() || static_cast<std::uint64_t>(count) > reader.left() / sizeof(T)) {
    reader.Fail();
    return;
  }
  values.resize(static_cast<std::size_t>(count));
  for (T& value : values) {
    if constexpr (sizeof(T) == 8) {
      value = static_cast<T>(reader.U64());
    } else if constexpr (sizeof(T) == 4) {
      value = static_cast<T>(reader.U32());
    } else {
      value = static_cast<T>(reader.U8());
    }
  }
}

bool ValidNumbering(const LineNumbering& numbering, std::int64_t lineCount) {
  switch (numbering.mode) {
    case NumberingMode::kNone:
      return true;  // the values mean nothing without numbers
    case NumberingMode::kKept:
    case NumberingMode::kRegenerated:
      break;
    default:
      return false;
  }
  if (numbering.digits < 1 || numbering.digits > kMaxNumberDigits || numbering.column < 0 ||
      numbering.start < 0 || numbering.increment < 0) {
    return false;
  }
  // Regenerated numbers are computed as start + line * increment: the last
  // must not overflow.
  if (numbering.mode == NumberingMode::kRegenerated && lineCount > 1 && numbering.increment > 0 &&
      (std::numeric_limits<std::int64_t>::max() - numbering.start) / (lineCount - 1) <
          numbering.increment) {
    return false;
  }
  return true;
}

}  // namespace

void LineMetadata::AppendTo(std::string& out) const {
  using namespace journal_bytes;
  std::size_t links = 0;
  for (const std::int32_t link : links_) links += link != 0;
  std::size_t originalBytes = 0;
  for (const auto& entry : originals_) originalBytes += 16 + entry.second.size();
  out.reserve(out.size() + 48 + numbers_.size() * 8 + flags_.size() + links * 12 +
              lineTokens_.size() * (1 + kTokenWidth) + 8 + originalBytes);

  AppendU8(out, kMetadataVersion);
  AppendU8(out, static_cast<std::uint8_t>(numbering_.mode));
  AppendU8(out, tokens_ ? 1 : 0);
  AppendU8(out, finalLineEnd_ ? 1 : 0);
  AppendI32(out, numbering_.column);
  AppendI32(out, numbering_.digits);
  AppendI64(out, numbering_.start);
  AppendI64(out, numbering_.increment);
  AppendI64(out, lineCount_);
  if (KeepsNumbers()) AppendArray(out, numbers_);
  out.append(reinterpret_cast<const char*>(flags_.data()), flags_.size());
  AppendU64(out, links);
  for (std::int64_t i = 0; i < lineCount_; ++i) {
    if (links_[i] == 0) continue;
    AppendI64(out, i);
    AppendI32(out, links_[i]);
  }
  if (tokens_) {
    for (const LineToken& token : lineTokens_) {
      AppendU8(out, token.length);
      out.append(token.View());
    }
  }
  AppendU64(out, originals_.size());
  for (const auto& [line, bytes] : originals_) {
    AppendI64(out, line);
    AppendBytes(out, bytes);
  }
}

std::optional<LineMetadata> LineMetadata::ReadFrom(std::string_view& in) {
  journal_bytes::Reader reader(in);
  if (reader.U8() != kMetadataVersion) return std::nullopt;
  LineNumbering numbering;
  const std::uint8_t mode = reader.U8();
  if (mode > static_cast<std::uint8_t>(NumberingMode::kRegenerated)) return std::nullopt;
  numbering.mode = static_cast<NumberingMode>(mode);
  const bool tokens = reader.Flag();
  const bool finalLineEnd = reader.Flag();
  numbering.column = reader.I32();
  numbering.digits = reader.I32();
  numbering.start = reader.I64();
  numbering.increment = reader.I64();
  const std::int64_t lineCount = reader.I64();
  // Every line takes at least its flags byte.
  if (!reader.ok() || lineCount < 0 || static_cast<std::uint64_t>(lineCount) > reader.left() ||
      !ValidNumbering(numbering, lineCount)) {
    return std::nullopt;
  }

  LineMetadata lines;
  lines.lineCount_ = lineCount;
  lines.numbering_ = numbering;
  lines.tokens_ = tokens;
  lines.finalLineEnd_ = finalLineEnd;
  lines.numbers_.clear();
  lines.flags_.clear();
  lines.links_.clear();
  lines.lineTokens_.clear();
  if (lines.KeepsNumbers()) {
    ReadArray(reader, lines.numbers_, lineCount);
    for (const std::int64_t number : lines.numbers_) {
      if (number < kNoLineNumber) return std::nullopt;
    }
  }
  ReadArray(reader, lines.flags_, lineCount);
  if (!reader.ok()) return std::nullopt;
  constexpr auto kKnownFlags = static_cast<std::uint8_t>(kLineMarkAll | kChanged);
  for (const std::uint8_t flags : lines.flags_) {
    if (flags & ~kKnownFlags) return std::nullopt;
  }

  lines.links_.assign(static_cast<std::size_t>(lineCount), 0);
  const std::uint64_t links = reader.Count(12);
  std::int64_t previous = -1;
  for (std::uint64_t i = 0; i < links && reader.ok(); ++i) {
    const std::int64_t line = reader.I64();
    const std::int32_t value = reader.I32();
    if (line <= previous || line >= lineCount || value == 0) return std::nullopt;
    lines.links_[line] = value;
    previous = line;
  }

  if (tokens) {
    // Every token takes at least its length byte.
    if (!reader.ok() || static_cast<std::uint64_t>(lineCount) > reader.left()) return std::nullopt;
    lines.lineTokens_.resize(static_cast<std::size_t>(lineCount));
    for (LineToken& token : lines.lineTokens_) {
      const std::uint8_t length = reader.U8();
      if (length > kTokenWidth) return std::nullopt;
      token = LineToken::From(reader.Take(length));
    }
  }

  const std::uint64_t originals = reader.Count(16);
  previous = -1;
  lines.originals_.reserve(static_cast<std::size_t>(originals));
  for (std::uint64_t i = 0; i < originals && reader.ok(); ++i) {
    const std::int64_t line = reader.I64();
    std::string bytes = reader.String();
    if (!reader.ok() || line <= previous || line >= lineCount) return std::nullopt;
    lines.originals_.emplace_back(line, std::move(bytes));
    previous = line;
  }
  if (!reader.ok()) return std::nullopt;
  in = reader.rest();
  return lines;
}

}  // namespace vandrel
