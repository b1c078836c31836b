// What an editor window needs of the frame it lives in: the window list and
// the frame's commands for its context menu, the open project for Insert
// File into Project, and opening a file named in its text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vandrel::ui {

class EditorFrame {
 public:
  virtual ~EditorFrame() = default;
  struct WindowEntry {
    std::string title;
    bool active = false;
  };
  // The frame's document windows as its Window menu lists them.
  virtual std::vector<WindowEntry> WindowList() = 0;
  // Carries out a frame command (a menu entry of the frame).
  virtual void RunMenuCommand(int command) = 0;
  // A project is open and none of its entries holds `documentName`.
  virtual bool CanInsertIntoProject(const std::string& documentName) = 0;
  // Adds the host file `hostPath` to the open project with its template and
  // read-only flag; false when nothing was added.
  virtual bool InsertIntoProject(const std::string& hostPath, const std::string& templateName,
                                 bool readOnly) = 0;
  // Opens the file `name` found in the text of the document `documentName`
  // (a host document resolves it on the host, in the document's folder).
  virtual void OpenNamedFile(const std::string& documentName, bool hostDocument,
                             const std::string& name) = 0;
  // The renumber dialog's "Mark and tag renumbered lines" choice, which the
  // next renumber dialog starts with (the RenumberMarkers setting).
  virtual void RememberRenumberMarkers(bool mark) = 0;
  // A parser extension's diagnostic line, for the output window's third pane.
  virtual void WriteNavigatorDiagnostic(std::string_view line) = 0;
};

}  // namespace vandrel::ui
