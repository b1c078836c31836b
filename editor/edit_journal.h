// The journal of unsaved edits. While a document is modified, everything
// needed to save it – the edit control's own state, not a rendering of the
// file – is written to a journal file in the user's state folder, off the
// user-interface thread and through a safe replacement, so a crash at any
// moment leaves the previous journal whole. After a crash the next start
// lists the journals no running editor owns and reopens the chosen ones
// with exactly the state they were written with; the normal save path then
// writes the bytes a save before the crash would have written.
//
// The folder holds, per running writer, an instance file `<instance>.instance`
// that the writer keeps locked while it lives, and its journals
// `<instance>-<id>.journal`. A journal whose instance file is missing or can
// be locked belongs to no running editor and may be recovered. A journal
// that cannot be read is moved to `unreadable/` in the folder – never
// deleted – and listed so the start-up can say so.
//
// A journal file, little-endian throughout:
//   "VDJOURNL" (8 bytes), u32 format version (kJournalVersion), u32 0,
//   the entry's fields in the order of JournalEntry (texts as a u64 length
//   and the bytes; the line data as LineMetadata::AppendTo writes it),
//   then u64 the number of bytes before this field and u32 the CRC-32C of
//   the same bytes (this trailer is the same in every version). A file that
//   does not check out is unreadable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "documents/document_format.h"
#include "editor/line_metadata.h"

namespace vandrel {

inline constexpr std::uint32_t kJournalVersion = 1;

// One modified document as its journal keeps it.
struct JournalEntry {
  // The host path, the local path, or empty for a document never saved.
  std::string documentName;
  bool local = false;  // documentName is a local path
  // The session the document came from (empty for a local document).
  std::string hostName;
  std::int32_t hostPort = 0;
  std::string hostUser;
  // The project the document was opened from and its entry there (may be
  // empty).
  std::string projectFile;
  std::string projectEntry;
  std::string templateName;
  std::string characterMap;  // the character map's name; empty for none
  DocumentFormat format;
  std::string tokenText;  // the COBOL'85 token text for changed lines
  // The view's text, lines separated by '\n', and the per-line data of the
  // same lines.
  std::string text;
  LineMetadata lines;
  // The document's text as it was loaded, as lines (for merging with the
  // file as it is now); none when not kept.
  std::optional<std::vector<std::string>> baseLines;
  // When the journal was written, in milliseconds since 1 January 1970 UTC;
  // the writer sets it.
  std::int64_t writtenAt = 0;
};

// The state folder the journals live in: $XDG_STATE_HOME/vandrel when that
// is an absolute path, else ~/.local/state/vandrel (empty when no home
// folder is known). It is created (mode 0700) when a writer starts.
std::filesystem::path JournalFolder();

// The journal file's bytes for `entry` (as JournalWriter writes them).
std::string EncodeJournal(const JournalEntry& entry);

enum class JournalReadStatus {
  kOk,
  kMissing,       // no such file
  kUnreadable,    // damaged, truncated, or not a journal
  kNewerVersion,  // written by a newer version of the program: left alone
};

struct JournalRead {
  JournalReadStatus status = JournalReadStatus::kUnreadable;
  std::optional<JournalEntry> entry;  // with kOk
  std::string error;                  // what is wrong, otherwise
};

// Decodes a journal file's bytes. Checks the magic, version, length and
// checksum before anything else, then every field (the line data through
// LineMetadata::ReadFrom, the text's line count against it).
JournalRead DecodeJournal(std::string_view bytes);
// Reads and decodes the journal at `path`.
JournalRead ReadJournal(const std::filesystem::path& path);

// Deletes a journal once its document has been reopened (the document then
// journals under a new id of its own). True when it is gone.
bool DiscardJournal(const std::filesystem::path& path, std::string* error = nullptr);

// A journal no running editor owns.
struct RecoverableJournal {
  std::filesystem::path path;
  std::string documentName;  // empty: an untitled document
  bool local = false;
  std::string hostName;
  std::int64_t writtenAt = 0;  // milliseconds since 1970, UTC
  std::uint64_t textBytes = 0;
  std::int64_t lineCount = 0;
};

// A journal that could not be read, moved aside.
struct UnreadableJournal {
  std::filesystem::path movedTo;  // in folder/unreadable/; empty when it could not be moved
  std::filesystem::path original;
  std::string error;
};

struct JournalListing {
  std::vector<RecoverableJournal> recoverable;  // newest first
  std::vector<UnreadableJournal> unreadable;    // moved aside by this call
};

// The journals in `folder` whose writer is no longer running, each read in
// full; the unreadable ones are moved to `folder/unreadable/` (renamed,
// never overwriting) and listed apart. Journals of running writers and of
// newer versions are left alone. Also clears away what dead writers left:
// their instance files once they own no journal, and interrupted
// temporaries.
JournalListing ListRecoverable(const std::filesystem::path& folder);

// What the last write cost, for measuring.
struct JournalWriteCost {
  std::uint64_t bytes = 0;
  std::int64_t microseconds = 0;  // encoding, writing and syncing to disk
};

// Writes journals on a thread of its own. Submit and Remove return at once;
// only the newest pending entry of an id is written. All members may be
// called from any thread.
class JournalWriter {
 public:
  // Called on the writer's thread when writing or removing a journal
  // failed (the previous journal, if any, is still whole). It may Submit
  // or Remove, but must not Flush or destroy the writer.
  using ErrorHandler = std::function<void(std::uint64_t id, const std::string& error)>;

