#include "templates/navigator/symbol_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace vandrel {

namespace {

constexpr char kLabelTag = 'L';
constexpr char kSymbolTag = 'S';
constexpr char kProgressTag = 'P';
constexpr char kEndTag = 'E';

// Each parameter takes its bytes and a terminator in the record's area.
constexpr std::size_t kParameterArea = kVdxParameterBytes;
constexpr std::size_t kMostParameters = kParameterArea / 2;

std::string TextOfField(const char* field, std::size_t limit) {
  const void* end = std::memchr(field, '\0', limit);
  const std::size_t length =
      end == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(end) - field);
  return std::string(field, length);
}

void AppendText(std::string& out, std::string_view text, std::size_t limit) {
  text = text.substr(0, limit);
  platform::AppendLittleEndian16(out, static_cast<std::uint16_t>(text.size()));
  out.append(text);
}

// Reads fixed-width numbers and counted texts from the bytes of one message,
// failing softly at the end of the input.
class Cursor {
 public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

  bool U8(std::uint8_t& value) {
    if (bytes_.size() - at_ < 1) return false;
    value = static_cast<std::uint8_t>(bytes_[at_++]);
    return true;
  }
  bool U16(std::uint16_t& value) {
    if (bytes_.size() - at_ < 2) return false;
    value = platform::ReadLittleEndian16(bytes_.data() + at_);
    at_ += 2;
    return true;
  }
  bool U32(std::uint32_t& value) {
    if (bytes_.size() - at_ < 4) return false;
    value = platform::ReadLittleEndian32(bytes_.data() + at_);
    at_ += 4;
    return true;
  }
  bool I32(std::int32_t& value) {
    std::uint32_t raw = 0;
    if (!U32(raw)) return false;
    value = static_cast<std::int32_t>(raw);
    return true;
  }
  // A counted text: kMalformed when its length passes `limit`, kIncomplete
  // when its bytes have not all arrived.
  StreamStatus Text(std::string& text, std::size_t limit) {
    std::uint16_t length = 0;
    if (!U16(length)) return StreamStatus::kIncomplete;
    if (length > limit) return StreamStatus::kMalformed;
    if (bytes_.size() - at_ < length) return StreamStatus::kIncomplete;
    text.assign(bytes_.data() + at_, length);
    at_ += length;
    return StreamStatus::kMessage;
  }
  std::size_t used() const { return at_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

}  // namespace

// ---- The host's side -------------------------------------------------------

NavigatorItem SymbolFromRecord(const VdxParserSymbol& record) {
  NavigatorItem symbol;
  symbol.category = static_cast<int>(record.category);
  symbol.name = TextOfField(record.name, kSymbolTextLimit);
  symbol.alternativeName = TextOfField(record.alternativeName, kSymbolTextLimit);
  symbol.displayText = TextOfField(record.displayText, kSymbolTextLimit);
  symbol.line = record.line;
  symbol.level = record.level;
  symbol.further = record.further;

  const char* area = record.parameters;
  if (record.category == kVdxDiagnostic) {
    // One message; a cut message still says something.
    std::string message = TextOfField(area, kParameterArea - 1);
    if (!message.empty()) symbol.parameters.push_back(std::move(message));
    return symbol;
  }
  std::size_t at = 0;
  while (at < kParameterArea && area[at] != '\0') {
    const void* end = std::memchr(area + at, '\0', kParameterArea - at);
    if (end == nullptr) break;  // no terminator before the end of the area
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(end) - area) - at;
    symbol.parameters.emplace_back(area + at, length);
    at += length + 1;
  }
  return symbol;
}

std::string LabelFromBuffer(const char* buffer, std::size_t size) {
  if (buffer == nullptr) return {};
  return TextOfField(buffer, std::min(size, kLabelTextLimit));
}

void AppendStreamStart(std::string& out) { out.append(kSymbolStreamStart); }

void AppendLabel(std::string& out, int slot, std::string_view text) {
  out += kLabelTag;
  out += static_cast<char>(slot);
  AppendText(out, text, kLabelTextLimit);
}

void AppendSymbol(std::string& out, const NavigatorItem& symbol) {
  out += kSymbolTag;
  platform::AppendLittleEndian32(out, static_cast<std::uint32_t>(symbol.category));
  platform::AppendLittleEndian32(out, static_cast<std::uint32_t>(symbol.line));
  platform::AppendLittleEndian32(out, static_cast<std::uint32_t>(symbol.level));
  platform::AppendLittleEndian32(out, static_cast<std::uint32_t>(symbol.further));
  AppendText(out, symbol.name, kSymbolTextLimit);
  AppendText(out, symbol.alternativeName, kSymbolTextLimit);
  AppendText(out, symbol.displayText, kSymbolTextLimit);
  // The parameters that fit the area whole, each with its terminator; an
  // empty text would end the list there.
  std::size_t count = 0;
  std::size_t used = 0;
  for (const std::string& parameter : symbol.parameters) {
    if (parameter.empty() || used + parameter.size() + 1 > kParameterArea) break;
    used += parameter.size() + 1;
    ++count;
  }
  platform::AppendLittleEndian16(out, static_cast<std::uint16_t>(count));
  for (std::size_t i = 0; i < count; ++i) AppendText(out, symbol.parameters[i], kParameterArea);
}

