// The "File Has Been Changed" question: its texts, Compare showing the
// host's text beside ours without sequence numbers, and the question asked
// from a worker thread answered on this one.
#include "editor/ui/file_changed_dialog.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <atomic>
#include <thread>

#include "documents/host_file_info.h"
#include "support/modal_dialog.h"
#include "support/temp_dir.h"

namespace vandrel::ui {
namespace {

using testing::ModalAnswer;

QPushButton* Button(QWidget& dialog, const QString& text) {
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    if (button->text() == text) return button;
  }
  return nullptr;
}

class FileChangedDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    question.hostPath = "/DEV/SRC/PROG";
    question.loaded.size = 1234;
    question.loaded.modifyTime = 1765000000;
    question.current.size = 1234567;
    question.current.modifyTime = 1765003600;
    question.transferOptions = kOptionModeBytes | kOptionProgress;
    // Both versions numbered at the start; ours renumbered, one line edited
    // and one added; theirs has a line of its own.
    question.currentBytes =
        "00010 IDENTIFICATION DIVISION.\n00020 PROGRAM-ID. PROG.\n00030 THEIR LINE.\n"
        "00040 PROCEDURE DIVISION.\n00050     STOP RUN.\n";
    question.uploadFile = dir / "upload.txt";
    const std::string ours =
        "00100 IDENTIFICATION DIVISION.   \n00200 PROGRAM-ID. PROG2.\n00300 PROCEDURE DIVISION.\n"
        "00400     DISPLAY 'HI'.\n00500     STOP RUN.\n";
    testing::WriteBytes(question.uploadFile, std::vector<std::uint8_t>(ours.begin(), ours.end()));
  }

  testing::TempDir dir;
  remote::OverwriteCase question;
};

TEST_F(FileChangedDialogTest, ShowsBothVersionsAndComparesTheirTextsWithoutNumbers) {
  FileChangedDialog dialog(question);
  EXPECT_EQ(dialog.windowTitle(), "File Has Been Changed");
  EXPECT_EQ(dialog.text(),
            "The file '/DEV/SRC/PROG' has been altered on the server since you began editing. Do "
            "you want to overwrite the newer file ?");
  EXPECT_EQ(dialog.loadedSize(), "1,234 bytes");
  EXPECT_EQ(dialog.currentSize(), "1,234,567 bytes");
  EXPECT_EQ(dialog.loadedTime().toStdString(), FormatHostTime(question.loaded.modifyTime));
  EXPECT_EQ(dialog.currentTime().toStdString(), FormatHostTime(question.current.modifyTime));
  for (const char* text : {"&Yes", "&No", "Cancel", "Co&mpare"}) {
    EXPECT_NE(Button(dialog, text), nullptr) << text;
  }
  dialog.show();
  EXPECT_TRUE(dialog.grab().save("/tmp/file_changed_dialog.png"));

  {
    ModalAnswer<FileCompareDialog> answer([](FileCompareDialog& compare) {
      const std::vector<DiffRow>& rows = compare.model()->rows();
      // Left: the host's current text; right: ours. Numbers and trailing
      // blanks make no difference.
      ASSERT_EQ(rows.size(), 6u);
      EXPECT_EQ(rows[0].kind, DiffRowKind::kBoth);
      EXPECT_EQ(rows[1].kind, DiffRowKind::kChanged);
      EXPECT_EQ(rows[2].kind, DiffRowKind::kLeftOnly);
      EXPECT_EQ(rows[3].kind, DiffRowKind::kBoth);
      EXPECT_EQ(rows[4], (DiffRow{DiffRowKind::kRightOnly, DiffRow::kNoLine, 3}));
      EXPECT_EQ(rows[5].kind, DiffRowKind::kBoth);
      CompareModel& model = *compare.model();
      EXPECT_EQ(model.headerData(CompareModel::kLeftText, Qt::Horizontal).toString(),
                "Most recently modified file");
      EXPECT_EQ(model.data(model.index(0, CompareModel::kLeftText)).toString(),
                " IDENTIFICATION DIVISION.");
      EXPECT_EQ(model.data(model.index(0, CompareModel::kRightText)).toString(),
                " IDENTIFICATION DIVISION.");
      EXPECT_EQ(model.data(model.index(2, CompareModel::kLeftText)).toString(), " THEIR LINE.");
      EXPECT_FALSE(model.data(model.index(2, CompareModel::kRightText)).isValid());
      EXPECT_EQ(model.data(model.index(4, CompareModel::kRightNumber)).toString(), "4");
      EXPECT_FALSE(
          model.data(model.index(0, CompareModel::kLeftText), Qt::BackgroundRole).isValid());
      EXPECT_TRUE(
          model.data(model.index(1, CompareModel::kLeftText), Qt::BackgroundRole).isValid());
      EXPECT_EQ(compare.summary(), "3 line(s) differ.");
      // The view starts at the first difference.
      EXPECT_EQ(compare.view()->currentIndex().row(), 1);
      EXPECT_TRUE(compare.grab().save("/tmp/file_compare_dialog.png"));
      compare.accept();
    });
    Button(dialog, "Co&mpare")->click();
  }

  Button(dialog, "&Yes")->click();
  EXPECT_EQ(dialog.result(), kIdYes);
}

TEST_F(FileChangedDialogTest, WithoutTheHostsBytesThereIsNothingToCompareAndOnlyYesOverwrites) {
  question.currentBytes.reset();
  FileChangedDialog dialog(question);
  EXPECT_FALSE(Button(dialog, "Co&mpare")->isEnabled());

  // Asked from a worker, answered here.
  QObject context;
  const auto ask = MakeDialogOverwriteQuestion(&context);
  for (const auto& [button, overwrite] :
       std::vector<std::pair<QString, bool>>{{"&No", false}, {"Cancel", false}, {"&Yes", true}}) {
    std::atomic<int> result{-1};
    ModalAnswer<FileChangedDialog> answer(
        [button = button](FileChangedDialog& shown) { Button(shown, button)->click(); });
    std::thread worker([&] { result = ask->ConfirmOverwrite(question) ? 1 : 0; });
    QElapsedTimer timer;
    timer.start();
    while (result < 0 && timer.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    worker.join();
    EXPECT_EQ(result, overwrite ? 1 : 0) << button.toStdString();
  }
}

}  // namespace
}  // namespace vandrel::ui
