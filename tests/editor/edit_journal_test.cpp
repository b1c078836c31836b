#include "editor/edit_journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "editor/control_document.h"
#include "editor/control_messages.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

std::string Records(const std::vector<std::string>& records) {
  std::string out;
  for (const std::string& r : records) {
    out.push_back(static_cast<char>(r.size() >> 8));
    out.push_back(static_cast<char>(r.size() & 0xFF));
    out += r;
  }
  return out;
}

std::string Saved(const ControlDocument& doc, std::string_view text) {
  SaveRequest request;
  request.flags = kSaveRequestAlways | kSaveRequestRecordForm;
  std::string out;
  StringSink sink(out);
  const SaveOutcome outcome = doc.Save(text, request, sink);
  EXPECT_TRUE(outcome) << static_cast<int>(outcome.result) << " at line " << outcome.line;
  return out;
}

// A Qedit COBOL source with numbers at the start, tokens in columns 73-80,
// one record holding a line end (kept as original bytes), then edited: a
// line inserted (numbered between its neighbours), one changed, marks, a
// link and a token text for the changed lines.
struct EditedDocument {
  ControlDocument doc;
  std::string text;
  JournalEntry entry;
};

EditedDocument MakeEditedDocument() {
  EditedDocument d;
  auto record = [](std::string number, std::string text, std::string token) {
    text.resize(66, ' ');
    return number + text + token;
  };
  const std::string data =
      Records({record("001000", "       IDENTIFICATION DIVISION.", "ORIGINAL"),
               record("002000", "       PROGRAM-ID. X.", "TOKEN2"), "003000 A\nB\rC",
               record("004000", "       PROCEDURE DIVISION.", "ORIGINAL")});
  LoadRequest load;
  load.flags =
      kLoadRequestAlways | kLoadRequestRecordForm | kLoadRequestRemoveNumbers | kLoadRequestCobol85;
  load.numberColumn = 0;
  load.numberDigits = 6;
  load.numberStart = 1000;
  load.numberIncrement = 1000;
  const std::vector<std::uint8_t> bytes(data.begin(), data.end());
  const LoadOutcome loaded = d.doc.LoadData(bytes, load);
  EXPECT_EQ(loaded.code, kLoadResultOk);
  EXPECT_NE(d.doc.lines().Original(2), nullptr);

  // Line 1 inserted, the old line 1 (now 2) changed.
  std::string text = loaded.text;
  const std::size_t second = text.find('\n') + 1;
  text.insert(second, "       AUTHOR. SOMEONE.\n");
  EXPECT_EQ(d.doc.lines().InsertLines(1, 1), InsertResult::kOk);
  const std::size_t third = text.find('\n', second) + 1;
  text.replace(third, text.find('\n', third) - third, "       PROGRAM-ID. Y.");
  d.doc.lines().MarkChanged(2);
  d.doc.lines().SetMarks(0, kLineMarkBookmark | kLineMarkError);
  d.doc.lines().SetMarks(3, kLineMarkGoTo);
  d.doc.lines().SetLink(4, 7);
  d.doc.SetTokenText("CHANGED1");
  d.text = text;

  JournalEntry& e = d.entry;
  e.documentName = "/SYS/SRC/PROGSRC";
  e.hostName = "hp3000.example";
  e.hostPort = 11000;
  e.hostUser = "MGR.DEV";
  e.projectFile = "/home/someone/work.vdp";
  e.projectEntry = "PROGSRC";
  e.templateName = "COBOL85";
  e.characterMap = "ROMAN8";
  DocumentFormat& f = e.format;
  f.formatFlags = kFormatRecordForm | kFormatQedit;
  f.maximumLineLength = 80;
  f.lockId = 3;
  f.templateName = "COBOL85";
  f.editFlags = kEditCobol85 | kEditRemoveLineNumbers;
  f.tabWidth = 4;
  f.tabPositions = {7, 11, 72};
  f.fileInfo = {"PROGSRC", 8192, 1, 2, 3, "rw-r-----", 9, "MGR", "DEV", 111, 0};
  f.mpe.mver = 1;
  f.mpe.fcode = 111;
  f.mpe.lw = "SECRET";
  f.mpe.reclen = -80;
  f.mpe.type = 0;
  f.mpe.mode = 1;
  f.mpe.eof = 4;
  f.mpe.limit = 10000;
  f.mpe.labels = 1;
  f.mpe.labelBlock = {0, 3, 'L', 'B', 'L'};
  f.mpe.acd = "R:ANY";
  f.qedit = {1, 4, 80, 4, 6, 1};
  f.numbering = {1, 6, 1000, 1000};
  f.activeNumbering = {1, 6, 1000, 1000};
  e.tokenText = d.doc.tokenText();
  e.text = d.text;
  e.lines = d.doc.lines();
  e.baseLines = std::vector<std::string>{"       IDENTIFICATION DIVISION.", "", "A\nB"};
  return d;
}

