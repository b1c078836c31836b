// Opening host files in editor windows: the open-file request (record form
// on MPE/iX hosts, a host lock where the session and the project allow it),
// its completion (the download loaded with the format the request found,
// the host file information and lock kept in the document, the character
// map of the project entry, its folder or the default applied), activation
// of a window already showing the file, and opening by name resolution.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "documents/load_request.h"

namespace vandrel {
class SettingsStore;
struct AppSettings;
class UserInterface;
}  // namespace vandrel

namespace vandrel::project {
class Project;
}

namespace vandrel::remote {
struct RequestBlock;
}

namespace vandrel::ui {
class EditorWindow;
struct HostDocument;
}  // namespace vandrel::ui

namespace vandrel::shell {

class FrameHostConnection;
class FrameHostView;

// One host file to open.
struct HostOpen {
  std::string hostPath;
  std::string templateName;  // at most 15 characters kept; empty: chosen by type or attributes
  bool readOnly = false;
  std::int64_t line = 0;        // above 0: the caret goes there
  std::uint32_t goToFlags = 0;  // how `line` is read and marked (kGoTo*)
  bool activateExisting = true;
};

// The document windows as the opener needs them.
class HostDocumentWindows {
 public:
  virtual ~HostDocumentWindows() = default;
  // The window showing the host file `hostPath`, or null.
  virtual ui::EditorWindow* FindHostWindow(const std::string& hostPath) = 0;
  virtual void ActivateWindow(ui::EditorWindow& window) = 0;
  // Makes and shows the window of a downloaded host file; null when the
  // load failed (the user has been told).
  virtual ui::EditorWindow* OpenHostWindow(const std::string& downloadedFile,
                                           const ui::HostDocument& document) = 0;
};

class HostFileOpener {
 public:
  // Looks a character map up by name; nothing when there is none.
  using CharacterMapLookup = std::function<std::optional<CharacterTable>(const std::string&)>;

  HostFileOpener(FrameHostConnection& connection, FrameHostView& view, HostDocumentWindows& windows,
                 project::Project& project, const AppSettings& settings, SettingsStore* store)
      : connection_(connection),
        view_(view),
        windows_(windows),
        project_(project),
        settings_(settings),
        store_(store) {}

  void SetCharacterMaps(CharacterMapLookup lookup) { maps_ = std::move(lookup); }

  // Activates the window already showing the file (moving it to the line),
  // or queues the open-file request. False when nothing could be asked of
  // the host (no session).
  bool Open(const HostOpen& open);
  // Resolves `name` against `contextPath` on the host and opens what it
  // names; entry 171 when the host finds nothing. False without a session.
  bool OpenByName(const std::string& name, const std::string& contextPath);

  // The character map a host file opens with: its project entry's (or its
  // folder's) setting, else NLSDefaultCharSet; nothing for "(none)".
  std::optional<CharacterTable> CharacterTableFor(const std::string& hostPath);

 private:
  // The open-file request's end, on the user-interface thread.
  void Completed(const HostOpen& open, const remote::RequestBlock& done);

  FrameHostConnection& connection_;
  FrameHostView& view_;
  HostDocumentWindows& windows_;
  project::Project& project_;
  const AppSettings& settings_;
  SettingsStore* store_;
  CharacterMapLookup maps_;
};

}  // namespace vandrel::shell
