#include "platform/file_lock.h"

#include <sys/file.h>

#include <cerrno>

namespace vandrel::platform {

namespace {
int Operation(LockKind kind) { return kind == LockKind::kExclusive ? LOCK_EX : LOCK_SH; }
}  // namespace

bool TryLockFile(int fd, LockKind kind) {
  int rc;
  do {
    rc = ::flock(fd, Operation(kind) | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool LockFile(int fd, LockKind kind) {
  int rc;
  do {
    rc = ::flock(fd, Operation(kind));
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

void UnlockFile(int fd) { ::flock(fd, LOCK_UN); }

}  // namespace vandrel::platform
