#include "project/error_mask.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "documents/mpe_names.h"
#include "platform/ascii_text.h"
#include "templates/template_catalogue.h"

namespace vandrel::project {

namespace {

// Line values are handed to editors as int.
constexpr std::int64_t kMaxLineValue = std::numeric_limits<std::int32_t>::max();

std::string_view Limited(std::string_view text, std::size_t limit) {
  return text.substr(0, std::min(text.size(), limit));
}

// The value of a number field as the C library's atol reads it, saturated.
std::int64_t DecimalValue(std::string_view text) {
  std::size_t at = 0;
  const auto number = platform::ScanDecimal(text, &at);
  return number ? number->Clamped(-kMaxLineValue, kMaxLineValue) : 0;
}

// A decimal fraction times 1,000, truncated: "3.2" and "3.200" give 3200.
// Worked out digit by digit, so no rounding of binary fractions can turn
// 4.35 into 4349.
std::int64_t ThousandthsValue(std::string_view text) {
  std::size_t i = platform::SkipAsciiSpace(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t whole = 0;
  for (; i < text.size() && platform::IsAsciiDigit(text[i]); ++i) {
    whole = std::min(whole * 10 + (text[i] - '0'), kMaxLineValue);
  }
  std::int64_t fraction = 0;
  int digits = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && platform::IsAsciiDigit(text[i]) && digits < 3; ++i, ++digits) {
      fraction = fraction * 10 + (text[i] - '0');
    }
  }
  for (; digits < 3; ++digits) fraction *= 10;
  const std::int64_t value = std::min(whole * 1000 + fraction, kMaxLineValue);
  return negative ? -value : value;
}

bool IsNumberToken(MaskToken token) {
  return token == MaskToken::kLine || token == MaskToken::kLineNumber ||
         token == MaskToken::kNumber;
}

// Where the field of `token` starting at `pos` ends: at the first white
// space, the end of the line or the token's terminator (the mask character
// after it), outside double quotes. Nothing when the mask fails here: at the
// end of the line, on an empty field, an unclosed quote, or a character a
// number field cannot hold.
std::optional<std::size_t> FieldEnd(std::string_view text, std::size_t pos,
                                    std::optional<char> terminator, MaskToken token) {
  if (pos >= text.size()) return std::nullopt;
  std::size_t i = pos;
  while (i < text.size()) {
    const char c = text[i];
    if (platform::IsAsciiSpace(c)) break;
    if (terminator && platform::AsciiLower(c) == platform::AsciiLower(*terminator)) break;
    if (c == '"') {
      const std::size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      i = close + 1;
      continue;
    }
    if (IsNumberToken(token) && !platform::IsAsciiDigit(c)) return std::nullopt;
    if (token == MaskToken::kMpeLine && !platform::IsAsciiDigit(c) && c != '.') return std::nullopt;
    ++i;
  }
  if (i == pos) return std::nullopt;
  return i;
}

void Capture(MaskToken token, std::string_view field, MaskMatch& match,
             const MaskContext& context) {
  if (token == MaskToken::kString || token == MaskToken::kNumber) return;
  if (field.size() > 2 && field.front() == '"' && field.back() == '"') {
    field = field.substr(1, field.size() - 2);
  }
  switch (token) {
    case MaskToken::kLine:
      match.line = DecimalValue(field);
      break;
    case MaskToken::kLineNumber:
      match.line = DecimalValue(field);
      match.physicalLine = false;
      break;
    case MaskToken::kMpeLine:
      match.line = (field.find('.') != std::string_view::npos || field.size() < 5)
                       ? ThousandthsValue(field)
                       : DecimalValue(field);
      match.physicalLine = false;
      break;
    case MaskToken::kFileName:
      match.fileName = std::string(field);
      break;
    case MaskToken::kMpeFile:
      match.fileName = HostPathOfName(context.hostDirectory, field);
      break;
    case MaskToken::kDosFile:
      match.fileName = SlashPath(field, context.currentDrive);
      break;
    default:
      break;
  }
}

// Matches one field-taking token (or $(Char)) at `pos`, advancing it; false
// when the mask fails here.
bool MatchField(MaskToken token, std::optional<char> terminator, std::string_view text,
                std::size_t& pos, MaskMatch& match, const MaskContext& context) {
  if (token == MaskToken::kChar) {
    if (pos >= text.size()) return false;
    ++pos;
    return true;
  }
  const std::optional<std::size_t> end = FieldEnd(text, pos, terminator, token);
  if (!end) return false;
  Capture(token, text.substr(pos, *end - pos), match, context);
  pos = *end;
  return true;
}

}  // namespace

