#include "documents/line_number_detection.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

#include "documents/document_loader.h"
#include "documents/header_records.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// Reads a plain text source in blocks and hands out its bytes one at a time.
class ByteReader {
 public:
  explicit ByteReader(ByteSource& source) : source_(source) {}
  // The next byte, or -1 at the end of the data or on an error.
  int Next() {
    if (at_ == size_ && !Fill()) return -1;
    return block_[at_++];
  }
  int Peek() {
    if (at_ == size_ && !Fill()) return -1;
    return block_[at_];
  }

 private:
  bool Fill() {
    const std::int64_t got = source_.Read(block_);
    if (got <= 0) return false;
    size_ = static_cast<std::size_t>(got);
    at_ = 0;
    return true;
  }
  ByteSource& source_;
  std::array<std::uint8_t, 4096> block_{};
  std::size_t size_ = 0;
  std::size_t at_ = 0;
};

// One plain text line or piece of a line; false at the end of the data.
bool ReadTextLine(ByteReader& reader, std::string& line) {
  line.clear();
  int c = reader.Next();
  if (c < 0) return false;
  while (c >= 0) {
    if (c == '\n') return true;
    if (c == '\r') {
      if (reader.Peek() == '\n') reader.Next();
      return true;
    }
    line += static_cast<char>(c);
    if (line.size() == kMaxSampledPieceLength) {
      // A terminator right after a full piece ends this line, not the next.
      const int next = reader.Peek();
      if (next == '\n') {
        reader.Next();
      } else if (next == '\r') {
        reader.Next();
        if (reader.Peek() == '\n') reader.Next();
      }
      return true;
    }
    c = reader.Next();
  }
  return true;  // the last line, without terminator
}

struct Samples {
  std::array<std::string_view, kValueSampleCount> text{};
};

// Start and increment from the samples (each already cut to `digits`);
// nothing when a value does not fit the numbering's 32 bits.
std::optional<DocumentNumbering> Finish(std::int32_t position, std::size_t digits,
                                        const Samples& samples) {
  std::array<std::int64_t, kValueSampleCount> value{};
  for (std::size_t i = 0; i < kValueSampleCount; ++i) {
    for (char c : samples.text[i]) value[i] = value[i] * 10 + (c - '0');
  }
  std::int64_t start = value[0] < 2 ? 1 : value[0];
  std::int64_t increment = !samples.text[2].empty() ? value[2] - value[1] : value[1] - value[0];
  if (increment <= 1) increment = 1;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  if (start > kMax || increment > kMax) return std::nullopt;
  DocumentNumbering numbering;
  numbering.position = position;
  numbering.digits = static_cast<std::int32_t>(std::max<std::size_t>(digits, 1));
  numbering.start = static_cast<std::int32_t>(start);
  numbering.increment = static_cast<std::int32_t>(increment);
  return numbering;
}

// The smallest length among the non-empty samples; 0 when all are empty.
std::size_t SmallestSample(const Samples& samples) {
  std::size_t digits = 0;
  for (std::string_view s : samples.text) {
    if (!s.empty() && (digits == 0 || s.size() < digits)) digits = s.size();
  }
  return std::min(digits, kMaxDetectedDigits);
}

}  // namespace

std::vector<std::string> SampleLines(ByteSource& source, bool recordForm) {
  std::vector<std::string> lines;
  if (recordForm) {
    std::vector<std::uint8_t> record;
    while (lines.size() < kSampledLineCount) {
      std::size_t length = 0;
      if (ReadRecordLength(source, length) != RecordRead::kOk) break;
      // A 0-byte record ends the sample, as a read that returns nothing does.
      if (length == 0) break;
      if (length > kMaxSampledRecordLength) {
        const std::int64_t at = source.Position();
        if (at < 0 || !source.Seek(at + static_cast<std::int64_t>(length))) break;
        lines.emplace_back();
        continue;
      }
      record.resize(length);
      if (source.Read(record) != static_cast<std::int64_t>(length)) break;
      lines.emplace_back(record.begin(), record.end());
    }
    return lines;
  }
  ByteReader reader(source);
  std::string line;
  while (lines.size() < kSampledLineCount && ReadTextLine(reader, line)) lines.push_back(line);
  return lines;
}

std::optional<DocumentNumbering> ScanLeft(std::span<const std::string> lines) {
  Samples samples;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    std::size_t count = 0;
    while (count < kMaxDetectedDigits && count < line.size() && platform::IsAsciiDigit(line[count]))
      ++count;
    if (count == 0) return std::nullopt;
    if (i < kValueSampleCount) samples.text[i] = std::string_view(line).substr(0, count);
  }
  const std::size_t digits = SmallestSample(samples);
  if (digits == 0) return std::nullopt;  // nothing sampled, or no line with text
  for (std::string_view& s : samples.text) s = s.substr(0, digits);
  return Finish(1, digits, samples);
}

std::optional<DocumentNumbering> ScanRight(std::span<const std::string> lines) {
  Samples samples;
  std::size_t position = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    while (!line.empty() && platform::IsAsciiSpace(line.back())) line.remove_suffix(1);
    if (line.empty()) continue;
    std::size_t count = 0;
    while (count < kMaxDetectedDigits && count < line.size() &&
           platform::IsAsciiDigit(line[line.size() - 1 - count])) {
      ++count;
    }
    if (count == 0) return std::nullopt;
    position = std::max(position, line.size() - count);
    if (i < kValueSampleCount) samples.text[i] = line.substr(line.size() - count);
  }
  const std::size_t digits = SmallestSample(samples);
  if (digits == 0 || position < 2) return std::nullopt;
  if (position > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  for (std::string_view& s : samples.text) {
    if (s.size() > digits) s = s.substr(s.size() - digits);
  }
  return Finish(static_cast<std::int32_t>(position), digits, samples);
}

void DetectLineNumbers(std::span<const std::string> lines, DocumentNumbering& numbering) {
  if (auto left = ScanLeft(lines)) numbering = *left;
  if (numbering.position == 0 || numbering.position >= 2) {
    if (auto right = ScanRight(lines)) numbering = *right;
  }
}

void DetectLineNumbers(ByteSource& source, bool recordForm, DocumentNumbering& numbering) {
  const std::vector<std::string> lines = SampleLines(source, recordForm);
  DetectLineNumbers(lines, numbering);
}

}  // namespace vandrel
