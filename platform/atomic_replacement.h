// One safe replacement of a file. The new version is written to a temporary
// file beside the target – the same folder, so the rename that puts it in
// place never crosses file systems – then flushed to disk, given its
// permissions and renamed over the target, and the folder is synced. Until
// the rename the target is untouched; after it the target is the whole new
// file. Whatever fails, or when the object is dropped without a successful
// Commit(), the temporary is removed and the target stays as it was. A call
// that fails gives a message in `error` and leaves errno at the cause.
//
//   auto replacement = AtomicReplacement::Begin(target, &error);
//   if (!replacement || !replacement->Write(bytes, &error) || !replacement->Commit(&error))
//     return Report(error);  // the target is as it was, no temporary is left
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vandrel::platform {

struct ReplacementOptions {
  // The temporary is named <prefix><target's file name><infix> followed by
  // six random letters and digits (the file name cut to 100 bytes).
  std::string_view prefix;
  std::string_view infix = ".tmp-";
  // The new file's permissions: `mode` when set; otherwise the target's, and
  // for a target that does not exist yet `newFileMode` when set, else 0666
  // less the process's umask.
  std::optional<mode_t> mode;
  std::optional<mode_t> newFileMode;
  // Through a symbolic link the file it names is replaced; when links are
  // not followed, the link itself is replaced by the new file.
  bool followLinks = true;
  // A target that exists but that the user may not write is refused, as an
  // editor refuses to save over a read-only file.
  bool refuseReadOnlyTarget = false;
  // The temporary is locked exclusively from its creation, so a sweep of
  // abandoned temporaries (RemoveStaleTemporaries) passes it by and, once it
  // is renamed, the new file is held until the descriptor is closed. Off only
  // for a writer that must open the temporary again by its name.
  bool lockTemporary = true;
};

class AtomicReplacement {
 public:
  // Creates the temporary for replacing `target`. A target that exists and is
  // not a regular file (or, with refuseReadOnlyTarget, is not writable) is
  // refused. Nullopt on failure, with a message in `error`.
  static std::optional<AtomicReplacement> Begin(const std::filesystem::path& target,
                                                std::string* error,
                                                const ReplacementOptions& options = {});

  AtomicReplacement(AtomicReplacement&& other) noexcept;
  AtomicReplacement& operator=(AtomicReplacement&& other) noexcept;
  AtomicReplacement(const AtomicReplacement&) = delete;
  AtomicReplacement& operator=(const AtomicReplacement&) = delete;
  // Rolls back unless committed.
  ~AtomicReplacement();

  // The temporary's descriptor, open for reading and writing; -1 once closed.
  int fd() const { return fd_; }
  // The file being replaced: the file a symbolic link names when links are
  // followed.
  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& temporaryPath() const { return temporary_; }

  // Appends `bytes` at the descriptor's position; false with a message on a
  // failed or short write (a full disk).
  bool Write(std::string_view bytes, std::string* error);
  bool Write(std::span<const std::uint8_t> bytes, std::string* error);
  // Gives the new file its permissions and flushes it to disk. Commit()
  // does this when it has not been done.
  bool Flush(std::string* error);
  // Flushes, renames the new file over the target and syncs the folder. On
  // failure the temporary is removed and the target is as it was. The
  // descriptor stays open (and locked) until the object is dropped or
  // ReleaseDescriptor() hands it over.
  bool Commit(std::string* error);
  // After a successful Commit(): the open descriptor of the new file, now
  // the caller's to close (with its lock, when the temporary was locked).
  int ReleaseDescriptor();
  // Closes and removes the temporary; the target is untouched. Nothing once
  // committed.
  void Rollback();

 private:
  AtomicReplacement() = default;

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  std::optional<mode_t> mode_;  // to give the new file; none: as created
  bool flushed_ = false;
  bool committed_ = false;
};

// Removes the temporaries that interrupted replacements of `target` made with
// `options` left beside it: files named as a replacement names them that no
// one holds locked (a replacement in progress holds its temporary locked).
void RemoveStaleTemporaries(const std::filesystem::path& target,
                            const ReplacementOptions& options = {});

}  // namespace vandrel::platform