std::optional<MaskToken> MaskTokenOf(std::string_view name) {
  for (std::size_t i = 0; i < kMaskTokenNames.size(); ++i) {
    if (platform::EqualsIgnoreCase(kMaskTokenNames[i], name)) return static_cast<MaskToken>(i);
  }
  return std::nullopt;
}

std::vector<std::string> ResolveMasks(std::span<const std::string> entries,
                                      const TemplateCatalogue* catalogue) {
  std::vector<std::string> masks;
  masks.reserve(entries.size());
  for (const std::string& entry : entries) {
    std::optional<std::string> templateMask;
    if (catalogue != nullptr && !entry.empty()) templateMask = catalogue->TemplateOutputMask(entry);
    masks.push_back(templateMask ? std::move(*templateMask) : entry);
  }
  return masks;
}

// ---- ErrorScanner -----------------------------------------------------------

namespace {

struct Element {
  enum class Kind { kLiteral, kSpace, kToken, kBroken };
  Kind kind;
  char literal = 0;
  MaskToken token = MaskToken::kString;
  std::optional<char> terminator;

  static Element Literal(char c) { return {Kind::kLiteral, c, MaskToken::kString, std::nullopt}; }
  static Element Of(Kind kind) { return {kind, 0, MaskToken::kString, std::nullopt}; }
  static Element Token(MaskToken token, std::optional<char> terminator) {
    return {Kind::kToken, 0, token, terminator};
  }
};

constexpr std::int64_t kNotYetKnown = -2;

}  // namespace

// A mask cut at each $(ScanUp): segment 0 is matched on the tested line,
// segment k on the lines the k-th $(ScanUp) scans. nearest[k][s] remembers
// the nearest line at or above s on which segment k does not fail (-1: none).
struct ErrorScanner::Compiled {
  std::vector<std::vector<Element>> segments;
  std::vector<std::vector<std::int64_t>> nearest;
};

namespace {

std::vector<std::vector<Element>> CompileMask(std::string_view mask) {
  std::vector<std::vector<Element>> segments;
  if (mask.empty()) return segments;
  segments.emplace_back();
  std::size_t at = 0;
  while (at < mask.size()) {
    const char c = mask[at];
    if (c == '$' && at + 1 < mask.size() && mask[at + 1] == '(') {
      const std::size_t close = mask.find(')', at + 2);
      const std::optional<MaskToken> token = close == std::string_view::npos
                                                 ? std::nullopt
                                                 : MaskTokenOf(mask.substr(at + 2, close - at - 2));
      if (!token) {
        // Everything after a broken token is out of reach.
        segments.back().push_back(Element::Of(Element::Kind::kBroken));
        break;
      }
      at = close + 1;
      if (*token == MaskToken::kScanUp) {
        segments.emplace_back();
        continue;
      }
      segments.back().push_back(
          Element::Token(*token, at < mask.size() ? std::optional<char>(mask[at]) : std::nullopt));
    } else if (c == ' ') {
      segments.back().push_back(Element::Of(Element::Kind::kSpace));
      ++at;
    } else {
      segments.back().push_back(Element::Literal(c));
      ++at;
    }
  }
  return segments;
}

}  // namespace

ErrorScanner::ErrorScanner(const LineSource& lines, std::span<const std::string> masks,
                           MaskContext context)
    : lines_(lines), context_(std::move(context)) {
  masks_.reserve(masks.size());
  for (const std::string& mask : masks) {
    Compiled compiled;
    compiled.segments = CompileMask(mask);
    compiled.nearest.resize(compiled.segments.size());
    masks_.push_back(std::move(compiled));
  }
}

ErrorScanner::~ErrorScanner() = default;

