#include "documents/save_document.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "core/recent_list.h"
#include "core/string_ids.h"
#include "documents/document_loader.h"
#include "documents/header_records.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RecordingProgress : public ProgressReporter {
 public:
  void ShowStatus(std::string_view text) override { statuses.emplace_back(text); }
  void SetProgress(int) override {}
  void ClearProgress() override { ++clears; }
  std::vector<std::string> statuses;
  int clears = 0;
};

class FakeUploader : public Uploader {
 public:
  bool QueueUpload(const UploadRequest& request) override {
    requests.push_back(request);
    return accept;
  }
  std::vector<UploadRequest> requests;
  bool accept = true;
};

// An editor window and its control with the lines in memory. The control
// writes each line as one record in record form and as text with the
// requested line ends otherwise.
class FakeDocument : public SaveWindow, public SaveEditor {
 public:
  std::vector<std::string> lines;
  DocumentFormat format;
  bool uploadRunning = false;
  std::string cobolToken = "TOKEN";
  std::int32_t caretLine = 1;
  bool failWrite = false;  // the control writes part of the text, then fails
  const CharacterTable* table = nullptr;

  // What the window and control were told.
  std::vector<std::string> tokenTexts;
  std::vector<SaveRequest> requests;
  std::vector<std::pair<std::int32_t, bool>> caretMoves;
  std::vector<std::pair<std::string, SaveKind>> saved;
  std::vector<bool> transfer;
  std::vector<std::string> created;
  int textSaved = 0;
  int lockReleases = 0;
  int failures = 0;
  int closes = 0;

  DocumentFormat& Format() override { return format; }
  SaveEditor& Editor() override { return *this; }
  bool UploadRunning() override { return uploadRunning; }
  std::string CobolToken() override { return cobolToken; }
  const CharacterTable* TranslationTable() override { return table; }
  std::int32_t CaretLine() override { return caretLine; }
  void MoveCaretToLine(std::int32_t line, bool errorMark) override {
    caretMoves.emplace_back(line, errorMark);
  }
  void ReleaseHostLock() override { ++lockReleases; }
  void SetTransferRunning(bool running) override { transfer.push_back(running); }
  void DocumentSaved(const std::string& name, SaveKind kind) override {
    saved.emplace_back(name, kind);
  }
  void HostFileCreated(const std::string& hostPath) override { created.push_back(hostPath); }
  void HostSaveFailed(const UploadOutcome&) override { ++failures; }
  void CloseAfterSave() override { ++closes; }

  void SetCobolTokenText(std::string_view text) override { tokenTexts.emplace_back(text); }
  LongestLine MeasureLongestLine(bool) override {
    LongestLine longest;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (static_cast<std::int32_t>(lines[i].size()) > longest.width) {
        longest = {static_cast<std::int32_t>(lines[i].size()), static_cast<std::int32_t>(i)};
      }
    }
    return longest;
  }
  std::int32_t LineCount() override { return static_cast<std::int32_t>(lines.size()); }
  bool WriteSaveRequest(const SaveRequest& request) override {
    requests.push_back(request);
    EXPECT_EQ(::lseek(request.fd, 0, SEEK_CUR), request.dataOffset);
    std::vector<std::uint8_t> out;
    for (const std::string& line : lines) {
      std::string text = line;
      if (request.characterTable) {
        for (char& c : text) c = static_cast<char>((*request.characterTable)[std::uint8_t(c)]);
      }
      if (request.flags & kSaveRequestRecordForm) {
        AppendRecord(out, text);
      } else {
        if (request.flags & kSaveRequestCr) text += '\r';
        if (request.flags & kSaveRequestLf) text += '\n';
        out.insert(out.end(), text.begin(), text.end());
      }
    }
    if (failWrite) out.resize(out.size() / 2);
    const bool written = ::write(request.fd, out.data(), out.size()) == ssize_t(out.size());
    return written && !failWrite;
  }
  bool WriteText(int fd) override {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return !failWrite && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
  }
  void TextSaved() override { ++textSaved; }
};

// A record-form file as the host upload sends it, taken apart.
struct Uploaded {
  std::optional<QeditHeader> qedit;
  std::optional<MpeHeader> mpe;
  std::string mpeText;
  std::vector<std::string> records;
  std::vector<std::uint8_t> raw;
};

Uploaded ReadUploaded(const std::filesystem::path& path) {
  Uploaded result;
  result.raw = testing::ReadBytes(path);
  MemorySource source(result.raw);
  std::vector<std::uint8_t> record;
  while (ReadRecord(source, record) == RecordRead::kOk) {
    std::string text(record.begin(), record.end());
    if (!result.mpe && !result.qedit && text.starts_with("QVER=")) {
      result.qedit.emplace();
      EXPECT_EQ(ParseQeditHeader(text, *result.qedit), 0);
    } else if (!result.mpe) {
      result.mpe.emplace();
      result.mpeText = text;
      EXPECT_EQ(ParseMpeHeader(text, *result.mpe), 0) << text;
    } else {
      result.records.push_back(text);
    }
  }
  return result;
}

