// The command line's rules on a text surface kept in a string: what a typed
// command becomes on the wire, the prompt, and the keys the window takes.
#include "editor/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace vandrel {
namespace {

class StringSurface final : public TerminalSurface {
 public:
  void AppendAtEnd(std::string_view appended) override {
    text += appended;
    caret = text.size();
  }
  bool Empty() const override { return text.empty(); }
  bool LastLineEmpty() const override { return text.empty() || text.back() == '\n'; }
  void MarkPromptEnd() override { promptEnd = text.size(); }
  bool CaretAtOrBeforePromptEnd() const override { return caret <= promptEnd; }
  std::string TextFromPromptEndToCaret() const override {
    return caret > promptEnd ? text.substr(promptEnd, caret - promptEnd) : std::string();
  }
  void SetReadOnly(bool on) override { readOnly = on; }
  void ClearText() override { text.clear(), caret = promptEnd = 0; }
  void Beep() override { ++beeps; }

  void Type(std::string_view typed) {
    text.insert(caret, typed);
    caret += typed.size();
  }

  std::string text;
  std::size_t caret = 0;
  std::size_t promptEnd = 0;
  bool readOnly = false;
  int beeps = 0;
};

class RecordingRunner final : public HostCommandRunner {
 public:
  bool Run(const std::string& commandLine) override {
    sent.push_back(commandLine);
    return connected;
  }
  std::optional<CharacterTable> CommandTable() override { return table; }

  std::vector<std::string> sent;
  std::optional<CharacterTable> table;
  bool connected = true;
};

TEST(CommandLineRules, CdBecomesSetCdAndTheMapAppliesToTheWholeLine) {
  EXPECT_EQ(HostCommandLine("CD /ACCOUNT/GROUP", nullptr), "=SET_CD /ACCOUNT/GROUP");
  EXPECT_EQ(HostCommandLine("cd /src", nullptr), "=SET_CD /src");
  EXPECT_EQ(HostCommandLine("Cd x", nullptr), "=SET_CD x");
  // Only "cd" followed by a blank changes directory.
  EXPECT_EQ(HostCommandLine("cdx /src", nullptr), "cdx /src");
  EXPECT_EQ(HostCommandLine("cd", nullptr), "cd");
  EXPECT_EQ(HostCommandLine(" cd /src", nullptr), " cd /src");

  // Entry 0 keeps the character; others replace it in what was typed, never
  // in the agent's own command word.
  CharacterTable table{};
  table[static_cast<unsigned char>('{')] = 0xE4;
  table[static_cast<unsigned char>('S')] = 's';
  EXPECT_EQ(HostCommandLine("cd /a{bS", &table),
            "=SET_CD /a\xE4"
            "bs");
  EXPECT_EQ(HostCommandLine("echo {}", &table), "echo \xE4}");
}

TEST(CommandLineRules, PromptKeysAndCompletion) {
  StringSurface surface;
  RecordingRunner runner;
  CommandLine line(surface, runner);
  line.WritePrompt();
  EXPECT_EQ(surface.text, ">");

  // Backspace right after the prompt only beeps; after typed text it is the
  // view's.
  EXPECT_TRUE(line.Backspace());
  EXPECT_EQ(surface.beeps, 1);
  surface.Type("l");
  EXPECT_FALSE(line.Backspace());

  // Enter on an empty command: a new prompt, nothing sent.
  surface.text = ">";
  surface.caret = 1;
  line.Enter();
  EXPECT_EQ(surface.text, ">\n>");
  EXPECT_TRUE(runner.sent.empty());

  // A command: a line break, sent through the map, read-only until its end.
  runner.table = CharacterTable{};
  (*runner.table)[static_cast<unsigned char>('|')] = '!';
  surface.Type("cd /a|b");
  line.Enter();
  ASSERT_EQ(runner.sent, std::vector<std::string>{"=SET_CD /a!b"});
  EXPECT_EQ(surface.text, ">\n>cd /a|b\n");
  EXPECT_TRUE(surface.readOnly);
  EXPECT_TRUE(line.running());
  EXPECT_TRUE(line.Backspace());  // taken, nothing deleted
  line.Enter();                   // ignored while it runs
  EXPECT_EQ(runner.sent.size(), 1u);

  // Output without a final line break: the prompt starts a line of its own;
  // with one, it follows at once. An agent error goes on a line of its own.
  line.AppendOutput("one\ntwo");
  line.Completed("");
  EXPECT_EQ(surface.text, ">\n>cd /a|b\none\ntwo\n>");
  EXPECT_FALSE(surface.readOnly);
  EXPECT_FALSE(line.running());
  surface.Type("ls");
  line.Enter();
  line.AppendOutput("x\n");
  line.Completed("No such directory");
  const std::string errorEnd = ">ls\nx\nNo such directory\n>";
  EXPECT_EQ(surface.text.substr(surface.text.size() - errorEnd.size()), errorEnd);

  // Without a connection nothing runs: a note and a new prompt.
  runner.connected = false;
  surface.Type("pwd");
  line.Enter();
  EXPECT_FALSE(line.running());
  EXPECT_FALSE(surface.readOnly);
  const std::string expectedEnd = std::string(">pwd\n") + std::string(kCommandNotConnected) + "\n>";
  EXPECT_EQ(surface.text.substr(surface.text.size() - expectedEnd.size()), expectedEnd);

  // Clear: empty, and a fresh prompt.
  line.Clear();
  EXPECT_EQ(surface.text, ">");
  EXPECT_EQ(surface.promptEnd, 1u);
}

// A tool's "cd" and command run one after the other, each shown after its
// prompt; a "cd" the agent refuses keeps the command from running elsewhere.
TEST(CommandLineRules, ASequenceRunsInTurnAndStopsAtAFailure) {
  StringSurface surface;
  RecordingRunner runner;
  CommandLine line(surface, runner);
  line.WritePrompt();
  ASSERT_TRUE(line.RunSequence({"cd /SRC", "cc -l 12 PROG.C"}));
  EXPECT_EQ(runner.sent, std::vector<std::string>{"=SET_CD /SRC"});
  EXPECT_EQ(surface.text, ">cd /SRC\n");
  line.Completed("");
  EXPECT_EQ(runner.sent.back(), "cc -l 12 PROG.C");
  EXPECT_EQ(surface.text, ">cd /SRC\n>cc -l 12 PROG.C\n");
  line.AppendOutput("done\n");
  line.Completed("");
  EXPECT_EQ(surface.text, ">cd /SRC\n>cc -l 12 PROG.C\ndone\n>");
  EXPECT_FALSE(line.running());

  runner.sent.clear();
  ASSERT_TRUE(line.RunSequence({"cd /NOWHERE", "purge all"}));
  line.Completed("No such directory");
  EXPECT_EQ(runner.sent, std::vector<std::string>{"=SET_CD /NOWHERE"});
  EXPECT_FALSE(line.running());

  // Without a host the first one is not sent, and neither is the rest.
  runner.sent.clear();
  runner.connected = false;
  EXPECT_FALSE(line.RunSequence({"cd /SRC", "cc"}));
  EXPECT_EQ(runner.sent, std::vector<std::string>{"=SET_CD /SRC"});
  runner.connected = true;
  EXPECT_FALSE(line.RunSequence({}));
  EXPECT_TRUE(runner.sent.size() == 1u);
}

}  // namespace
}  // namespace vandrel