void AppendProgress(std::string& out, std::int32_t percent) {
  out += kProgressTag;
  platform::AppendLittleEndian32(out, static_cast<std::uint32_t>(percent));
}

void AppendEnd(std::string& out) { out += kEndTag; }

// ---- The editor's side -----------------------------------------------------

void SymbolStreamDecoder::Feed(std::string_view bytes) {
  if (malformed_) return;
  // Drop what has been decoded before the buffer grows again.
  if (at_ > 0 && at_ >= buffer_.size() / 2) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  buffer_.append(bytes);
}

StreamStatus SymbolStreamDecoder::Next(StreamMessage& out) {
  if (malformed_) return StreamStatus::kMalformed;
  // A message carries only what it was sent with, whatever `out` held.
  StreamMessage message;
  const StreamStatus status = Decode(message);
  if (status == StreamStatus::kMessage) out = std::move(message);
  if (status == StreamStatus::kMalformed) {
    malformed_ = true;
    buffer_.clear();
    at_ = 0;
  }
  return status;
}

StreamStatus SymbolStreamDecoder::Decode(StreamMessage& out) {
  std::string_view rest = std::string_view(buffer_).substr(at_);
  if (!started_) {
    const std::size_t have = std::min(rest.size(), kSymbolStreamStart.size());
    if (rest.substr(0, have) != kSymbolStreamStart.substr(0, have)) return StreamStatus::kMalformed;
    if (have < kSymbolStreamStart.size()) return StreamStatus::kIncomplete;
    started_ = true;
    at_ += have;
    rest.remove_prefix(have);
  }
  if (rest.empty()) return StreamStatus::kIncomplete;

  Cursor cursor(rest.substr(1));
  const char tag = rest.front();
  switch (tag) {
    case kLabelTag: {
      std::uint8_t slot = 0;
      if (!cursor.U8(slot)) return StreamStatus::kIncomplete;
      if (slot >= kLabelSlots) return StreamStatus::kMalformed;
      std::string label;
      const StreamStatus text = cursor.Text(label, kLabelTextLimit);
      if (text != StreamStatus::kMessage) return text;
      out.kind = StreamMessage::Kind::kLabel;
      out.slot = slot;
      out.label = std::move(label);
      break;
    }
    case kSymbolTag: {
      NavigatorItem symbol;
      std::uint32_t category = 0;
      if (!cursor.U32(category) || !cursor.I32(symbol.line) || !cursor.I32(symbol.level) ||
          !cursor.I32(symbol.further)) {
        return StreamStatus::kIncomplete;
      }
      symbol.category = static_cast<int>(category);
      for (std::string* text : {&symbol.name, &symbol.alternativeName, &symbol.displayText}) {
        const StreamStatus status = cursor.Text(*text, kSymbolTextLimit);
        if (status != StreamStatus::kMessage) return status;
      }
      std::uint16_t count = 0;
      if (!cursor.U16(count)) return StreamStatus::kIncomplete;
      if (count > kMostParameters) return StreamStatus::kMalformed;
      std::size_t area = 0;
      symbol.parameters.resize(count);
      for (std::string& parameter : symbol.parameters) {
        // Room for the bytes and the terminator; an empty text would end the list.
        if (area >= kParameterArea) return StreamStatus::kMalformed;
        const StreamStatus status = cursor.Text(parameter, kParameterArea - area - 1);
        if (status != StreamStatus::kMessage) return status;
        if (parameter.empty()) return StreamStatus::kMalformed;
        area += parameter.size() + 1;
      }
      out.kind = StreamMessage::Kind::kSymbol;
      out.symbol = std::move(symbol);
      break;
    }
    case kProgressTag:
      if (!cursor.I32(out.percent)) return StreamStatus::kIncomplete;
      out.kind = StreamMessage::Kind::kProgress;
      break;
    case kEndTag:
      out.kind = StreamMessage::Kind::kEnd;
      break;
    default:
      return StreamStatus::kMalformed;
  }
  at_ += 1 + cursor.used();
  return StreamStatus::kMessage;
}

}  // namespace vandrel
