#include "editor/load_request_reader.h"

#include <sys/stat.h>

#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "documents/document_loader.h"
#include "platform/byte_order.h"
#include "platform/mapped_file.h"
#include "platform/memory_advice.h"

namespace vandrel {

namespace {

constexpr std::array<bool, 256> MakeControlTable() {
  std::array<bool, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = c != '\t' && c != '\f';
  table[0x7F] = true;
  return table;
}
constexpr std::array<bool, 256> kControlByte = MakeControlTable();

// Whether any of the n bytes is below 0x20, eight bytes at a time: a
// byte below 0x20 is the only one that borrows when 0x20 is taken from it
// while its top bit is clear.
bool HasControlByte(const char* p, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kTops = 0x8080808080808080ULL;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, p + i, 8);
    if ((x - kOnes * 0x20) & ~x & kTops) return true;
  }
  for (; i < n; ++i) {
    if (static_cast<std::uint8_t>(p[i]) < 0x20) return true;
  }
  return false;
}

bool AllDigits(const char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
  }
  return true;
}

std::int64_t ParseDigits(const char* p, std::size_t n) {
  std::int64_t value = 0;
  for (std::size_t i = 0; i < n; ++i) value = value * 10 + (p[i] - '0');
  return value;
}

// Turns the lines of the data, one at a time, into text and line data.
class LineBuilder {
 public:
  LineBuilder(const LoadRequest& request, const LineNumbering& numbering, std::string& text,
              LineMetadata& lines)
      : table_(request.characterTable ? &*request.characterTable : nullptr),
        numbering_(numbering),
        tokens_(request.flags & kLoadRequestCobol85),
        trim_(request.flags & kLoadRequestTrim),
        text_(text),
        lines_(lines) {}

  void Add(const std::uint8_t* bytes, std::size_t size) {
    const std::size_t begin = text_.size();
    text_.append(reinterpret_cast<const char*>(bytes), size);
    char* line = text_.data() + begin;
    if (table_ != nullptr) TranslateBytes(std::span<char>(line, size), *table_);
    std::size_t length = size;

    LineToken token;
    if (tokens_ && length > kTokenColumn && length <= kTokenColumn + kTokenWidth) {
      token = LineToken::From({line + kTokenColumn, length - kTokenColumn});
      length = kTokenColumn;
    }

    std::int64_t number = kNoLineNumber;
    if (numbering_.mode != NumberingMode::kNone) {
      const auto at = static_cast<std::size_t>(numbering_.column);
      const auto digits = static_cast<std::size_t>(numbering_.digits);
      if (length >= at + digits && AllDigits(line + at, digits)) {
        number = ParseDigits(line + at, digits);
        std::memmove(line + at, line + at + digits, length - at - digits);
        length -= digits;
      }
    }

    if (trim_) {
      while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t')) --length;
    }
    text_.resize(begin + length);
    line = text_.data() + begin;

    std::string original;
    if (HasControlByte(line, length)) {
      if (std::memchr(line, '\n', length) != nullptr ||
          std::memchr(line, '\r', length) != nullptr) {
        original.assign(line, length);
        for (std::size_t i = 0; i < length; ++i) {
          if (line[i] == '\n' || line[i] == '\r') line[i] = static_cast<char>(kSubstituteByte);
        }
        binary_ = true;
      }
      if (!binary_ && std::memchr(line, 0, length) != nullptr) binary_ = true;
    }
    if (sampled_ < kBinarySampleBytes) {
      const std::size_t n = std::min(length, kBinarySampleBytes - sampled_);
      for (std::size_t i = 0; i < n; ++i)
        controls_ += kControlByte[static_cast<std::uint8_t>(line[i])];
      sampled_ += n;
    }
    text_.push_back('\n');

    lines_.AppendLine(number, token);
    if (!original.empty()) lines_.KeepOriginal(lines_.LineCount() - 1, std::move(original));
  }

  // Ends the text: no separator after the last line; a document always has
  // at least one line.
  void Finish(bool finalLineEnd) {
    if (lines_.LineCount() == 0) {
      lines_.AppendLine(kNoLineNumber, LineToken{});
      lines_.SetFinalLineEnd(false);
      return;
    }
    text_.pop_back();
    lines_.SetFinalLineEnd(finalLineEnd);
  }

  bool Binary() const { return binary_ || controls_ * 10 > sampled_; }

 private:
  const CharacterTable* table_;
  LineNumbering numbering_;
  bool tokens_;
  bool trim_;
  std::string& text_;
  LineMetadata& lines_;
  bool binary_ = false;
  std::size_t sampled_ = 0;
  std::size_t controls_ = 0;
};

// Records: a 16-bit big-endian length, then that many bytes; no terminator.
int ReadRecords(std::span<const std::uint8_t> data, LineBuilder& builder) {
  std::size_t at = 0;
  while (at < data.size()) {
    if (data.size() - at < 2) return kLoadResultCorruptedRecord;
    const std::size_t length = platform::ReadBigEndian16(data.data() + at);
    at += 2;
    if (length > data.size() - at) return kLoadResultCorruptedRecord;
    builder.Add(data.data() + at, length);
    at += length;
  }
  builder.Finish(true);
  return kLoadResultOk;
}

