// Feeds arbitrary bytes to both ends of the parser host's symbol stream.
// As a record: reading it must stay within the record, and what was read
// must come back unchanged through encoding and decoding. As a stream, fed
// in two pieces: decoding must neither crash nor take more than was fed, and
// must give the same messages as decoding it whole.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "templates/navigator/symbol_stream.h"

using namespace vandrel;

namespace {

void CheckRecord(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(VdxParserSymbol)) return;
  // A copy of exactly one record, so that reading past it is caught.
  auto* record = static_cast<VdxParserSymbol*>(std::malloc(sizeof(VdxParserSymbol)));
  std::memcpy(record, data, sizeof(VdxParserSymbol));
  const NavigatorItem symbol = SymbolFromRecord(*record);
  std::free(record);
  std::string stream;
  AppendStreamStart(stream);
  AppendSymbol(stream, symbol);
  SymbolStreamDecoder decoder;
  decoder.Feed(stream);
  StreamMessage message;
  if (decoder.Next(message) != StreamStatus::kMessage) std::abort();
  const NavigatorItem& back = message.symbol;
  if (back.category != symbol.category || back.name != symbol.name ||
      back.alternativeName != symbol.alternativeName || back.displayText != symbol.displayText ||
      back.line != symbol.line || back.level != symbol.level || back.further != symbol.further ||
      back.parameters != symbol.parameters) {
    std::abort();
  }
}

std::vector<std::string> Decode(SymbolStreamDecoder& decoder) {
  std::vector<std::string> out;
  StreamMessage message;
  while (decoder.Next(message) == StreamStatus::kMessage) {
    std::string text(1, static_cast<char>(message.kind));
    text += message.label + message.symbol.name + std::to_string(message.percent);
    for (const std::string& parameter : message.symbol.parameters) text += parameter;
    out.push_back(std::move(text));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckRecord(data, size);
  std::string stream(kSymbolStreamStart);
  stream.append(reinterpret_cast<const char*>(data), size);
  SymbolStreamDecoder whole;
  whole.Feed(stream);
  const std::vector<std::string> all = Decode(whole);
  if (whole.Pending() > stream.size()) std::abort();

  const std::size_t cut = size == 0 ? 0 : data[0] % (stream.size() + 1);
  SymbolStreamDecoder pieces;
  pieces.Feed(std::string_view(stream).substr(0, cut));
  std::vector<std::string> got = Decode(pieces);
  pieces.Feed(std::string_view(stream).substr(cut));
  for (std::string& message : Decode(pieces)) got.push_back(std::move(message));
  if (got != all) std::abort();
  return 0;
}
