// Opening a file in an editor window of the frame, from the local disk or
// from the host. Called on the user-interface thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace vandrel::shell {

class DocumentOpener {
 public:
  virtual ~DocumentOpener() = default;
  // Opens the local file at `path` (or activates the window already showing
  // it, unless duplicates are allowed); `templateName` empty lets the file
  // type decide. A failed load is reported to the user; false then.
  virtual bool OpenLocalFile(const QString& path, bool readOnly,
                             const std::string& templateName) = 0;
  // Downloads the host file at `hostPath` and opens it (read-only when
  // asked), or activates the window already showing it; when `line` is above
  // 0 the window goes there with the go-to flags `goToFlags` (kGoTo* of
  // editor/control_messages.h: the marks, and whether `line` is a number of
  // the file's own numbering). False when nothing could be asked of the host.
  virtual bool OpenHostFile(const std::string& hostPath, const std::string& templateName,
                            std::int64_t line, bool readOnly, std::uint32_t goToFlags) = 0;
  // The host "Open" dialog starting in `folder`; every file chosen opens.
  virtual void ShowHostOpenDialog(const std::string& folder) = 0;
};

}  // namespace vandrel::shell
