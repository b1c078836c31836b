// Find in Files (3045) as the frame carries it out: the dialog opens with
// the histories, the active editor's proposal and, once the host has named
// it, the session's current directory; "Browse" shows the host folder
// browser; Find saves the histories and starts the search, whose lines fill
// the "Find in Files" pane.
#pragma once

#include <string>

#include "remote/ui/remote_requests.h"

class QWidget;

namespace vandrel {
class SettingsStore;
class UserInterface;
}  // namespace vandrel

namespace vandrel::project {
class HostRequestFrame;
class OutputPanes;
class ProjectItem;
}  // namespace vandrel::project

namespace vandrel::ui {
class EditorWindow;
class FindInFilesDialog;
}  // namespace vandrel::ui

namespace vandrel::shell {

struct FindInFilesServices {
  ui::RemoteDialogServices remote;                // Browse and the current directory
  SettingsStore* store = nullptr;                 // the histories; null: none kept
  const project::ProjectItem* project = nullptr;  // the open project; null: none
  project::OutputPanes* panes = nullptr;          // required
  project::HostRequestFrame* requests = nullptr;  // required: the queue, busy, failures
  UserInterface* ui = nullptr;                    // required: what could not be started
  std::string proposedText;                       // the active editor's selection or word
};

// The text the editor window proposes: its selection within one line, else
// the word at its caret. Empty without a window.
std::string ProposedSearchText(const ui::EditorWindow* editor);

// Runs the dialog modally over `parent`; true when a search was queued.
// What could not be started is told through the services' user interface.
bool RunFindInFiles(const FindInFilesServices& services, QWidget* parent);

}  // namespace vandrel::shell