void ExpectSameFormat(const DocumentFormat& a, const DocumentFormat& b) {
  EXPECT_EQ(a.formatFlags, b.formatFlags);
  EXPECT_EQ(a.lineEnds, b.lineEnds);
  EXPECT_EQ(a.lockId, b.lockId);
  EXPECT_EQ(a.fileInfo, b.fileInfo);
  EXPECT_EQ(a.mpe, b.mpe);
  EXPECT_EQ(a.qedit, b.qedit);
  EXPECT_EQ(a.activeNumbering, b.activeNumbering);
}

std::string Text(int id) { return LoadText(id); }

template <typename... Args>
std::string Message(int id, const Args&... args) {
  return FormatText(LoadText(id), args...);
}

constexpr unsigned kQuestion = kMbYesNo | kMbIconQuestion;
constexpr unsigned kWarning = kMbOk | kMbIconWarning;

class SaveDocumentTest : public ::testing::Test {
 protected:
  SaveDocumentTest() { std::filesystem::create_directories(tmp_); }

  // A fixed-record MPE document as downloaded from an MPE/iX host.
  void MakeMpeDocument(std::int32_t type, std::int32_t reclen) {
    doc_.format.formatFlags = kFormatRecordForm;
    doc_.format.mpe = StandardMpeHeader();
    doc_.format.mpe.fcode = 1052;
    doc_.format.mpe.type = type;
    doc_.format.mpe.reclen = reclen;
    doc_.format.mpe.limit = 5000;
  }
  void MakeQeditDocument(std::int32_t reclen) {
    MakeMpeDocument(0, reclen);
    doc_.format.formatFlags |= kFormatQedit;
    doc_.format.mpe.fcode = 111;
    doc_.format.qedit = {1, 5, reclen, 0, 8, 0};
  }

  DocumentSaveResult SaveHost(bool closing = false) {
    return SaveDocument(doc_, {SaveKind::kHost, "/SYS/PUB/SOURCE", false, closing}, services_);
  }
  DocumentSaveResult SaveLocal(const std::filesystem::path& path) {
    return SaveDocument(doc_, {SaveKind::kLocal, path.string(), false, false}, services_);
  }
  Uploaded LastUpload() {
    EXPECT_FALSE(uploader_.requests.empty());
    if (uploader_.requests.empty()) return {};
    return ReadUploaded(uploader_.requests.back().temporaryFile);
  }
  // Removes the files of queued uploads, as their completions would.
  void ForgetUploads() {
    for (const UploadRequest& request : uploader_.requests) {
      std::filesystem::remove(request.temporaryFile);
    }
    uploader_.requests.clear();
  }
  std::vector<std::string> TemporaryFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(tmp_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  std::vector<std::string> Recent(std::string_view list) {
    std::vector<std::string> entries;
    std::string entry;
    for (int i = 1; RecentListEntry(settings_, list, i, &entry); ++i) entries.push_back(entry);
    return entries;
  }
  // A refused save: nothing queued, no temporary file, the record as it was.
  void ExpectRefused(const DocumentSaveResult& result, const DocumentFormat& before) {
    EXPECT_FALSE(result);
    EXPECT_THAT(uploader_.requests, IsEmpty());
    EXPECT_THAT(TemporaryFiles(), IsEmpty());
    ExpectSameFormat(doc_.format, before);
    EXPECT_THAT(doc_.saved, IsEmpty());
    EXPECT_EQ(doc_.textSaved, 0);
  }

  testing::TempDir dir_;
  std::filesystem::path tmp_ = dir_ / "tmp";
  testing::ScriptedUserInterface ui_;
  RecordingProgress progress_;
  FakeUploader uploader_;
  SettingsStore settings_{dir_ / "settings.reg"};
  SaveServices services_{.ui = ui_,
                         .progress = progress_,
                         .host = {.requestEngineAvailable = true,
                                  .mpeHost = true,
                                  .qeditInstalled = true,
                                  .hostLocking = true},
                         .uploader = &uploader_,
                         .settings = &settings_,
                         .expandDateStamps = {},
                         .temporaryFolder = tmp_};
  FakeDocument doc_;
};

// ---- The save request ---------------------------------------------------------

TEST(SaveRequestTest, FlagsFollowTheFormatRecord) {
  DocumentFormat format;
  format.lineEnds = kLineEndCr | kLineEndLf;
  EXPECT_EQ(BuildSaveRequest(format, 3, 0).flags,
            kSaveRequestAlways | kSaveRequestCr | kSaveRequestLf);
  format.lineEnds = kLineEndCr;
  EXPECT_EQ(BuildSaveRequest(format, 3, 0).flags, kSaveRequestAlways | kSaveRequestCr);
  // A text whose line ends are not known gets LF; records get no line end.
  format.lineEnds = 0;
  EXPECT_EQ(BuildSaveRequest(format, 3, 0).flags, kSaveRequestAlways | kSaveRequestLf);
  format.formatFlags = kFormatRecordForm;
  EXPECT_EQ(BuildSaveRequest(format, 3, 120).flags,
            kSaveRequestAlways | kSaveRequestRecordForm | kSaveRequestDataOffset);

  CharacterTable table{};
  table[65] = 66;
  format.editFlags = kEditSaveTabsAsSpaces;
  const SaveRequest request = BuildSaveRequest(format, 7, 120, &table);
  EXPECT_EQ(request.flags, kSaveRequestAlways | kSaveRequestRecordForm | kSaveRequestDataOffset |
                               kSaveRequestTabsAsSpaces | kSaveRequestTranslate);
  EXPECT_EQ(request.fd, 7);
  EXPECT_EQ(request.dataOffset, 120);
  ASSERT_TRUE(request.characterTable);
  EXPECT_EQ((*request.characterTable)[65], 66);
}

// ---- Width checks -----------------------------------------------------------

TEST_F(SaveDocumentTest, UploadStillRunningRefusesTheSave) {
  doc_.uploadRunning = true;
  doc_.lines = {"A"};
  const DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, Message(kStrUploadInProgress, "/SYS/PUB/SOURCE"));
  EXPECT_EQ(ui_.shown()[0].style, kWarning);
  EXPECT_THAT(doc_.requests, IsEmpty());
}

