#include "shell/main_frame.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QStatusBar>

namespace vandrel::shell {
namespace {

TEST(MainFrame, CaptionAndEmptyDocumentArea) {
  MainFrame frame;
  frame.show();
  EXPECT_EQ(frame.windowTitle(), "Zorvant Vandrel");
  ASSERT_NE(frame.documentArea(), nullptr);
  EXPECT_EQ(frame.centralWidget(), frame.documentArea());
  EXPECT_TRUE(frame.documentArea()->subWindowList().isEmpty());
  EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
}

}  // namespace
}  // namespace vandrel::shell
