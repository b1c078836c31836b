// The command line window: a terminal-like document child in which the user
// types host commands after a ">" prompt and their output is appended below
// them. The rules are CommandLine's; this class binds them to a text view
// and keeps what the view holds within bounds: at most kCommandLineKeepLines
// lines and kCommandLineKeepChars characters, the oldest lines dropped first.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/command_line.h"

class QPlainTextEdit;

namespace vandrel {
struct AppSettings;
}

namespace vandrel::ui {

// What the window keeps of its history.
inline constexpr int kCommandLineKeepLines = 20000;
inline constexpr int kCommandLineKeepChars = 4 * 1024 * 1024;

class CommandLineWindow final : public QWidget, private TerminalSurface {
  Q_OBJECT

 public:
  // Commands go to `runner`, which must outlive the window. The window
  // starts with a prompt.
  explicit CommandLineWindow(HostCommandRunner& runner, QWidget* parent = nullptr);
  ~CommandLineWindow() override;

  // EditorFont and EditorFontSize, TerminalTextColor on TerminalColor.
  void ApplySettings(const AppSettings& settings);

  // Select All, Copy, Paste and Clear (cmd::kSelectAll, kCopy, kPaste,
  // kClear); false for any other command.
  bool RunCommand(int commandId);
  // Runs `typed` as if it had been typed after the prompt and Enter pressed.
  bool RunHostCommand(std::string_view typed);
  // Runs `commands` one after another, each shown after its prompt (see
  // CommandLine::RunSequence).
  bool RunHostCommands(std::vector<std::string> commands) {
    return commandLine_.RunSequence(std::move(commands));
  }

  // Output of the running command and its end (see CommandLine).
  void AppendOutput(std::string_view text) { commandLine_.AppendOutput(text); }
  void Completed(std::string_view agentError) { commandLine_.Completed(agentError); }

  bool running() const { return commandLine_.running(); }
  bool HasSelection() const;
  bool IsEmpty() const { return Empty(); }
  // Read-only while a command runs.
  bool isReadOnly() const;
  // The whole text, line breaks as "\n", one byte a character.
  std::string Text() const;
  QPlainTextEdit* view() const;
  // The window was activated: the view takes the focus.
  void Activated();

 signals:
  // The selection or the read-only state changed: Copy and Paste follow.
  void editStateChanged();

 private:
  class View;
  friend class View;

  // ---- TerminalSurface ------------------------------------------------------------
  void AppendAtEnd(std::string_view text) override;
  bool Empty() const override;
  bool LastLineEmpty() const override;
  void MarkPromptEnd() override;
  bool CaretAtOrBeforePromptEnd() const override;
  std::string TextFromPromptEndToCaret() const override;
  void SetReadOnly(bool readOnly) override;
  void ClearText() override;
  void Beep() override;

  // The view's keys: true when the window took the key.
  bool TakeKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);
  // Typing and pasting happen after the prompt: a caret in the history goes
  // to the end first.
  // The selection (or the caret) lies wholly after the prompt.
  bool SelectionInCommand() const;
  void CaretIntoCommand();
  void DropFrontLines();
  void ShowContextMenu(const QPoint& position);

  View* view_;
  CommandLine commandLine_;
  // The prompt's end as a position of the view; -1 when there is none.
  // Only the history before it is ever dropped, and the window drops it.
  int promptEnd_ = -1;
};

}  // namespace vandrel::ui