TEST_F(SaveDocumentTest, RightSideNumbersSetTheWidthAndRefuseAnOverlap) {
  MakeMpeDocument(1, 0);
  doc_.format.activeNumbering = {72, 8, 1000, 1000};
  doc_.lines = {"short", std::string(70, 'x')};
  ASSERT_TRUE(SaveHost());
  EXPECT_EQ(LastUpload().mpe->reclen, 80);  // 72 columns of text and 8 digits

  ForgetUploads();
  doc_.lines = {"short", std::string(73, 'x')};
  const DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, Message(kStrLineOverlapsNumbers, 2, 72));
  EXPECT_THAT(ui_.shown()[0].text, ::testing::HasSubstr("line 2 overlaps"));
  EXPECT_THAT(ui_.shown()[0].text, ::testing::HasSubstr("at column 72."));
  EXPECT_THAT(doc_.caretMoves, ElementsAre(std::pair(2, true)));
}

TEST_F(SaveDocumentTest, LeftNumbersAddTheirDigits) {
  MakeMpeDocument(1, 0);
  doc_.format.activeNumbering = {1, 6, 100, 100};
  doc_.lines = {std::string(66, 'x')};
  ASSERT_TRUE(SaveHost());
  EXPECT_EQ(LastUpload().mpe->reclen, 72);
}

TEST_F(SaveDocumentTest, Cobol85TokenAreaWidensToEightyAndRefusesColumn73) {
  MakeMpeDocument(1, 0);
  doc_.format.editFlags = kEditCobol85;
  doc_.cobolToken = "GS%yy%mm%dd-and-a-long-tail-beyond-thirty";
  services_.expandDateStamps = [](std::string_view token) {
    std::string out(token);
    out.replace(out.find("%yy%mm%dd"), 9, "240131");
    return out;
  };
  doc_.lines = {std::string(72, 'x')};
  ASSERT_TRUE(SaveHost());
  EXPECT_EQ(LastUpload().mpe->reclen, 80);
  EXPECT_THAT(doc_.tokenTexts, ElementsAre("GS240131-and-a-long-tail-beyon"));
  EXPECT_THAT(ui_.shown(), IsEmpty());

  ForgetUploads();
  doc_.lines = {"a", "b", std::string(73, 'x')};
  const DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, Message(kStrLineOverlapsCobolToken, 3));
  EXPECT_THAT(doc_.caretMoves, ElementsAre(std::pair(3, true)));
}

TEST_F(SaveDocumentTest, QeditNeedsQeditOnTheHost) {
  MakeQeditDocument(80);
  services_.host.qeditInstalled = false;
  doc_.lines = {"A"};
  const DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, Text(kStrQeditNotLicensed));
  // A local save of the same document is not a Qedit file.
  ASSERT_TRUE(SaveLocal(dir_ / "copy.txt"));
}

