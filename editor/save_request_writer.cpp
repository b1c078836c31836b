#include "editor/save_request_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/byte_order.h"
#include "platform/file_io.h"

namespace vandrel {

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

void AppendNumber(std::string& out, std::int64_t number, std::int32_t digits) {
  char field[kMaxNumberDigits];
  for (std::int32_t i = digits - 1; i >= 0; --i) {
    field[i] = static_cast<char>('0' + number % 10);
    number /= 10;
  }
  out.append(field, static_cast<std::size_t>(digits));
}

void AppendExpanded(std::string& out, std::string_view text, const TabStops& tabs) {
  std::int64_t column = 0;
  while (!text.empty()) {
    const std::size_t tab = text.find('\t');
    const std::string_view run = text.substr(0, tab);
    out.append(run);
    column += static_cast<std::int64_t>(run.size());
    if (tab == std::string_view::npos) break;
    const std::int64_t next = tabs.Next(column);
    out.append(static_cast<std::size_t>(next - column), ' ');
    column = next;
    text.remove_prefix(tab + 1);
  }
}

}  // namespace

bool StringSink::Write(std::string_view bytes) {
  out_.append(bytes);
  return true;
}

bool FdSink::Write(std::string_view bytes) { return platform::WriteAll(fd_, bytes); }

std::int64_t TabStops::Next(std::int64_t column) const {
  auto it = std::upper_bound(positions.begin(), positions.end(), column);
  if (it != positions.end()) return *it;
  const std::int64_t step = width > 0 ? width : 8;
  return (column / step + 1) * step;
}

std::int64_t TabStops::ExpandedWidth(std::string_view text) const {
  std::int64_t column = 0;
  for (char c : text) column = c == '\t' ? Next(column) : column + 1;
  return column;
}

SaveOutcome WriteLines(std::string_view text, const SaveRequest& request, const LineMetadata& lines,
                       const SaveSettings& settings, ByteSink& sink) {
  const bool recordForm = request.flags & kSaveRequestRecordForm;
  const bool expandTabs = request.flags & kSaveRequestTabsAsSpaces;
  const CharacterTable* table = request.characterTable ? &*request.characterTable : nullptr;
  if ((request.flags & kSaveRequestTranslate) && table == nullptr) {
    return {SaveResult::kBadRequest, -1};
  }
  std::string_view lineEnd = "\n";
  if ((request.flags & kSaveRequestCr) && (request.flags & kSaveRequestLf)) {
    lineEnd = "\r\n";
  } else if (request.flags & kSaveRequestCr) {
    lineEnd = "\r";
  }
  const LineNumbering& numbering = lines.numbering();
  const bool numbered = numbering.mode != NumberingMode::kNone;
  const std::int64_t limit = numbering.Limit();
  const auto numberColumn = static_cast<std::size_t>(numbering.column);
  const std::int64_t count = lines.LineCount();

  std::string out;
  out.reserve(kChunkSize + 4096);
  std::size_t at = 0;
  for (std::int64_t i = 0;; ++i) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    if (i >= count) return {SaveResult::kLineCountMismatch, i};
    const std::string* original = lines.Original(i);
    const std::string_view lineText =
        original != nullptr ? std::string_view(*original) : text.substr(at, end - at);
    const bool last = end == text.size();

    if (!(recordForm && last && !lines.finalLineEnd() && lineText.empty())) {
      const std::size_t recordStart = out.size();
      if (recordForm) out.append(2, '\0');
      const std::size_t content = out.size();

      const std::int64_t number = numbered ? lines.NumberOfLine(i) : kNoLineNumber;
      if (number != kNoLineNumber && (number < 0 || number >= limit)) {
        return {SaveResult::kNumberTooWide, i};
      }
      if (number != kNoLineNumber && numbering.AtStart()) {
        AppendNumber(out, number, numbering.digits);
      }
      if (expandTabs && lineText.find('\t') != std::string_view::npos) {
        AppendExpanded(out, lineText, settings.tabs);
      } else {
        out.append(lineText);
      }
      if (number != kNoLineNumber && !numbering.AtStart()) {
        const std::size_t width = out.size() - content;
        if (width > numberColumn) return {SaveResult::kOverlapsNumbers, i};
        out.append(numberColumn - width, ' ');
        AppendNumber(out, number, numbering.digits);
      }
      const std::string_view token = lines.TokenForSave(i, settings.tokenText);
      if (!token.empty()) {
        const std::size_t width = out.size() - content;
        if (width > kTokenColumn) return {SaveResult::kOverlapsToken, i};
        out.append(kTokenColumn - width, ' ');
        out.append(token);
      }
      if (table != nullptr) TranslateBytes(std::span<char>(out).subspan(content), *table);
      if (recordForm) {
        const std::size_t length = out.size() - content;
        if (length > kMaxRecordLength) return {SaveResult::kRecordTooLong, i};
        platform::WriteBigEndian16(out.data() + recordStart, static_cast<std::uint16_t>(length));
      } else if (!last || lines.finalLineEnd()) {
        out.append(lineEnd);
      }
    }

    if (out.size() >= kChunkSize || last) {
      if (!sink.Write(out)) return {SaveResult::kWriteFailed, -1};
      out.clear();
    }
    if (last) {
      if (i + 1 != count) return {SaveResult::kLineCountMismatch, i + 1};
      break;
    }
    at = end + 1;
  }
  return {};
}

SaveOutcome WriteSaveRequest(std::string_view text, const SaveRequest& request,
                             const LineMetadata& lines, const SaveSettings& settings) {
  if (request.fd < 0) return {SaveResult::kWriteFailed, -1};
  FdSink sink(request.fd);
  return WriteLines(text, request, lines, settings, sink);
}

LongestLine MeasureLongestLine(std::string_view text, bool tabsAsSpaces, const TabStops& tabs) {
  std::int64_t widest = -1;
  std::int64_t widestLine = 0;
  std::size_t at = 0;
  for (std::int64_t i = 0;; ++i) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    const std::int64_t width = tabsAsSpaces && line.find('\t') != std::string_view::npos
                                   ? tabs.ExpandedWidth(line)
                                   : static_cast<std::int64_t>(line.size());
    if (width > widest) {
      widest = width;
      widestLine = i;
    }
    if (end == text.size()) break;
    at = end + 1;
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return {static_cast<std::int32_t>(std::min(widest, kMax)),
          static_cast<std::int32_t>(std::min(widestLine, kMax))};
}

bool WritePlainText(std::string_view text, ByteSink& sink) {
  if (text.empty()) return true;
  return sink.Write(text) && sink.Write("\n");
}

}  // namespace vandrel