// Plain text: a line ends at CR LF, LF or CR.
int ReadText(std::span<const std::uint8_t> data, LineBuilder& builder) {
  const std::uint8_t* p = data.data();
  const std::uint8_t* const end = p + data.size();
  while (p < end) {
    const auto* lf = static_cast<const std::uint8_t*>(std::memchr(p, '\n', end - p));
    const std::uint8_t* stop = lf != nullptr ? lf : end;
    const auto* cr = static_cast<const std::uint8_t*>(std::memchr(p, '\r', stop - p));
    if (cr != nullptr) {
      builder.Add(p, cr - p);
      p = cr + 1;
      if (p < end && *p == '\n') ++p;
    } else if (lf != nullptr) {
      builder.Add(p, lf - p);
      p = lf + 1;
    } else {
      builder.Add(p, end - p);
      p = end;
    }
  }
  const bool finalLineEnd = !data.empty() && (data.back() == '\n' || data.back() == '\r');
  builder.Finish(finalLineEnd);
  return kLoadResultOk;
}

// The rest of `source` in one buffer, sized up front for a file.
struct DataBuffer {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
};

bool ReadRest(ByteSource& source, std::int64_t from, DataBuffer& data) {
  std::size_t capacity = std::size_t{1} << 20;
  if (auto* file = dynamic_cast<FileSource*>(&source)) {
    struct stat st {};
    // One byte more than the file holds, so the read that finds the end
    // needs no larger buffer.
    if (::fstat(file->fd(), &st) == 0 && st.st_size >= from) {
      capacity = static_cast<std::size_t>(st.st_size - from) + 1;
    }
  }
  data.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
  data.size = 0;
  while (true) {
    if (data.size == capacity) {
      auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(capacity * 2);
      std::memcpy(larger.get(), data.bytes.get(), data.size);
      data.bytes = std::move(larger);
      capacity *= 2;
    }
    const std::size_t wanted = capacity - data.size;
    const std::int64_t got = source.Read({data.bytes.get() + data.size, wanted});
    if (got < 0) return false;
    data.size += static_cast<std::size_t>(got);
    if (static_cast<std::size_t>(got) < wanted) return true;
  }
}

}  // namespace

LineNumbering NumberingOfLoadRequest(const LoadRequest& request) {
  LineNumbering numbering;
  if (!(request.flags & kLoadRequestRemoveNumbers)) return numbering;
  numbering.mode =
      (request.flags & kLoadRequestRenumber) ? NumberingMode::kRegenerated : NumberingMode::kKept;
  // A column beyond any record is as unusable as a negative one.
  constexpr std::int32_t kWidestColumn = 0xFFFF;
  if (request.numberColumn < 0 || request.numberColumn > kWidestColumn) {
    numbering.column = -1;
  } else {
    numbering.column = request.numberColumn == 0 ? 0 : request.numberColumn + 1;
  }
  numbering.digits = request.numberDigits;
  numbering.start = request.numberStart;
  numbering.increment = request.numberIncrement;
  return numbering;
}

LoadOutcome ReadLoadData(std::span<const std::uint8_t> data, const LoadRequest& request,
                         LineMetadata& lines) {
  LoadOutcome outcome;
  const LineNumbering numbering = NumberingOfLoadRequest(request);
  if (numbering.mode != NumberingMode::kNone &&
      (numbering.digits < 1 || numbering.digits > kMaxNumberDigits || numbering.column < 0 ||
       numbering.start < 0 || numbering.increment < 0)) {
    outcome.code = kLoadResultFormat;
    return outcome;
  }
  if ((request.flags & kLoadRequestTranslate) && !request.characterTable) {
    outcome.code = kLoadResultFormat;
    return outcome;
  }
  try {
    LineMetadata loaded;
    const bool recordForm = request.flags & kLoadRequestRecordForm;
    // A record of 80 bytes takes 82 in the file; a text line its length plus
    // one or two line-end bytes.
    loaded.Reset(numbering, request.flags & kLoadRequestCobol85,
                 data.size() / (recordForm ? 82 : 40) + 1);
    outcome.text.reserve(data.size() + 1);
    platform::AdviseHugePages(outcome.text.data(), outcome.text.capacity());
    LineBuilder builder(request, numbering, outcome.text, loaded);
    outcome.code = recordForm ? ReadRecords(data, builder) : ReadText(data, builder);
    if (outcome.code != kLoadResultOk) {
      outcome.text.clear();
      return outcome;
    }
    outcome.binary = builder.Binary();
    lines = std::move(loaded);
  } catch (const std::bad_alloc&) {
    outcome = LoadOutcome{};
    outcome.code = kLoadResultOutOfMemory;
  }
  return outcome;
}

LoadOutcome ReadLoadRequest(const LoadRequest& request, LineMetadata& lines) {
  LoadOutcome outcome;
  if (request.file == nullptr) {
    outcome.code = kLoadResultReadFailed;
    return outcome;
  }
  if (request.dataOffset < 0 || !request.file->Seek(request.dataOffset)) {
    outcome.code = kLoadResultCorrupted;
    return outcome;
  }
  // A local file is read through a mapping: no copy into a buffer of its
  // own, which for large documents costs more than the copy itself. The
  // loader holds the file with no sharing, so nobody changes it meanwhile.
  if (auto* file = dynamic_cast<FileSource*>(request.file)) {
    platform::MappedFile mapped;
    if (mapped.Map(file->fd())) {
      const auto bytes = mapped.Bytes();
      const auto from = static_cast<std::size_t>(request.dataOffset);
      if (from > bytes.size()) {
        outcome.code = kLoadResultCorrupted;
        return outcome;
      }
      return ReadLoadData(bytes.subspan(from), request, lines);
    }
  }
  DataBuffer data;
  try {
    if (!ReadRest(*request.file, request.dataOffset, data)) {
      outcome.code = kLoadResultReadFailed;
      return outcome;
    }
  } catch (const std::bad_alloc&) {
    outcome.code = kLoadResultOutOfMemory;
    return outcome;
  }
  return ReadLoadData({data.bytes.get(), data.size}, request, lines);
}

}  // namespace vandrel