TEST_F(SaveDocumentTest, QeditRecordLengthRefusesALineAndAsksForTheTemplate) {
  MakeQeditDocument(72);
  doc_.lines = {"a", std::string(75, 'x')};
  DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  EXPECT_EQ(ui_.shown().back().text, Message(kStrLineExceedsQeditRecordLength, 2, 72));
  EXPECT_EQ(ui_.shown().back().style, kWarning);
  EXPECT_THAT(doc_.caretMoves, ElementsAre(std::pair(2, true)));

  // COBOL'85 makes the width 80 without a line: the user is asked.
  doc_.format.editFlags = kEditCobol85;
  doc_.lines = {"a"};
  before = doc_.format;
  ui_.Answer(kIdNo);
  ExpectRefused(SaveHost(), before);
  EXPECT_EQ(ui_.shown().back().text, Message(kStrIncreaseQeditRecordLength, 72, 80));
  EXPECT_EQ(ui_.shown().back().style, kQuestion);

  ui_.Answer(kIdYes);
  ASSERT_TRUE(SaveHost());
  const Uploaded upload = LastUpload();
  ASSERT_TRUE(upload.qedit);
  EXPECT_EQ(upload.qedit->reclen, 80);
  EXPECT_EQ(upload.qedit->eof, 1);
  EXPECT_EQ(doc_.format.qedit.reclen, 80);
  EXPECT_EQ(uploader_.requests.back().transferFlags,
            kOptionProgress | kOptionModeQedit | kOptionKeepLocked);
}

TEST_F(SaveDocumentTest, TemplateLimitAsksAndNoMovesTheCaret) {
  doc_.format.maximumLineLength = 20;
  doc_.format.templateName = "Pascal";
  doc_.lines = {"a", "b", std::string(25, 'x')};
  ui_.Answer(kIdNo);
  ExpectRefused(SaveLocal(dir_ / "f.pas"), doc_.format);
  EXPECT_EQ(ui_.shown().back().text, Message(kStrLineExceedsTemplateLimit, 3, "Pascal", 20));
  EXPECT_EQ(ui_.shown().back().style, kQuestion);
  EXPECT_THAT(doc_.caretMoves, ElementsAre(std::pair(3, false)));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "f.pas"));

  ui_.Answer(kIdYes);
  EXPECT_TRUE(SaveLocal(dir_ / "f.pas"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "f.pas"));
}

TEST_F(SaveDocumentTest, WidthSetByTheTokenAreaNamesTheLongestLine) {
  doc_.format.editFlags = kEditCobol85;
  doc_.format.maximumLineLength = 72;
  doc_.format.templateName = "COBOL";
  doc_.lines = {"a", std::string(10, 'x'), "b"};
  ui_.Answer(kIdNo);
  EXPECT_FALSE(SaveLocal(dir_ / "f.cbl"));
  EXPECT_EQ(ui_.shown().back().text, Message(kStrLineExceedsTemplateLimit, 2, "COBOL", 72));
}

TEST_F(SaveDocumentTest, HostSaveNeedsTheRequestEngine) {
  services_.host.requestEngineAvailable = false;
  doc_.lines = {"a"};
  ExpectRefused(SaveHost(), doc_.format);
  EXPECT_THAT(ui_.shown(), IsEmpty());
}

// ---- Host save --------------------------------------------------------------

TEST_F(SaveDocumentTest, QeditLineLimitAsksToConvert) {
  MakeQeditDocument(80);
  doc_.format.mpe.labels = 1;
  doc_.format.mpe.labelBlock.assign(60, 0);
  doc_.lines.assign(65535, "LINE");
  ui_.Answer(kIdNo);
  const DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  EXPECT_EQ(ui_.shown().back().text, Text(kStrQeditLineLimitExceeded));
  EXPECT_EQ(ui_.shown().back().style, kQuestion);

  ui_.Answer(kIdYes);
  ASSERT_TRUE(SaveHost());
  const Uploaded upload = LastUpload();
  EXPECT_FALSE(upload.qedit);
  ASSERT_TRUE(upload.mpe);
  EXPECT_EQ(upload.mpeText,
            "MVER=1 FCODE=0 LW=\"\" RECLEN=80 BFACT=1 TYPE=0 MODE=1 EOF=65535 "
            "LIMIT=00065535 #L=0 M#L=0 CCTL=0 ACD=\"\"");
  EXPECT_EQ(upload.records.size(), 65535u);
  EXPECT_FALSE(doc_.format.IsQedit());
  EXPECT_EQ(uploader_.requests.back().transferFlags,
            kOptionProgress | kOptionModeRecord | kOptionKeepLocked);

  // One line fewer is still a Qedit file.
  MakeQeditDocument(80);
  doc_.lines.pop_back();
  const std::size_t asked = ui_.shown().size();
  ASSERT_TRUE(SaveHost());
  EXPECT_EQ(ui_.shown().size(), asked);
  EXPECT_EQ(LastUpload().qedit->eof, 65534);
}

