#include "documents/mpe_page_model.h"

#include <gtest/gtest.h>

#include "core/string_ids.h"

namespace vandrel {
namespace {

DocumentFormat MpeDocument() {
  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  format.mpe.fcode = 1052;
  format.mpe.reclen = 132;
  format.mpe.type = 1;
  format.mpe.mode = 0;
  format.mpe.bfact = 16;
  return format;
}

TEST(ChangeFileCode, QeditIsRefusedWithoutQeditOnTheHost) {
  DocumentFormat format = MpeDocument();
  const DocumentFormat before = format;
  const FileCodeChange change = ChangeFileCode(format, 111, false);
  EXPECT_FALSE(change.accepted);
  EXPECT_EQ(change.messageId, kStrQeditNotLicensed);
  EXPECT_FALSE(change.qeditPageAdded);
  EXPECT_EQ(format.mpe, before.mpe);
  EXPECT_EQ(format.formatFlags, before.formatFlags);
}

TEST(ChangeFileCode, ChoosingQeditMakesAQeditFile) {
  DocumentFormat format = MpeDocument();
  const FileCodeChange change = ChangeFileCode(format, 111, true);
  EXPECT_TRUE(change.accepted);
  EXPECT_TRUE(change.qeditPageAdded);
  EXPECT_EQ(format.mpe.fcode, 111);
  EXPECT_EQ(format.qedit.reclen, 132);  // the old record length
  EXPECT_EQ(format.qedit.lang, 6);
  EXPECT_EQ(format.mpe.type, 0);
  EXPECT_EQ(format.mpe.mode, 0);
  EXPECT_EQ(format.mpe.reclen, 512);
  EXPECT_EQ(format.formatFlags, kFormatRecordForm | kFormatQedit);
}

TEST(ChangeFileCode, QeditThenDefaultGivesAnAsciiFileOfEightyBytes) {
  for (std::int32_t mode : {0, 1}) {
    DocumentFormat format = MpeDocument();
    format.mpe.mode = mode;
    ASSERT_TRUE(ChangeFileCode(format, 111, true).accepted);
    const FileCodeChange change = ChangeFileCode(format, 0, false);
    EXPECT_TRUE(change.accepted);
    EXPECT_TRUE(change.qeditPageRemoved);
    EXPECT_EQ(format.mpe.fcode, 0);
    EXPECT_EQ(format.mpe.reclen, 80);
    EXPECT_EQ(format.mpe.mode, 1);
    EXPECT_EQ(format.mpe.type, 0);
    EXPECT_EQ(format.mpe.bfact, 1);
    EXPECT_EQ(format.formatFlags, kFormatRecordForm);
  }
}

TEST(ChangeFileCode, OtherChangesOnlySetRecordForm) {
  DocumentFormat format = MpeDocument();
  format.formatFlags = kFormatRecordForm | kFormatLocal;
  ASSERT_TRUE(ChangeFileCode(format, 1029, false).accepted);
  EXPECT_EQ(format.mpe.fcode, 1029);
  EXPECT_EQ(format.mpe.reclen, 132);
  EXPECT_EQ(format.mpe.type, 1);
  EXPECT_EQ(format.formatFlags, kFormatRecordForm | kFormatLocal);  // still a local file

  // Choosing the code a Qedit file already has keeps its Qedit record length.
  DocumentFormat qedit = MpeDocument();
  ASSERT_TRUE(ChangeFileCode(qedit, 111, true).accepted);
  const FileCodeChange again = ChangeFileCode(qedit, 111, true);
  EXPECT_TRUE(again.accepted);
  EXPECT_FALSE(again.qeditPageAdded);
  EXPECT_EQ(qedit.qedit.reclen, 132);
}

TEST(PageChoices, ListsMapToValues) {
  DocumentFormat format = MpeDocument();
  EXPECT_TRUE(ChooseRecordType(format, 4));
  EXPECT_EQ(format.mpe.type, 9);
  EXPECT_FALSE(ChooseRecordType(format, 5));
  EXPECT_EQ(format.mpe.type, 9);
  EXPECT_TRUE(ChooseFileMode(format, 1));
  EXPECT_EQ(format.mpe.mode, 1);
  EXPECT_FALSE(ChooseFileMode(format, 2));
  EXPECT_TRUE(ChooseQeditLanguage(format, 8));
  EXPECT_EQ(format.qedit.lang, 8);
  EXPECT_TRUE(ChooseLineEnds(format, 1));
  EXPECT_EQ(format.lineEnds, kLineEndLf);
  EXPECT_TRUE(ChooseTabSize(format, "(default)"));
  EXPECT_EQ(format.tabWidth, 0);
  EXPECT_TRUE(ChooseTabSize(format, "3"));
  EXPECT_EQ(format.tabWidth, 3);
  EXPECT_FALSE(ChooseTabSize(format, "three"));
  EXPECT_EQ(format.tabWidth, 3);
}

TEST(PageText, SizeIsGroupedInThousands) {
  EXPECT_EQ(GroupThousands(0, ","), "0");
  EXPECT_EQ(GroupThousands(999, ","), "999");
  EXPECT_EQ(GroupThousands(1234567, ","), "1,234,567");
  EXPECT_EQ(GroupThousands(-1234, "."), "-1.234");
  EXPECT_EQ(GroupThousands(INT64_MIN, ","), "-9,223,372,036,854,775,808");
  EXPECT_EQ(FileSizeText(1234567, 40210, ","), "1,234,567 bytes (40,210 lines)");
  EXPECT_EQ(FileSizeText(0, 1, ","), "0 bytes (0 lines)");  // an empty text has no lines
}

TEST(PageText, GeneralPage) {
  DocumentFormat format;
  format.fileInfo.name = "PROG1";
  format.fileInfo.modifyTime = 1700000000;
  format.templateName = "COBOL";
  format.lineEnds = kLineEndCr | kLineEndLf;
  GeneralPageText page = MakeGeneralPage(format, 2048, 64, ",");
  EXPECT_EQ(page.fileName, "PROG1");
  EXPECT_EQ(page.templateName, "COBOL");
  EXPECT_EQ(page.size, "2,048 bytes (64 lines)");
  EXPECT_EQ(page.lastModified, "2023-11-14 22:13");
  EXPECT_EQ(page.tabSize, "(default)");
  EXPECT_EQ(page.lineEndChoice, 2);
  EXPECT_TRUE(page.lineEndEnabled);

  format = MpeDocument();
  page = MakeGeneralPage(format, 0, 1, ",");
  EXPECT_EQ(page.lastModified, "Not available");
  EXPECT_FALSE(page.lineEndEnabled);
  EXPECT_EQ(page.lineEndChoice, -1);
  EXPECT_TRUE(ShowsMpePage(format));
  EXPECT_FALSE(ShowsQeditPage(format));
}

TEST(PageText, MpeAndQeditPages) {
  DocumentFormat format = MpeDocument();
  format.mpe.type = 9;
  format.mpe.labels = 2;
  MpePageText mpe = MakeMpePage(format);
  EXPECT_EQ(mpe.fileCode, "(EDTCT) - EDIT/3000 text file (COBOL)");
  EXPECT_GE(mpe.fileCodeChoice, 0);
  EXPECT_EQ(mpe.recordTypeChoice, 4);
  EXPECT_EQ(mpe.modeChoice, 0);
  EXPECT_EQ(mpe.recordSize, "132");
  EXPECT_EQ(mpe.userLabels, "2");
  format.mpe.fcode = 4242;
  mpe = MakeMpePage(format);
  EXPECT_EQ(mpe.fileCodeChoice, -1);
  EXPECT_EQ(mpe.fileCode, "4242");

  format.qedit = {1, 3, 80, 1200, 0, 0};
  QeditPageText qedit = MakeQeditPage(format);
  EXPECT_EQ(qedit.languageChoice, 3);
  EXPECT_EQ(qedit.recordSize, "80");
  EXPECT_EQ(qedit.endOfFile, "1200");
  EXPECT_EQ(qedit.alignment, "n/a");
  format.qedit.lnl = 8;
  EXPECT_EQ(MakeQeditPage(format).alignment, "Right");
  format.qedit.lnj = 1;
  EXPECT_EQ(MakeQeditPage(format).alignment, "Left");
}

}  // namespace
}  // namespace vandrel