ErrorScanner::Run ErrorScanner::RunSegment(const Compiled& mask, std::size_t segment,
                                           std::size_t line, std::string_view text,
                                           MaskMatch& match) {
  ++segmentRuns_;
  std::size_t pos = platform::SkipAsciiSpace(text, 0);
  for (const Element& element : mask.segments[segment]) {
    switch (element.kind) {
      case Element::Kind::kLiteral:
        if (pos >= text.size() ||
            platform::AsciiLower(text[pos]) != platform::AsciiLower(element.literal)) {
          return {Outcome::kFail, line};
        }
        ++pos;
        break;
      case Element::Kind::kSpace:
        pos = platform::SkipAsciiSpace(text, pos);
        break;
      case Element::Kind::kBroken:
        return {Outcome::kFail, line};
      case Element::Kind::kToken:
        if (element.token == MaskToken::kLineBreak) {
          if (line + 1 >= lines_.LineCount()) return {Outcome::kMatched, line};
          ++line;
          text = Limited(lines_.Line(line), kFollowedLineLimit);
          pos = 0;
        } else if (!MatchField(element.token, element.terminator, text, pos, match, context_)) {
          return {Outcome::kFail, line};
        }
        break;
    }
  }
  const bool last = segment + 1 == mask.segments.size();
  return {last ? Outcome::kMatched : Outcome::kScanUp, line};
}

std::int64_t ErrorScanner::NearestMatch(Compiled& mask, std::size_t segment, std::size_t from) {
  std::vector<std::int64_t>& nearest = mask.nearest[segment];
  if (nearest.empty()) nearest.assign(lines_.LineCount(), kNotYetKnown);
  // Walk up to the first line that is known or that matches; every line
  // walked over failed and shares the answer found there.
  std::int64_t line = static_cast<std::int64_t>(from);
  std::int64_t found = -1;
  for (; line >= 0; --line) {
    const std::int64_t known = nearest[static_cast<std::size_t>(line)];
    if (known != kNotYetKnown) {
      found = known;
      break;
    }
    MaskMatch scratch;
    const std::string_view text =
        Limited(lines_.Line(static_cast<std::size_t>(line)), kFollowedLineLimit);
    if (RunSegment(mask, segment, static_cast<std::size_t>(line), text, scratch).outcome !=
        Outcome::kFail) {
      found = line;
      break;
    }
  }
  for (std::int64_t walked = std::max<std::int64_t>(line, 0);
       walked <= static_cast<std::int64_t>(from); ++walked) {
    nearest[static_cast<std::size_t>(walked)] = found;
  }
  return found;
}

std::optional<MaskMatch> ErrorScanner::MatchWith(Compiled& mask, std::size_t index,
                                                 std::string_view text) {
  if (mask.segments.empty()) return std::nullopt;
  MaskMatch match;
  Run run = RunSegment(mask, 0, index, text, match);
  for (std::size_t segment = 1; run.outcome == Outcome::kScanUp; ++segment) {
    const std::int64_t found = NearestMatch(mask, segment, run.line);
    if (found < 0) return std::nullopt;
    // The captures of the line found, on top of those made before the
    // $(ScanUp); the lines tried and failed leave none.
    const auto at = static_cast<std::size_t>(found);
    run = RunSegment(mask, segment, at, Limited(lines_.Line(at), kFollowedLineLimit), match);
  }
  if (run.outcome == Outcome::kFail) return std::nullopt;
  return match;
}

std::optional<MaskMatch> ErrorScanner::MatchLine(std::size_t index) {
  if (index >= lines_.LineCount()) return std::nullopt;
  const std::string_view text = Limited(lines_.Line(index), kTestedLineLimit);
  if (text.empty()) return std::nullopt;
  for (Compiled& mask : masks_) {
    if (std::optional<MaskMatch> match = MatchWith(mask, index, text)) return match;
  }
  return std::nullopt;
}

std::size_t ErrorScanner::CountErrors() {
  if (masks_.empty()) return 0;
  std::size_t count = 0;
  for (std::size_t index = 0; index < lines_.LineCount(); ++index) {
    if (MatchLine(index)) ++count;
  }
  return count;
}

}  // namespace vandrel::project