TEST_F(SaveDocumentTest, QeditKeepsTheCaretLineInItsLabels) {
  MakeQeditDocument(80);
  doc_.format.mpe.labels = 1;
  std::vector<std::uint8_t> labels;
  AppendRecord(labels, std::string(254, ' '));
  doc_.format.mpe.labelBlock = labels;
  doc_.caretLine = 0x01020304;
  doc_.lines = {"A", "B"};
  ASSERT_TRUE(SaveHost());
  labels[46] = 1;
  labels[47] = 2;
  labels[48] = 3;
  labels[49] = 4;
  EXPECT_EQ(doc_.format.mpe.labelBlock, labels);
  EXPECT_EQ(QeditLastLine(doc_.format), 0x01020304);
  const Uploaded upload = LastUpload();
  // The label block travels unchanged after the headers, the lines after it.
  ASSERT_GE(upload.records.size(), 3u);
  EXPECT_EQ(upload.records[0], std::string(labels.begin() + 2, labels.end()));
  EXPECT_THAT(std::vector(upload.records.begin() + 1, upload.records.end()), ElementsAre("A", "B"));
}

TEST_F(SaveDocumentTest, FixedRecordsAskToRaiseTheRecordLength) {
  MakeMpeDocument(0, 80);
  doc_.lines = {"a", std::string(100, 'x')};
  ui_.Answer(kIdNo);
  const DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  EXPECT_EQ(ui_.shown().back().text, Message(kStrLineExceedsRecordLength, 2, 80, 100));
  EXPECT_EQ(ui_.shown().back().style, kQuestion);
  EXPECT_THAT(doc_.caretMoves, ElementsAre(std::pair(2, true)));

  ui_.Answer(kIdYes);
  ASSERT_TRUE(SaveHost());
  const Uploaded upload = LastUpload();
  EXPECT_EQ(upload.mpe->reclen, 100);
  EXPECT_EQ(upload.mpe->eof, 2);
  // The file's room is kept.
  EXPECT_EQ(upload.mpe->limit, 5000);
  EXPECT_EQ(upload.mpe->fcode, 1052);
  EXPECT_EQ(doc_.format.mpe.reclen, 100);
}

TEST_F(SaveDocumentTest, FixedRecordsWidenedByTheTemplateAskTheOtherQuestion) {
  MakeMpeDocument(0, 72);
  doc_.format.editFlags = kEditCobol85;
  doc_.lines = {"a"};
  ui_.Answer(kIdNo);
  ExpectRefused(SaveHost(), doc_.format);
  EXPECT_EQ(ui_.shown().back().text, Message(kStrIncreaseRecordLength, 72, 80));
  EXPECT_THAT(doc_.caretMoves, IsEmpty());
}

TEST_F(SaveDocumentTest, VariableRecordsTakeTheLongestLineWithoutAQuestion) {
  MakeMpeDocument(1, 80);
  doc_.lines = {"a", std::string(100, 'x')};
  ASSERT_TRUE(SaveHost());
  EXPECT_THAT(ui_.shown(), IsEmpty());
  EXPECT_EQ(LastUpload().mpe->reclen, 100);
  // A record length never shrinks.
  doc_.lines = {"a"};
  ASSERT_TRUE(SaveHost());
  EXPECT_EQ(LastUpload().mpe->reclen, 100);
}

TEST_F(SaveDocumentTest, NewDocumentBecomesAStandardMpeFile) {
  doc_.format.formatFlags = kFormatLocal;
  doc_.format.lineEnds = kLineEndCr | kLineEndLf;
  doc_.lines = {"one", "three", "two"};
  ASSERT_TRUE(SaveHost());
  const Uploaded upload = LastUpload();
  ASSERT_TRUE(upload.mpe);
  EXPECT_EQ(upload.mpe->type, 0);
  EXPECT_EQ(upload.mpe->bfact, 1);
  EXPECT_EQ(upload.mpe->mode, 1);
  EXPECT_EQ(upload.mpe->reclen, 5);
  EXPECT_EQ(upload.mpe->eof, 3);
  EXPECT_EQ(upload.mpe->limit, 3);
  EXPECT_THAT(upload.records, ElementsAre("one", "three", "two"));
  EXPECT_TRUE(doc_.format.IsRecordForm());
  const UploadRequest& request = uploader_.requests.back();
  EXPECT_EQ(request.hostPath, "/SYS/PUB/SOURCE");
  EXPECT_EQ(request.transferFlags, kOptionProgress | kOptionModeRecord | kOptionKeepLocked);
  EXPECT_EQ(request.temporaryFile.parent_path(), tmp_);
  EXPECT_TRUE(request.temporaryFile.filename().string().starts_with("zvd"));
  EXPECT_EQ(doc_.lockReleases, 1);
  EXPECT_THAT(doc_.transfer, ElementsAre(true));
  EXPECT_THAT(progress_.statuses, ElementsAre(Text(kStrSavingFile)));
  EXPECT_GE(progress_.clears, 1);
  // Until the upload completes, the document is not saved.
  EXPECT_THAT(doc_.saved, IsEmpty());
}

