#include "core/message_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "support/scripted_user_interface.h"

namespace vandrel {
namespace {

using testing::ScriptedUserInterface;

TEST(MessageBox, FormatsTheTableTextWithTheProductCaption) {
  ScriptedUserInterface ui;
  ui.Answer(kIdNo);
  const int answer =
      MessageBox(ui, kMbYesNoCancel | kMbIconQuestion, kStrSaveProjectChanges, "demo.vdp");
  EXPECT_EQ(answer, kIdNo);
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0].caption, "Zorvant Vandrel");
  EXPECT_EQ(ui.shown()[0].text,
            "You have made changes to the project 'demo.vdp'. Do you want to save changes ?");
  EXPECT_EQ(ui.shown()[0].style, kMbYesNoCancel | kMbIconQuestion);
}

TEST(MessageBox, MismatchedArgumentsAreSafe) {
  // "%d" given a text, and too few arguments: shown unformatted, no crash.
  EXPECT_EQ(FormatText("port %d", "eleven"), "port %d");
  EXPECT_EQ(FormatText("'%s' on port %d", "host"), "'%s' on port %d");
  EXPECT_EQ(FormatText("100%% done %s", "now"), "100% done now");
  EXPECT_EQ(FormatText("plain %s"), "plain %s");
  EXPECT_EQ(FormatText("(*%ld).", 303L), "(*303).");
}

TEST(MessageBox, LoadTextGivesEveryTableTextWholeWithinThe511Characters) {
  // Texts are loaded into a 512-character buffer. No text of the table may
  // be longer than 511 characters, or its message would be shown cut; all
  // up to the longest (the colour list, well past the 255 of a system-error
  // text) load whole.
  std::size_t longest = 0;
  for (const auto& entry : StringTable()) {
    EXPECT_LE(entry.text.size(), kMaxLoadedText) << entry.id;
    EXPECT_EQ(LoadText(entry.id), entry.text) << entry.id;
    longest = std::max(longest, entry.text.size());
  }
  EXPECT_GT(longest, kMaxSystemErrorText);
  EXPECT_EQ(LoadText(kStrAppCaption), "Zorvant Vandrel");
  EXPECT_EQ(LoadText(-12345), "");
}

TEST(MessageBox, SystemErrorTextIsAppendedAndCut) {
  ScriptedUserInterface ui;
  SystemErrorMessageBox(ui, "", kStrConnectFailed, ENOENT, kMbOk | kMbIconError, "host", 11000);
  ASSERT_EQ(ui.shown().size(), 1u);
  const std::string expected =
      "Failed to connect to 'host' on port 11000. Please check the "
      "connection profile and try again.\n\n" +
      SystemErrorText(ENOENT);
  EXPECT_EQ(ui.shown()[0].text, expected.substr(0, 255));
  EXPECT_EQ(ui.shown()[0].caption, "Zorvant Vandrel");

  const std::string longText(400, 'x');
  EXPECT_EQ(ComposeSystemErrorText(longText, EACCES).size(), kMaxSystemErrorText);
}

}  // namespace
}  // namespace vandrel
