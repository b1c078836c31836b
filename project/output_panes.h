// The output window's panes without their window: pane 0 "Output" (what host
// commands print; error masks apply), pane 1 "Find in Files" (search
// results) and pane 2 "Debug" (diagnostic text). Each pane holds its text,
// split into lines, and panes 0 and 1 a highlighted current line.
//
// The request engine writes into the panes from its worker thread while the
// user interface reads them, so every member function locks the panes. The
// observer is called with the panes locked, on the thread that made the
// change; it must hand the news on (post it to its own thread) and must not
// call back into the panes.
#pragma once

#include <fmt/printf.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/error_mask.h"
#include "remote/output_writer.h"

namespace vandrel::project {

inline constexpr int kPaneCount = 3;

// A character map: entry i is the code character i takes, 0 when it is not
// translated. The maps themselves are loaded by name elsewhere; the panes
// are given the table of the project's effective character set (or of the
// default one).
using CharacterTable = std::array<unsigned char, 256>;

// Raw host output made ready for a pane or the command-line window: every
// zero byte becomes byte 1, then every byte goes through `table` (when given).
std::string PrepareRawOutput(std::string_view bytes, const CharacterTable* table);

// The sounds the output window makes.
class OutputSounds {
 public:
  virtual ~OutputSounds() = default;
  virtual void DefaultBeep() = 0;
  virtual void Pause(std::chrono::milliseconds duration) = 0;
};

// Each BEL of raw output sounds the default beep and then waits this long.
inline constexpr std::chrono::milliseconds kBellPause{25};

class OutputPanesObserver {
 public:
  virtual ~OutputPanesObserver() = default;
  virtual void TextAppended(int /*pane*/, std::string_view /*bytes*/) {}
  virtual void PaneEmptied(int /*pane*/) {}
  // The pane outgrew its limit and its first `bytes` bytes were dropped.
  virtual void FrontDropped(int /*pane*/, std::size_t /*bytes*/) {}
  virtual void CurrentLineChanged(int /*pane*/, std::int64_t /*oldLine*/,
                                  std::int64_t /*newLine*/) {}
  // The tab of `pane` was selected and the window is to be shown; -1: the
  // current pane is to take the keyboard focus.
  virtual void PaneShown(int /*pane*/) {}
};

// A pane keeps at most this many bytes by default; beyond it the oldest
// lines are dropped.
inline constexpr std::size_t kDefaultPaneLimit = 64u << 20;

class OutputPanes final : public remote::OutputWriter {
 public:
  explicit OutputPanes(std::size_t paneLimit = kDefaultPaneLimit);

  // Appends `text` as a line of its own: on a new line when the pane's last
  // line is unfinished, with "\r\n" after it unless it ends with a line feed.
  // Panes outside 0 to 2 are ignored.
  void Print(int pane, std::string_view text);
  template <typename... Args>
  void Printf(int pane, std::string_view format, const Args&... args) {
    Print(pane, fmt::sprintf(format, args...));
  }

  // Appends bytes streamed back by a host command (see PrepareRawOutput);
  // with the output bell on, each BEL among them sounds. Panes outside 0 to
  // 2 are ignored: the command-line window takes its own output.
  void AppendRaw(int pane, std::string_view bytes);

  // Clears the pane, its current line with it.
  void Empty(int pane);
  // Empties the current pane (the pane's "clear" command).
  void Clear() { Empty(CurrentPane()); }

  // Selects the pane's tab and shows the window; -1 gives the current pane
  // the focus.
  void ShowPane(int pane);
  int CurrentPane() const;

  // Highlights `line` (-1: none) as the pane's current line. Panes 0 and 1
  // only; a line past the end is taken as none.
  void SetCurrentLine(int pane, std::int64_t line);
  std::int64_t CurrentLine(int pane) const;

  // Next and previous error are enabled while the current pane has text.
  bool ErrorCommandsEnabled() const;

  bool IsEmpty(int pane) const;
  std::string Text(int pane) const;
  std::size_t LineCount(int pane) const;
  // Line `index` without its line end, at most `limit` characters; empty
  // past the end.
  std::string Line(int pane, std::size_t index, std::size_t limit = std::string::npos) const;

  // Calls `read` with the pane's lines, holding the panes locked meanwhile.
  template <typename Read>
  auto ReadLines(int pane, Read&& read) const {
    std::lock_guard lock(mutex_);
    return read(static_cast<const LineSource&>(LinesOf(pane)));
  }

  // The character map raw output goes through; none: bytes stay as they are.
  void SetCharacterTable(std::optional<CharacterTable> table);
  // The SoundOutputBell setting.
  void SetOutputBell(bool on);
  void SetSounds(OutputSounds* sounds);
  void SetObserver(OutputPanesObserver* observer);

  // remote::OutputWriter: where the request engine's output lands.
  void WriteOutput(int pane, std::string_view bytes) override { AppendRaw(pane, bytes); }
  void WriteLine(int pane, std::string_view line) override { Print(pane, line); }

 private:
  class Pane final : public LineSource {
   public:
    std::size_t LineCount() const override { return lines_.size(); }
    std::string_view Line(std::size_t index) const override;

    const std::string& text() const { return text_; }
    bool EndsInsideLine() const { return !lines_.empty() && lastLineOpen_; }
    void Append(std::string_view bytes);
    void Clear();
    // Drops whole lines from the front until at most `keep` bytes are left
    // (part of a line when one line alone is longer); returns the bytes and
    // the lines dropped.
    std::pair<std::size_t, std::size_t> DropFront(std::size_t keep);

    std::int64_t currentLine = -1;

   private:
    struct Span {
      std::size_t start;
      std::size_t end;  // the end of the text, before the line end
    };
    std::string text_;
    std::vector<Span> lines_;
    bool lastLineOpen_ = false;  // the last line has no line end yet
    bool endsWithCr_ = false;    // a "\n" coming next belongs to that "\r"
  };

  static bool Valid(int pane) { return pane >= 0 && pane < kPaneCount; }
  const Pane& LinesOf(int pane) const;
  void AppendLocked(int pane, std::string_view bytes);
  void SetCurrentLineLocked(int pane, std::int64_t line);

  mutable std::mutex mutex_;
  std::size_t paneLimit_;
  std::array<Pane, kPaneCount> panes_;
  int currentPane_ = 0;
  std::optional<CharacterTable> table_;
  bool outputBell_ = true;
  OutputSounds* sounds_ = nullptr;
  OutputPanesObserver* observer_ = nullptr;
};

// The escape key pressed twice, more than 5 ms and less than 5 s apart,
// hides the output window.
class EscapeToHide {
 public:
  using Clock = std::chrono::steady_clock;
  // True when this press is the second of such a pair.
  bool Press(Clock::time_point now);

 private:
  std::optional<Clock::time_point> last_;
};

}  // namespace vandrel::project
