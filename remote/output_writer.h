// Where a request's stream goes: the output window's panes in the
// application (0 "Output", 1 "Find in Files", 2 "Debug"; 255 is the
// command-line window), a recorder in tests, standard output in the
// command-line tool. The engine hands blocks over as they arrive; the writer
// does the rest (zero bytes, character maps, line splitting).
#pragma once

#include <string_view>

namespace vandrel::remote {

inline constexpr int kPaneOutput = 0;
inline constexpr int kPaneFindInFiles = 1;
inline constexpr int kPaneDebug = 2;
inline constexpr int kPaneCommandLine = 255;

class OutputWriter {
 public:
  virtual ~OutputWriter() = default;
  // A block of raw output for the pane, exactly as received.
  virtual void WriteOutput(int pane, std::string_view bytes) = 0;
  // One whole line (an echo line, a report line), without its line end.
  virtual void WriteLine(int pane, std::string_view line) = 0;
};

}  // namespace vandrel::remote
