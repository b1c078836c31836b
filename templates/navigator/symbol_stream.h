// The stream in which the parser host hands an extension's findings to the
// editor: the labels, the symbols and the progress values, in the order the
// extension gave them, then an end mark once VDXParseFile has returned.
//
// The host reads each record the extension passes defensively (never past the
// record, every text bounded by its field) and sends only what it read; the
// editor decodes the stream as untrusted input again, since a host whose
// memory the extension damaged may write anything.
//
// Layout (numbers little-endian):
//   start     "VDX1"
//   label     'L', slot u8 (0-5), length u16 (at most 259), the bytes
//   symbol    'S', category u32, line i32, level i32, further i32,
//             name, alternative name, display text: each length u16 (at
//             most 255) and the bytes,
//             parameter count u16, each parameter: length u16 and the bytes;
//             every parameter with a terminator fits the record's
//             parameter area (kVdxParameterBytes bytes in all)
//   progress  'P', percent i32
//   end       'E'
// A diagnostic (category 0) carries its message as its one parameter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "templates/navigator/navigator_item.h"
#include "templates/navigator/parser_symbol.h"

namespace vandrel {

inline constexpr std::string_view kSymbolStreamStart = "VDX1";
// A text field keeps at most this many bytes, as a terminated field can.
inline constexpr std::size_t kSymbolTextLimit = kVdxTextBytes - 1;
inline constexpr std::size_t kLabelTextLimit = kVdxLabelBytes - 1;
inline constexpr int kLabelSlots = 6;

// How the parser host ends. Anything but kHostParsed (a signal included)
// means the extension's findings are not to be used.
enum ParserHostStatus {
  kHostParsed = 0,        // VDXParseFile returned; the stream ends with its end mark
  kHostUsage = 2,         // wrong arguments
  kHostNoLibrary = 3,     // the library cannot be loaded
  kHostNoEntryPoint = 4,  // VDXParseFile or VDXGetName is missing
  kHostNoFile = 5,        // the file cannot be opened
  kHostEmptyFile = 6,     // an empty file cannot be mapped
  kHostFileTooLarge = 7,  // longer than the 32-bit length VDXParseFile takes
  kHostNoMapping = 8,     // the file cannot be mapped
  kHostStreamFailed = 9,  // the stream cannot be written (the editor went away)
};

// ---- The host's side -------------------------------------------------------

// What a record holds, read without trusting it. Each text ends at its
// terminator or, when there is none, at kSymbolTextLimit bytes. The
// parameters are the texts of the parameter area up to the empty text that
// ends the list or the end of the area, whichever comes first; a text that
// runs to the end of the area without a terminator is half a parameter and
// is dropped. A diagnostic's message (category 0) is the area's first text,
// cut at the end of the area when it has no terminator.
NavigatorItem SymbolFromRecord(const VdxParserSymbol& record);

// A label VDXGetName wrote into its buffer of `size` bytes: up to the
// terminator, at most kLabelTextLimit bytes.
std::string LabelFromBuffer(const char* buffer, std::size_t size);

void AppendStreamStart(std::string& out);
// Texts beyond their limits are cut; `slot` must be 0-5.
void AppendLabel(std::string& out, int slot, std::string_view text);
// Texts beyond their limits are cut; parameters that do not fit the
// parameter area are left out.
void AppendSymbol(std::string& out, const NavigatorItem& symbol);
void AppendProgress(std::string& out, std::int32_t percent);
void AppendEnd(std::string& out);

// ---- The editor's side -----------------------------------------------------

struct StreamMessage {
  enum class Kind { kLabel, kSymbol, kProgress, kEnd };
  Kind kind = Kind::kEnd;
  int slot = 0;              // kLabel
  std::string label;         // kLabel
  NavigatorItem symbol;      // kSymbol, without children
  std::int32_t percent = 0;  // kProgress
};

enum class StreamStatus {
  kMessage,     // *out holds the next message
  kIncomplete,  // more bytes are needed
  kMalformed,   // not a stream, or a message breaks the layout: read no further
};

// Takes the stream in pieces as they arrive and gives whole messages back.
// Every length is checked against its limit before anything is taken, so a
// garbage stream costs at most one message's worth of memory beyond what has
// been fed.
class SymbolStreamDecoder {
 public:
  void Feed(std::string_view bytes);
  // The next whole message. Once malformed, always malformed.
  StreamStatus Next(StreamMessage& out);
  // Bytes fed and not yet decoded.
  std::size_t Pending() const { return buffer_.size() - at_; }

 private:
  StreamStatus Decode(StreamMessage& out);

  std::string buffer_;
  std::size_t at_ = 0;
  bool started_ = false;
  bool malformed_ = false;
};

}  // namespace vandrel
