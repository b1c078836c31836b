#include "core/message_box.h"

#include <gtest/gtest.h>

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

TEST(MessageBox, LoadTextKeepsAtMost511Characters) {
  for (const auto& entry : StringTable()) EXPECT_LE(LoadText(entry.id).size(), kMaxLoadedText);
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