TEST_F(SaveDocumentTest, EmptyDocumentGetsRecordLengthOne) {
  ASSERT_TRUE(SaveHost());
  const Uploaded upload = LastUpload();
  EXPECT_EQ(upload.mpe->reclen, 1);
  EXPECT_EQ(upload.mpe->eof, 0);
  EXPECT_THAT(upload.records, IsEmpty());
}

TEST_F(SaveDocumentTest, ByteStreamLimitIsTheDataByteCount) {
  MakeMpeDocument(9, 1);
  // 1,234 data bytes: 12 records of 100 bytes and one of 8, each with 2 bytes of length.
  doc_.lines.assign(12, std::string(100, 'b'));
  doc_.lines.push_back("12345678");
  ASSERT_TRUE(SaveHost());
  const Uploaded upload = LastUpload();
  EXPECT_EQ(upload.mpe->limit, 1234);
  EXPECT_THAT(upload.mpeText, ::testing::HasSubstr(" LIMIT=00001234 #L=0"));
  EXPECT_EQ(upload.mpe->eof, 13);
  EXPECT_EQ(upload.records.size(), 13u);
}

TEST_F(SaveDocumentTest, OtherHostsGetTheTextAsItIs) {
  services_.host.mpeHost = false;
  doc_.format.lineEnds = kLineEndLf;
  doc_.lines = {"int main() {}", ""};
  ASSERT_TRUE(SaveHost());
  EXPECT_EQ(uploader_.requests.back().transferFlags, kOptionsOtherHost);
  const std::vector<std::uint8_t> bytes =
      testing::ReadBytes(uploader_.requests.back().temporaryFile);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "int main() {}\n\n");
  EXPECT_FALSE(doc_.format.IsRecordForm());
}

TEST_F(SaveDocumentTest, SavingOnCloseDoesNotKeepTheLock) {
  MakeMpeDocument(1, 80);
  doc_.lines = {"a"};
  ASSERT_TRUE(SaveHost(/*closing=*/true));
  EXPECT_EQ(uploader_.requests.back().transferFlags, kOptionProgress | kOptionModeRecord);
  EXPECT_TRUE(uploader_.requests.back().closeWhenDone);
  services_.host.hostLocking = false;
  ASSERT_TRUE(SaveHost());
  EXPECT_EQ(uploader_.requests.back().transferFlags, kOptionProgress | kOptionModeRecord);
}

TEST_F(SaveDocumentTest, TranslationTableGoesToTheControlForHostSavesOnly) {
  CharacterTable table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
  table['a'] = 'A';
  doc_.table = &table;
  doc_.lines = {"abc"};
  ASSERT_TRUE(SaveHost());
  EXPECT_THAT(LastUpload().records, ElementsAre("Abc"));
  ASSERT_TRUE(SaveLocal(dir_ / "local.txt"));
  EXPECT_FALSE(doc_.requests.back().characterTable);
}

TEST_F(SaveDocumentTest, FailedTemporaryFileIsReportedAndChangesNothing) {
  MakeMpeDocument(1, 80);
  doc_.lines = {std::string(90, 'x')};
  services_.temporaryFolder = dir_ / "missing";
  const DocumentFormat before = doc_.format;
  ExpectRefused(SaveHost(), before);
  EXPECT_EQ(ui_.shown().back().text, Message(kStrTempFileCreateFailed, "/SYS/PUB/SOURCE"));

  // The control failing half-way leaves no file either.
  services_.temporaryFolder = tmp_;
  doc_.failWrite = true;
  ExpectRefused(SaveHost(), before);
  EXPECT_EQ(doc_.lockReleases, 0);
  EXPECT_THAT(doc_.transfer, IsEmpty());
}

TEST_F(SaveDocumentTest, RefusedUploadRemovesTheTemporaryFile) {
  uploader_.accept = false;
  doc_.lines = {"a"};
  EXPECT_FALSE(SaveHost());
  EXPECT_THAT(TemporaryFiles(), IsEmpty());
  EXPECT_THAT(doc_.transfer, ElementsAre(true, false));
}