  // Starts a writer in `folder` (created with mode 0700 when missing): takes
  // a new instance name and holds its instance file locked. Null with a
  // message in `error` when the folder or the instance file cannot be made,
  // or when file locks do not work there (ownership could not be told).
  static std::unique_ptr<JournalWriter> Start(const std::filesystem::path& folder,
                                              std::string* error = nullptr,
                                              ErrorHandler onError = {});
  // Flushes, stops the thread, and gives up the instance file. Journals not
  // removed stay and become recoverable.
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Queues `entry` as the journal of document `id`, replacing an entry of
  // the id still waiting.
  void Submit(std::uint64_t id, JournalEntry entry);
  // Deletes the journal of `id` after any write of it already queued or in
  // progress (a clean save or close); a waiting entry of the id is dropped.
  void Remove(std::uint64_t id);
  // Waits until everything submitted or removed so far is done on disk.
  void Flush();
  // An entry to fill for the next Submit: a fresh entry, but with the
  // buffers of the last one written, empty, so that assigning the next text
  // and line data reuses them instead of allocating (and first touching) as
  // much memory again at every save point. The buffers are let go when a
  // journal is removed.
  JournalEntry TakeSpare();

  const std::filesystem::path& folder() const { return folder_; }
  const std::string& instance() const { return instance_; }
  std::filesystem::path PathOf(std::uint64_t id) const;
  JournalWriteCost LastWriteCost() const;
  // Journals written so far (an entry replaced while waiting is not).
  std::uint64_t WritesDone() const;
  // The message of the last failure; empty when the last operation succeeded.
  std::string LastError() const;

 private:
  struct Pending {
    std::optional<JournalEntry> entry;  // to write; none: to remove
  };

  JournalWriter(std::filesystem::path folder, std::string instance, int instanceFd,
                ErrorHandler onError);
  void Run();
  // Carries out one operation; returns an error message, empty on success.
  std::string Write(std::uint64_t id, JournalEntry& entry, JournalWriteCost& cost);
  std::string Delete(std::uint64_t id);

  const std::filesystem::path folder_;
  const std::string instance_;
  const int instanceFd_;
  const ErrorHandler onError_;

  mutable std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable idle_;
  std::deque<std::uint64_t> order_;  // ids with an operation waiting, oldest first
  std::unordered_map<std::uint64_t, Pending> pending_;
  bool busy_ = false;  // an operation is being carried out outside the lock
  bool stopping_ = false;
  JournalWriteCost lastCost_;
  std::uint64_t writes_ = 0;
  std::optional<JournalEntry> spare_;
  std::string lastError_;
  std::thread thread_;  // last: starts after everything above exists
};

// The CRC-32C (Castagnoli, as iSCSI and ext4 use) of `bytes`, continuing
// from `crc` (0 to start).
std::uint32_t JournalChecksum(std::string_view bytes, std::uint32_t crc = 0);

}  // namespace vandrel
