// Exclusive and shared advisory locks on open files: the stand-in for the
// desktop platform's "no sharing" opens. A lock is held by the open file
// description, so a second open of the same file fails to lock even inside
// one process, as a second no-sharing open fails there.
#pragma once

namespace vandrel::platform {

enum class LockKind { kShared, kExclusive };

// Tries to lock `fd` without waiting; false when another holder has it.
bool TryLockFile(int fd, LockKind kind);
// Waits until `fd` is locked; false only on an error other than a conflict.
bool LockFile(int fd, LockKind kind);
void UnlockFile(int fd);

}  // namespace vandrel::platform
