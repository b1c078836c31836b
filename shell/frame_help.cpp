#include "shell/frame_help.h"

#include <QWidget>

#include "core/main_menu.h"
#include "help/manual.h"
#include "help/ui/about_dialog.h"
#include "help/ui/help_window.h"
#include "platform/install_paths.h"
#include "shell/app_icon.h"
#include "templates/template_catalogue.h"

namespace vandrel::shell {

FrameHelp::FrameHelp(QWidget& frame, HelpServices services)
    : frame_(frame), services_(std::move(services)) {
  if (services_.manualFolder.empty()) services_.manualFolder = help::DefaultManualFolder();
  if (services_.defaultTemplatesFolder.empty()) {
    services_.defaultTemplatesFolder = platform::DefaultTemplatesFolder();
  }
  if (services_.licenceFile.empty()) services_.licenceFile = help::InstalledLicenceFile();
}

bool FrameHelp::IsHelpCommand(int commandId) {
  return commandId == cmd::kAbout || commandId == cmd::kContextHelp ||
         commandId == cmd::kHelpContents || commandId == cmd::kHelpSearch ||
         commandId == cmd::kInstallingServerSoftware;
}

void FrameHelp::Run(int commandId, const project::ToolMacroValues* document) {
  switch (commandId) {
    case cmd::kAbout: {
      ui::AboutDialog about(ApplicationIcon(), services_.licenceFile, &frame_);
      about.exec();
      return;
    }
    case cmd::kContextHelp:
      if (document != nullptr) {
        ContextHelp(*document);
      } else if (services_.report) {
        services_.report("Context help: open a document and put the caret on a word.");
      }
      return;
    case cmd::kHelpContents:
      Window().ShowContents();
      ShowWindow();
      return;
    case cmd::kHelpSearch:
      Window().ShowSearch();
      ShowWindow();
      return;
    case cmd::kInstallingServerSoftware:
      Window().ShowPage(std::string(help::kAgentPage));
      ShowWindow();
      return;
    default:
      return;
  }
}

help::ContextHelpResult FrameHelp::ContextHelp(const project::ToolMacroValues& document) {
  static const TemplateCatalogue kNoTemplates;
  const TemplateCatalogue* catalogue = services_.templates ? services_.templates() : nullptr;
  const help::ContextHelpResult result =
      help::ContextHelp(catalogue ? *catalogue : kNoTemplates, document.templateName,
                        document.caretText, services_.defaultTemplatesFolder);
  if (result.status == help::ContextHelpStatus::kFound) {
    Window().ShowContextHelp(result);
    ShowWindow();
  } else if (services_.report) {
    services_.report(QString::fromStdString(help::ContextHelpMessage(result)));
  }
  return result;
}

ui::HelpWindow& FrameHelp::Window() {
  if (!window_) window_ = new ui::HelpWindow(help::Manual::Load(services_.manualFolder), &frame_);
  return *window_;
}

ui::HelpWindow* FrameHelp::window() const { return window_.data(); }

void FrameHelp::ShowWindow() {
  window_->show();
  window_->raise();
  window_->activateWindow();
}

}  // namespace vandrel::shell
