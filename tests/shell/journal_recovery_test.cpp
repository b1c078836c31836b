// The journal of unsaved edits end to end: an editor that goes without
// closing its windows (as a crash would) leaves its documents in the
// journal; the next frame offers them, reopens them modified with their
// host information, and saving the recovered host document writes exactly
// what saving it before the crash would have written.
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QTreeWidget>
#include <filesystem>

#include "core/main_menu.h"
#include "editor/ui/editor_window.h"
#include "shell/frame_journal.h"
#include "shell/main_frame.h"
#include "shell/recover_dialog.h"
#include "support/event_wait.h"
#include "support/host_frame.h"
#include "support/modal_dialog.h"

namespace vandrel::shell {
namespace {

using testing::kPayrollSource;
using testing::Lines;
using testing::ModalAnswer;
using testing::ReadTextFile;
using testing::Record;
using testing::WaitFor;
using testing::WriteTextFile;

std::vector<std::filesystem::path> Journals(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    if (entry.path().extension() == ".journal") found.push_back(entry.path());
  }
  return found;
}

class JournalRecovery : public testing::HostFrameTest {
 protected:
  void SetUp() override {
    source_ = dir_ / "root" / "DEMO" / "SOURCE";
    std::filesystem::create_directories(source_ / ".tandrill");
    WriteTextFile(source_ / "PAYROLL", Lines(kPayrollSource));
    WriteTextFile(source_ / ".tandrill" / "PAYROLL", testing::kCobolAttributes);
    StartAgent("mpe", "mpe.vdp", true);
  }

  std::filesystem::path source_;
  std::filesystem::path journal_ = dir_ / "state" / "vandrel";
};

TEST_F(JournalRecovery, ACrashedEditorsDocumentsComeBackAndSaveAsTheyWouldHave) {
  const std::filesystem::path local = dir_ / "notes.txt";
  WriteTextFile(local, "first\nsecond\n");

  MainFrame* frame = &NewFrame();
  frame->StartJournal(journal_);
  ASSERT_TRUE(frame->journal()->running()) << frame->journal()->startError();
  frame->settings().SpecialOptions = 1;  // documents keep their host lock
  ui::EditorWindow* host = OpenInProject(*frame, "mpe.vdp", "/DEMO/SOURCE/PAYROLL");
  ASSERT_NE(host, nullptr);
  ASSERT_NE(host->hostLock(), -1);
  QsciScintilla* text = host->control()->scintilla();
  const int at = text->text(1).indexOf("PAYROLL");
  text->setSelection(1, at, 1, at + 7);
  text->replaceSelectedText("PAYCALC");
  text->insertAt("\n     DISPLAY \"NEW\".", 2, text->text(2).trimmed().size() + 1);
  frame->OpenLocalFile(QString::fromStdString(local.string()));
  ASSERT_TRUE(WaitFor([&] { return frame->EditorWindows().size() == 2; }));
  frame->EditorWindows().back()->control()->scintilla()->insertAt("changed ", 1, 0);

  // Both are journaled once typing pauses.
  ASSERT_TRUE(WaitFor([&] { return Journals(journal_).size() == 2; }));
  frame->journal()->Flush();
  const std::filesystem::path kept = dir_ / "kept";
  std::filesystem::create_directories(kept);
  for (const auto& journal : Journals(journal_)) {
    std::filesystem::copy_file(journal, kept / journal.filename());
  }

  // What saving before the crash writes; then the host file as it was.
  const auto loadedTime = std::filesystem::last_write_time(source_ / "PAYROLL");
  ASSERT_TRUE(host->Save());
  ASSERT_TRUE(WaitFor([&] { return !host->transferRunning() && !frame->busy(); }));
  ASSERT_FALSE(host->isModified());
  const std::string savedBefore = ReadTextFile(source_ / "PAYROLL");
  const std::string attributesBefore = ReadTextFile(source_ / ".tandrill" / "PAYROLL");
  ASSERT_NE(savedBefore, Lines(kPayrollSource));

  // The editor goes without closing anything, as a crash would; its
  // journals are what it left.
  frame_.reset();
  for (const auto& journal : Journals(journal_)) std::filesystem::remove(journal);
  for (const auto& journal : Journals(kept)) {
    std::filesystem::copy_file(journal, journal_ / journal.filename());
  }
  WriteTextFile(source_ / "PAYROLL", Lines(kPayrollSource));
  WriteTextFile(source_ / ".tandrill" / "PAYROLL", testing::kCobolAttributes);
  std::filesystem::last_write_time(source_ / "PAYROLL", loadedTime);

  frame = &NewFrame();
  frame->StartJournal(journal_);
  frame->settings().SpecialOptions = 1;
  ASSERT_TRUE(frame->OpenProject((dir_ / "mpe.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame->connected() && !frame->busy(); }));
  int offered = 0;
  {
    ModalAnswer<RecoverDialog> answer([&](RecoverDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "Recover unsaved changes");
      offered = dialog.list()->topLevelItemCount();
      dialog.done(RecoverDialog::kRecover);
    });
    frame->OfferRecovery();
  }
  ASSERT_EQ(offered, 2);
  ASSERT_EQ(frame->EditorWindows().size(), 2u);
  ui::EditorWindow* recovered = nullptr;
  for (ui::EditorWindow* window : frame->EditorWindows()) {
    if (window->documentName() == "/DEMO/SOURCE/PAYROLL") recovered = window;
  }
  ASSERT_NE(recovered, nullptr);
  EXPECT_TRUE(recovered->isModified());
  EXPECT_EQ(recovered->hostLock(), -1);
  EXPECT_TRUE(recovered->format().formatFlags & kFormatRecordForm);
  for (ui::EditorWindow* window : frame->EditorWindows()) {
    if (window == recovered) continue;
    EXPECT_EQ(window->documentName(), local.string());
    EXPECT_EQ(window->control()->scintilla()->text(1).toStdString(), "changed second");
    EXPECT_TRUE(window->isModified());
  }
  // The old journals went once the reopened windows had their own.
  for (const auto& journal : Journals(kept)) {
    EXPECT_FALSE(std::filesystem::exists(journal_ / journal.filename()));
  }
  EXPECT_EQ(Journals(journal_).size(), 2u);

  // Saved, it writes what the save before the crash wrote, byte for byte.
  ASSERT_TRUE(recovered->Save());
  ASSERT_TRUE(WaitFor([&] { return !recovered->transferRunning() && !frame->busy(); }));
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  EXPECT_FALSE(recovered->isModified());
  EXPECT_EQ(ReadTextFile(source_ / "PAYROLL"), savedBefore);
  EXPECT_EQ(ReadTextFile(source_ / ".tandrill" / "PAYROLL"), attributesBefore);
  // A clean save takes its journal away.
  frame->journal()->Flush();
  EXPECT_EQ(Journals(journal_).size(), 1u);
}

}  // namespace
}  // namespace vandrel::shell