// ---- Completion of the upload ----------------------------------------------------

TEST_F(SaveDocumentTest, CompletedUploadTakesTheHostAnswer) {
  doc_.format.formatFlags = kFormatLocal;
  doc_.lines = {"a"};
  ASSERT_TRUE(SaveHost(/*closing=*/false));
  const UploadRequest request = uploader_.requests.back();
  UploadOutcome outcome;
  outcome.ok = true;
  outcome.lockNumber = 17;
  outcome.fileInfo.name = "SOURCE";
  outcome.fileInfo.size = 256;
  outcome.newlyCreated = true;
  CompleteHostSave(doc_, request, outcome, services_);

  EXPECT_FALSE(std::filesystem::exists(request.temporaryFile));
  EXPECT_THAT(doc_.transfer, ElementsAre(true, false));
  EXPECT_EQ(doc_.format.lockId, 17);
  EXPECT_FALSE(doc_.format.IsLocal());
  EXPECT_EQ(doc_.format.fileInfo, outcome.fileInfo);
  EXPECT_THAT(doc_.created, ElementsAre("/SYS/PUB/SOURCE"));
  EXPECT_EQ(doc_.textSaved, 1);
  EXPECT_THAT(doc_.saved, ElementsAre(std::pair(std::string("/SYS/PUB/SOURCE"), SaveKind::kHost)));
  EXPECT_THAT(Recent(kRecentFiles), ElementsAre("/SYS/PUB/SOURCE"));
  EXPECT_EQ(doc_.closes, 0);

  // Without a lock asked for, the lock identifier is -1; a save on close closes.
  ASSERT_TRUE(SaveHost(/*closing=*/true));
  outcome.newlyCreated = false;
  CompleteHostSave(doc_, uploader_.requests.back(), outcome, services_);
  EXPECT_EQ(doc_.format.lockId, -1);
  EXPECT_EQ(doc_.closes, 1);
  EXPECT_EQ(doc_.created.size(), 1u);
}

TEST_F(SaveDocumentTest, FailedUploadKeepsTheDocumentAsItWas) {
  doc_.lines = {"a"};
  doc_.format.lockId = 5;
  ASSERT_TRUE(SaveHost(/*closing=*/true));
  const DocumentFormat before = doc_.format;
  UploadOutcome outcome;
  outcome.ok = false;
  outcome.error = "lost connection";
  CompleteHostSave(doc_, uploader_.requests.back(), outcome, services_);
  EXPECT_THAT(TemporaryFiles(), IsEmpty());
  EXPECT_EQ(doc_.failures, 1);
  ExpectSameFormat(doc_.format, before);
  EXPECT_THAT(doc_.saved, IsEmpty());
  EXPECT_EQ(doc_.closes, 0);
  EXPECT_THAT(Recent(kRecentFiles), IsEmpty());
}

// ---- Local save and temporary copies ---------------------------------------------

TEST_F(SaveDocumentTest, LocalSaveOfAHostDocumentWritesPlainText) {
  MakeQeditDocument(80);
  doc_.format.mpe.labels = 1;
  doc_.format.mpe.labelBlock.assign(60, 'L');
  doc_.format.activeNumbering = {1, 6, 1000, 1000};
  doc_.lines = {"first", "second"};
  const DocumentFormat before = doc_.format;
  const std::filesystem::path path = dir_ / "source.txt";
  ASSERT_TRUE(SaveLocal(path));
  const std::vector<std::uint8_t> bytes = testing::ReadBytes(path);
  // Record form was loaded without line ends: CR LF.
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first\r\nsecond\r\n");
  EXPECT_EQ(doc_.requests.back().flags, kSaveRequestAlways | kSaveRequestCr | kSaveRequestLf);
  ExpectSameFormat(doc_.format, before);
  EXPECT_EQ(doc_.textSaved, 1);
  EXPECT_THAT(doc_.saved, ElementsAre(std::pair(path.string(), SaveKind::kLocal)));
  EXPECT_THAT(Recent(kRecentLocalFiles), ElementsAre(path.string()));
  EXPECT_EQ(doc_.lockReleases, 1);
  EXPECT_THAT(ui_.shown(), IsEmpty());
  EXPECT_THAT(TemporaryFiles(), IsEmpty());

  // A text file keeps the line ends it was loaded with.
  doc_.format = DocumentFormat{};
  doc_.format.lineEnds = kLineEndLf;
  ASSERT_TRUE(SaveLocal(path));
  const std::vector<std::uint8_t> again = testing::ReadBytes(path);
  EXPECT_EQ(std::string(again.begin(), again.end()), "first\nsecond\n");
}

