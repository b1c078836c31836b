#include "documents/load_request.h"

#include <gtest/gtest.h>

#include "core/string_ids.h"

namespace vandrel {
namespace {

DocumentFormat NumberedDocument(std::int32_t position) {
  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  format.numbering = {position, 8, 10000, 10000};
  return format;
}

TEST(BuildLoadRequest, SetsTheFlagsOfThePlainAndRecordForms) {
  DocumentFormat plain;
  LoadRequest request = BuildLoadRequest(plain, nullptr, 0);
  EXPECT_EQ(request.flags, kLoadRequestAlways);
  EXPECT_FALSE(request.characterTable);

  DocumentFormat record;
  record.formatFlags = kFormatRecordForm;
  record.editFlags = kEditTrim | kEditCobol85 | kEditSaveTabsAsSpaces;
  request = BuildLoadRequest(record, nullptr, 120);
  EXPECT_EQ(request.flags, 0x0001u | 0x0002u | 0x0010u | 0x0040u | 0x0080u);
  EXPECT_EQ(request.dataOffset, 120);

  CharacterTable table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(255 - i);
  request = BuildLoadRequest(plain, nullptr, 0, &table);
  EXPECT_EQ(request.flags, kLoadRequestAlways | 0x4000u);
  ASSERT_TRUE(request.characterTable);
  EXPECT_EQ(*request.characterTable, table);
}

TEST(BuildLoadRequest, RemovesNumbersOnlyWhenTheTemplateAsksAndTheFileHasThem) {
  DocumentFormat format = NumberedDocument(72);
  // Numbers stay part of the text without RemoveLineNumbers.
  LoadRequest request = BuildLoadRequest(format, nullptr, 0);
  EXPECT_EQ(request.flags & kLoadRequestRemoveNumbers, 0u);
  EXPECT_EQ(request.numberColumn, 0);
  EXPECT_EQ(request.numberDigits, 0);
  EXPECT_FALSE(ApplyLoadRequestNumbering(format, request));
  EXPECT_EQ(format.activeNumbering, DocumentNumbering{});

  format.editFlags = kEditRemoveLineNumbers;
  request = BuildLoadRequest(format, nullptr, 0);
  EXPECT_EQ(request.flags, kLoadRequestAlways | kLoadRequestRecordForm | 0x0020u);
  EXPECT_EQ(request.numberColumn, 71);
  EXPECT_EQ(request.numberDigits, 8);
  EXPECT_EQ(request.numberStart, 10000);
  EXPECT_EQ(request.numberIncrement, 10000);
  EXPECT_TRUE(ApplyLoadRequestNumbering(format, request));
  EXPECT_EQ(format.activeNumbering, format.numbering);

  // Sequence not kept: renumbered.
  format.editFlags = kEditRemoveLineNumbers | kEditRenumber;
  EXPECT_EQ(BuildLoadRequest(format, nullptr, 0).flags & 0x0820u, 0x0820u);

  // Numbers at the start: column 0.
  format = NumberedDocument(1);
  format.editFlags = kEditRemoveLineNumbers;
  EXPECT_EQ(BuildLoadRequest(format, nullptr, 0).numberColumn, 0);

  // No position or no digits: nothing to remove.
  format = NumberedDocument(0);
  format.editFlags = kEditRemoveLineNumbers | kEditRenumber;
  EXPECT_EQ(BuildLoadRequest(format, nullptr, 0).flags & 0x0820u, 0u);
  format = NumberedDocument(72);
  format.numbering.digits = 0;
  format.editFlags = kEditRemoveLineNumbers;
  EXPECT_EQ(BuildLoadRequest(format, nullptr, 0).flags & 0x0020u, 0u);
}

TEST(LoadResultMessageId, MapsTheControlsCodes) {
  EXPECT_EQ(LoadResultMessageId(0), 0);
  EXPECT_EQ(LoadResultMessageId(2), kStrLoadOutOfMemory);
  EXPECT_EQ(LoadResultMessageId(3), kStrLoadFormatNotRecognised);
  EXPECT_EQ(LoadResultMessageId(5), kStrLoadFileCorrupted);
  EXPECT_EQ(LoadResultMessageId(6), kStrLoadFileCorrupted);
  EXPECT_EQ(LoadResultMessageId(1), kStrOpenFileFailed);
  EXPECT_EQ(LoadResultMessageId(4), kStrOpenFileFailed);
  EXPECT_EQ(LoadResultMessageId(-1), kStrOpenFileFailed);
}

TEST(QeditLastLine, ReadsByte46OfALongEnoughLabelBlock) {
  DocumentFormat format;
  format.formatFlags = kFormatRecordForm | kFormatQedit;
  format.mpe.labelBlock.assign(51, 0);
  format.mpe.labelBlock[46] = 0x00;
  format.mpe.labelBlock[47] = 0x01;
  format.mpe.labelBlock[48] = 0x02;
  format.mpe.labelBlock[49] = 0x03;
  EXPECT_EQ(QeditLastLine(format), 0x010203);

  format.mpe.labelBlock.resize(50);  // not longer than 50 bytes
  EXPECT_EQ(QeditLastLine(format), 0);
  format.mpe.labelBlock.resize(300);
  format.formatFlags = kFormatRecordForm;  // not a Qedit document
  EXPECT_EQ(QeditLastLine(format), 0);
  format.formatFlags |= kFormatQedit;
  format.mpe.labelBlock[46] = 0x80;  // beyond 31 bits: no line
  EXPECT_EQ(QeditLastLine(format), 0);
}

}  // namespace
}  // namespace vandrel