void ExpectSameEntry(const JournalEntry& a, const JournalEntry& b) {
  EXPECT_EQ(a.documentName, b.documentName);
  EXPECT_EQ(a.local, b.local);
  EXPECT_EQ(a.hostName, b.hostName);
  EXPECT_EQ(a.hostPort, b.hostPort);
  EXPECT_EQ(a.hostUser, b.hostUser);
  EXPECT_EQ(a.projectFile, b.projectFile);
  EXPECT_EQ(a.projectEntry, b.projectEntry);
  EXPECT_EQ(a.templateName, b.templateName);
  EXPECT_EQ(a.characterMap, b.characterMap);
  const DocumentFormat& f = a.format;
  const DocumentFormat& g = b.format;
  EXPECT_EQ(f.formatFlags, g.formatFlags);
  EXPECT_EQ(f.lineEnds, g.lineEnds);
  EXPECT_EQ(f.maximumLineLength, g.maximumLineLength);
  EXPECT_EQ(f.lockId, g.lockId);
  EXPECT_EQ(f.templateName, g.templateName);
  EXPECT_EQ(f.editFlags, g.editFlags);
  EXPECT_EQ(f.tabWidth, g.tabWidth);
  EXPECT_EQ(f.tabPositions, g.tabPositions);
  EXPECT_EQ(f.fileInfo, g.fileInfo);
  EXPECT_EQ(f.mpe, g.mpe);
  EXPECT_EQ(f.qedit, g.qedit);
  EXPECT_EQ(f.numbering, g.numbering);
  EXPECT_EQ(f.activeNumbering, g.activeNumbering);
  EXPECT_EQ(a.tokenText, b.tokenText);
  EXPECT_EQ(a.text, b.text);
  EXPECT_TRUE(a.lines == b.lines);
  EXPECT_EQ(a.baseLines, b.baseLines);
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// ---- Recovery gives back the exact state ------------------------------------------------

TEST(EditJournal, RecoveredDocumentSavesTheSameBytes) {
  TempDir dir;
  EditedDocument d = MakeEditedDocument();
  const std::string before = Saved(d.doc, d.text);
  fs::path journal;
  {
    auto writer = JournalWriter::Start(dir.path());
    ASSERT_TRUE(writer);
    journal = writer->PathOf(42);
    writer->Submit(42, d.entry);
    writer->Flush();
    EXPECT_EQ(writer->LastError(), "");
    EXPECT_EQ(writer->LastWriteCost().bytes, fs::file_size(journal));
    struct stat info {};
    ASSERT_EQ(::stat(journal.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }

  const JournalRead read = ReadJournal(journal);
  ASSERT_EQ(read.status, JournalReadStatus::kOk) << read.error;
  const JournalEntry& entry = *read.entry;
  ExpectSameEntry(entry, d.entry);
  EXPECT_GT(entry.writtenAt, 0);

  // Reopened from the journal, the document saves exactly as it would have.
  ControlDocument recovered;
  recovered.lines() = entry.lines;
  recovered.SetTokenText(entry.tokenText);
  EXPECT_EQ(Saved(recovered, entry.text), before);
  EXPECT_NE(before.find("CHANGED1"), std::string::npos);  // the changed line's token
  EXPECT_NE(before.find("A\nB\rC"), std::string::npos);   // the original bytes
  EXPECT_EQ(recovered.lines().NumberOfLine(1), 1500);     // the inserted line's number
  EXPECT_EQ(recovered.lines().Marks(0), kLineMarkBookmark | kLineMarkError);
  EXPECT_EQ(recovered.lines().Link(4), 7);
  EXPECT_TRUE(recovered.lines().IsChanged(2));
  EXPECT_FALSE(recovered.lines().IsChanged(3));
}

// ---- Damage ---------------------------------------------------------------------------------

TEST(EditJournal, DamagedJournalsAreUnreadableAndKeptAside) {
  EXPECT_EQ(JournalChecksum("123456789"), 0xE3069283u);  // the standard check value
  EXPECT_EQ(JournalChecksum("56789", JournalChecksum("1234")), 0xE3069283u);
  const EditedDocument d = MakeEditedDocument();
  const std::string good = EncodeJournal(d.entry);
  ASSERT_EQ(DecodeJournal(good).status, JournalReadStatus::kOk);
  // Every truncation and every flipped byte is caught.
  for (std::size_t size = 0; size < good.size(); ++size) {
    ASSERT_EQ(DecodeJournal(good.substr(0, size)).status, JournalReadStatus::kUnreadable) << size;
  }
  for (std::size_t at = 0; at < good.size(); ++at) {
    std::string flipped = good;
    flipped[at] ^= 0x20;
    const JournalRead read = DecodeJournal(flipped);
    ASSERT_NE(read.status, JournalReadStatus::kOk) << at;
  }

  // A journal of no running writer, truncated or flipped, is moved aside
  // with its bytes, not deleted; the good one is offered.
  TempDir dir;
  const std::string dead = "00000000deadbeef";
  WriteTextFile(dir / (dead + ".instance"), "1\n");
  WriteTextFile(dir / (dead + "-1.journal"), good);
  const std::string truncated = good.substr(0, good.size() / 2);
  WriteTextFile(dir / (dead + "-2.journal"), truncated);
  std::string flipped = good;
  flipped[good.size() / 3] ^= 1;
  WriteTextFile(dir / (dead + "-3.journal"), flipped);
  WriteTextFile(dir / "unreadable" / (dead + "-3.journal"), "moved aside before");
  // A journal of a newer version, whole: for that version to recover.
  std::string newer = good.substr(0, good.size() - 12);  // without the trailer
  newer[8] = 2;                                          // the format version
  const std::uint32_t crc = JournalChecksum(newer);
  newer += good.substr(good.size() - 12, 8);  // the same length
  for (int i = 0; i < 4; ++i) newer.push_back(static_cast<char>(crc >> (8 * i)));
  ASSERT_EQ(DecodeJournal(newer).status, JournalReadStatus::kNewerVersion);
  WriteTextFile(dir / (dead + "-4.journal"), newer);

  const JournalListing listing = ListRecoverable(dir.path());
  ASSERT_EQ(listing.recoverable.size(), 1u);
  EXPECT_EQ(listing.recoverable[0].path, dir / (dead + "-1.journal"));
  EXPECT_EQ(listing.recoverable[0].documentName, "/SYS/SRC/PROGSRC");
  EXPECT_EQ(listing.recoverable[0].textBytes, d.text.size());
  EXPECT_EQ(listing.recoverable[0].lineCount, 5);
  ASSERT_EQ(listing.unreadable.size(), 2u);
  EXPECT_EQ(listing.unreadable[0].movedTo, dir / "unreadable" / (dead + "-2.journal"));
  EXPECT_EQ(ReadTextFile(listing.unreadable[0].movedTo), truncated);
  // The name taken by an earlier one: a new name, the earlier file kept.
  EXPECT_EQ(listing.unreadable[1].movedTo, dir / "unreadable" / (dead + "-3.journal.1"));
  EXPECT_EQ(ReadTextFile(listing.unreadable[1].movedTo), flipped);
  EXPECT_EQ(ReadTextFile(dir / "unreadable" / (dead + "-3.journal")), "moved aside before");
  EXPECT_FALSE(fs::exists(dir / (dead + "-2.journal")));
  EXPECT_FALSE(listing.unreadable[1].error.empty());
  EXPECT_EQ(ReadTextFile(dir / (dead + "-4.journal")), newer);  // left alone

  // Recovered and discarded, the journal and its dead instance are cleared.
  EXPECT_TRUE(DiscardJournal(listing.recoverable[0].path));
  EXPECT_TRUE(DiscardJournal(dir / (dead + "-4.journal")));
  EXPECT_TRUE(ListRecoverable(dir.path()).recoverable.empty());
  EXPECT_FALSE(fs::exists(dir / (dead + ".instance")));
}

TEST(EditJournal, DamagedLineDataIsRefusedOrReadBackExactly) {
  // Whatever ReadFrom accepts of damaged bytes is state AppendTo writes the
  // same way: nothing half-read, nothing invented.
  const EditedDocument d = MakeEditedDocument();
  std::string bytes;
  d.doc.lines().AppendTo(bytes);
  std::size_t accepted = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (const std::uint8_t mask : {0x01, 0x80, 0xFF}) {
      std::string damaged = bytes;
      damaged[at] = static_cast<char>(damaged[at] ^ mask);
      std::string_view in = damaged;
      const std::optional<LineMetadata> lines = LineMetadata::ReadFrom(in);
      if (!lines) {
        EXPECT_EQ(in.size(), damaged.size());
        continue;
      }
      ++accepted;
      std::string again;
      lines->AppendTo(again);
      ASSERT_EQ(again, damaged.substr(0, damaged.size() - in.size())) << at;
    }
  }
  EXPECT_GT(accepted, 0u);  // marks, links, token bytes change without breaking anything
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    std::string_view in(bytes.data(), size);
    ASSERT_FALSE(LineMetadata::ReadFrom(in)) << size;
  }
  // A count far beyond the bytes present is refused before anything is sized.
  std::string huge = bytes;
  for (int i = 0; i < 8; ++i) huge[28 + i] = '\x7F';  // the line count
  std::string_view in = huge;
  EXPECT_FALSE(LineMetadata::ReadFrom(in));
}

// ---- The writer -------------------------------------------------------------------------------

TEST(EditJournal, WriterCoalescesRemovesInOrderAndKeepsTheLastGoodJournal) {
  TempDir dir;
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::vector<std::uint64_t> failed;
  auto writer =
      JournalWriter::Start(dir.path(), nullptr, [&](std::uint64_t id, const std::string&) {
        failed.push_back(id);
        if (failed.size() == 1) {
          entered.set_value();
          released.wait();
        }
      });
  ASSERT_TRUE(writer);
  EditedDocument d = MakeEditedDocument();
  writer->Submit(1, d.entry);
  writer->Flush();
  ASSERT_EQ(writer->WritesDone(), 1u);
  {
    // The written entry's buffers, emptied, for the next save point.
    const JournalEntry spare = writer->TakeSpare();
    EXPECT_GE(spare.text.capacity(), d.entry.text.size());
    EXPECT_EQ(spare.text, "");
    EXPECT_EQ(spare.lines.LineCount(), 0);
    EXPECT_EQ(spare.documentName, "");
    EXPECT_FALSE(spare.baseLines);
  }

  // A text that disagrees with its line data is refused, and the journal
  // written before stays whole. The writer waits in the error handler
  // meanwhile, so what follows queues up behind it.
  JournalEntry bad = d.entry;
  bad.text += "\nextra line";
  writer->Submit(1, bad);
  entered.get_future().wait();
  for (int i = 0; i < 5; ++i) {
    JournalEntry entry = d.entry;
    entry.documentName = "version " + std::to_string(i);
    writer->Submit(2, std::move(entry));
  }
  writer->Submit(3, d.entry);
  writer->Remove(3);  // the waiting entry is dropped
  writer->Remove(4);  // nothing to remove: no error
  writer->Remove(1);
  writer->Submit(1, d.entry);  // after its removal: written again
  release.set_value();
  writer->Flush();

  EXPECT_EQ(failed, std::vector<std::uint64_t>{1});
  EXPECT_EQ(writer->LastError(), "");
  EXPECT_EQ(writer->WritesDone(), 3u);  // 1, the newest of 2, 1 again
  const JournalRead two = ReadJournal(writer->PathOf(2));
  ASSERT_EQ(two.status, JournalReadStatus::kOk);
  EXPECT_EQ(two.entry->documentName, "version 4");
  EXPECT_FALSE(fs::exists(writer->PathOf(3)));
  EXPECT_EQ(ReadJournal(writer->PathOf(1)).status, JournalReadStatus::kOk);

  // Remove after a write: gone once flushed; no temporaries are left.
  writer->Submit(5, d.entry);
  writer->Remove(5);
  writer->Remove(2);
  writer->Flush();
  EXPECT_FALSE(fs::exists(writer->PathOf(5)));
  EXPECT_FALSE(fs::exists(writer->PathOf(2)));
  EXPECT_EQ(writer->TakeSpare().text.capacity(), std::string().capacity());  // let go
  std::vector<std::string> names;
  for (const auto& file : fs::directory_iterator(dir.path())) {
    names.push_back(file.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{writer->instance() + "-1.journal",
                                             writer->instance() + ".instance"}));
}

TEST(EditJournal, OnlyJournalsOfWritersNoLongerRunningAreOffered) {
  TempDir dir;
  const EditedDocument d = MakeEditedDocument();
  auto first = JournalWriter::Start(dir.path());
  auto second = JournalWriter::Start(dir.path());
  ASSERT_TRUE(first && second);
  ASSERT_NE(first->instance(), second->instance());
  first->Submit(1, d.entry);
  first->Flush();
  second->Submit(1, d.entry);
  second->Flush();
  // Both run: nothing is offered, nothing moved.
  EXPECT_TRUE(ListRecoverable(dir.path()).recoverable.empty());

  // An editor that died: its instance file is still there, but no one holds
  // it locked.
  const std::string crashed = "0123456789abcdef";
  fs::copy_file(first->PathOf(1), dir / (crashed + "-7.journal"));
  WriteTextFile(dir / (crashed + ".instance"), "1\n");
  JournalListing listing = ListRecoverable(dir.path());
  ASSERT_EQ(listing.recoverable.size(), 1u);
  EXPECT_EQ(listing.recoverable[0].path, dir / (crashed + "-7.journal"));

  // The first closes without removing its journal: it is offered now; the
  // second's, still running, is not.
  const fs::path left = first->PathOf(1);
  first.reset();
  listing = ListRecoverable(dir.path());
  ASSERT_EQ(listing.recoverable.size(), 2u);
  EXPECT_TRUE(listing.recoverable[0].path == left || listing.recoverable[1].path == left);
  EXPECT_TRUE(fs::exists(second->PathOf(1)));
  EXPECT_TRUE(fs::exists(dir / (second->instance() + ".instance")));
}

TEST(EditJournal, FolderFollowsTheStateHomeAndIsPrivate) {
  {
    ScopedEnv state("XDG_STATE_HOME", "/somewhere/state");
    EXPECT_EQ(JournalFolder(), fs::path("/somewhere/state/vandrel"));
  }
  {
    ScopedEnv state("XDG_STATE_HOME", "relative/state");
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(JournalFolder(), fs::path("/home/someone/.local/state/vandrel"));
  }
  TempDir dir;
  ScopedEnv state("XDG_STATE_HOME", dir.path().c_str());
  auto writer = JournalWriter::Start(JournalFolder());
  ASSERT_TRUE(writer);
  struct stat info {};
  ASSERT_EQ(::stat((dir / "vandrel").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
}  // namespace vandrel