TEST_F(SaveDocumentTest, LocalReplaceKeepsTheOldFileWhenWritingFails) {
  const std::filesystem::path path = dir_ / "keep.txt";
  testing::WriteBytes(path, {'o', 'l', 'd', '\n'});
  doc_.lines.assign(1000, std::string(80, 'n'));
  doc_.failWrite = true;
  EXPECT_FALSE(SaveLocal(path));
  EXPECT_EQ(testing::ReadBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd', '\n'}));
  EXPECT_EQ(ui_.shown().back().text, Message(kStrTempFileCreateFailed, path.string()));
  EXPECT_THAT(doc_.saved, IsEmpty());
  EXPECT_THAT(Recent(kRecentLocalFiles), IsEmpty());
  // Nothing is left beside the file.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names, ElementsAre("keep.txt", "tmp"));
}

TEST_F(SaveDocumentTest, LocalReplaceKeepsPermissionsAndFollowsLinks) {
  const std::filesystem::path real = dir_ / "real.txt";
  testing::WriteBytes(real, {'x'});
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  const std::filesystem::path link = dir_ / "link.txt";
  std::filesystem::create_symlink(real, link);
  doc_.format.lineEnds = kLineEndLf;
  doc_.lines = {"new"};
  ASSERT_TRUE(SaveLocal(link));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(testing::ReadBytes(real), (std::vector<std::uint8_t>{'n', 'e', 'w', '\n'}));
  struct stat info {};
  ASSERT_EQ(::stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SaveDocumentTest, LocalSaveRefusesWhatIsNotAWritableFile) {
  const std::filesystem::path folder = dir_ / "folder";
  std::filesystem::create_directories(folder);
  doc_.lines = {"a"};
  EXPECT_FALSE(SaveLocal(folder));
  EXPECT_EQ(ui_.shown().back().text, Message(kStrLocalWriteFailed, folder.string()));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(doc_.lockReleases, 0);
  EXPECT_FALSE(SaveLocal(dir_ / "no-such-folder" / "file.txt"));
  EXPECT_EQ(ui_.shown().back().text,
            Message(kStrLocalWriteFailed, (dir_ / "no-such-folder" / "file.txt").string()));
}

TEST_F(SaveDocumentTest, LocalSaveRefusesAReadOnlyFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  doc_.lines = {"a"};
  const std::filesystem::path readOnly = dir_ / "read-only.txt";
  testing::WriteBytes(readOnly, {'r'});
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  EXPECT_FALSE(SaveLocal(readOnly));
  EXPECT_EQ(testing::ReadBytes(readOnly), (std::vector<std::uint8_t>{'r'}));
  EXPECT_EQ(ui_.shown().back().text, Message(kStrLocalWriteFailed, readOnly.string()));
}

TEST_F(SaveDocumentTest, TemporaryCopyIsHandedBackAndRemovedWhenDropped) {
  MakeMpeDocument(1, 80);
  doc_.lines = {"a", "b"};
  DocumentSaveResult result =
      SaveDocument(doc_, {SaveKind::kTemporaryCopy, "/SYS/PUB/SOURCE"}, services_);
  ASSERT_TRUE(result);
  ASSERT_TRUE(result.temporaryCopy);
  const std::filesystem::path path = result.temporaryCopy->path();
  EXPECT_EQ(path.parent_path(), tmp_);
  EXPECT_TRUE(path.filename().string().starts_with("zvd"));
  const std::vector<std::uint8_t> bytes = testing::ReadBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "a\r\nb\r\n");
  EXPECT_THAT(doc_.saved, IsEmpty());
  EXPECT_EQ(doc_.textSaved, 0);
  EXPECT_EQ(doc_.lockReleases, 0);
  result.temporaryCopy.reset();
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SaveDocumentTest, TemporaryTextCopyCanStayOpen) {
  doc_.lines = {"x", "y"};
  std::optional<TemporaryFile> copy = TemporaryTextCopy(doc_, progress_, true, tmp_);
  ASSERT_TRUE(copy);
  EXPECT_THAT(progress_.statuses, ElementsAre(Text(kStrSavingTemporaryFile)));
  ASSERT_GE(copy->fd(), 0);
  char buffer[16] = {};
  EXPECT_EQ(::read(copy->fd(), buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer), "x\ny\n");
  copy.reset();
  EXPECT_THAT(TemporaryFiles(), IsEmpty());

  doc_.failWrite = true;
  EXPECT_FALSE(TemporaryTextCopy(doc_, progress_, false, tmp_));
  EXPECT_THAT(TemporaryFiles(), IsEmpty());
}

}  // namespace
}  // namespace vandrel
