// Help in the frame: the About box (1030), context help for the word at the
// caret (1031), the manual's contents (3098) and search (3099), and the
// page on installing the host agent (3137). The help window is made on
// first use and lives as long as the frame.
#pragma once

#include <QPointer>
#include <QString>
#include <filesystem>
#include <functional>

#include "help/context_help.h"
#include "project/macros.h"

class QWidget;

namespace vandrel {
class TemplateCatalogue;
}

namespace vandrel::ui {
class HelpWindow;
}

namespace vandrel::shell {

struct HelpServices {
  // The catalogue documents are opened with (loaded on first use); may give null.
  std::function<const TemplateCatalogue*()> templates;
  // A line for the status bar: what context help could not find.
  std::function<void(const QString&)> report;
  // Where the manual and the shipped help files are; empty: beside the program.
  std::filesystem::path manualFolder;
  std::filesystem::path defaultTemplatesFolder;
  std::filesystem::path licenceFile;
};

class FrameHelp {
 public:
  FrameHelp(QWidget& frame, HelpServices services);

  // Whether `commandId` is one of the help commands above.
  static bool IsHelpCommand(int commandId);
  // Carries out a help command; `document` holds the active document's
  // template and word at the caret (null: no document).
  void Run(int commandId, const project::ToolMacroValues* document);

  // Context help for `document`: the entry shown in the help window, or a
  // status line saying why there is none. The result either way.
  help::ContextHelpResult ContextHelp(const project::ToolMacroValues& document);

  // The help window, made when needed.
  ui::HelpWindow& Window();
  // The help window when it was made, else null.
  ui::HelpWindow* window() const;

 private:
  void ShowWindow();

  QWidget& frame_;
  HelpServices services_;
  QPointer<ui::HelpWindow> window_;
};

}  // namespace vandrel::shell
