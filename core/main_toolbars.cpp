#include "core/main_toolbars.h"

#include <algorithm>
#include <array>

#include "core/main_menu.h"

namespace vandrel {
namespace {

constexpr ToolbarButton kGap{0, {}};

// Files, clipboard, search, views, building, the host, printing and help.
constexpr std::array kMainButtons{
    ToolbarButton{cmd::kNewFile, "document-new"},
    ToolbarButton{cmd::kOpenFile, "network-server"},
    ToolbarButton{cmd::kLocalOpen, "document-open"},
    ToolbarButton{cmd::kSave, "document-save"},
    ToolbarButton{cmd::kSaveAll, "document-save-as"},
    kGap,
    ToolbarButton{cmd::kCut, "edit-cut"},
    ToolbarButton{cmd::kCopy, "edit-copy"},
    ToolbarButton{cmd::kPaste, "edit-paste"},
    ToolbarButton{cmd::kUndo, "edit-undo"},
    ToolbarButton{cmd::kRedo, "edit-redo"},
    kGap,
    ToolbarButton{cmd::kFind, "edit-find"},
    ToolbarButton{cmd::kFindInFiles, "system-search"},
    kGap,
    ToolbarButton{cmd::kWorkspace, "system-file-manager"},
    ToolbarButton{cmd::kOutput, "format-justify-fill"},
    ToolbarButton{cmd::kCommandLine, "utilities-terminal"},
    kGap,
    ToolbarButton{cmd::kCompile, "media-playback-start"},
    ToolbarButton{cmd::kBuild, "applications-system"},
    ToolbarButton{cmd::kStop, "process-stop"},
    kGap,
    ToolbarButton{cmd::kConnect, "network-transmit-receive"},
    ToolbarButton{cmd::kDisconnect, "network-offline"},
    kGap,
    ToolbarButton{cmd::kPrint, "document-print"},
    ToolbarButton{cmd::kHelpContents, "help-browser"},
};

// Moving through functions, bookmarks and errors; the list follows them.
constexpr std::array kNavigatorButtons{
    ToolbarButton{cmd::kPreviousFunction, "go-up"},
    ToolbarButton{cmd::kNextFunction, "go-down"},
    ToolbarButton{cmd::kRefresh, "view-refresh"},
    kGap,
    ToolbarButton{cmd::kToggleBookmark, "bookmark-new"},
    ToolbarButton{cmd::kPreviousBookmark, "go-previous"},
    ToolbarButton{cmd::kNextBookmark, "go-next"},
    ToolbarButton{cmd::kClearBookmarks, "edit-clear"},
    kGap,
    ToolbarButton{cmd::kPreviousErrorTag, "go-first"},
    ToolbarButton{cmd::kNextErrorTag, "go-last"},
    ToolbarButton{cmd::kGoTo, "go-jump"},
};

const ToolbarSpec kMain{kMainToolbarName, kMainButtons};
const ToolbarSpec kNavigator{kNavigatorToolbarName, kNavigatorButtons};

}  // namespace

const ToolbarSpec& MainToolbar() { return kMain; }
const ToolbarSpec& NavigatorToolbar() { return kNavigator; }

int ToolbarButtonCount(const ToolbarSpec& bar) {
  return static_cast<int>(std::count_if(bar.buttons.begin(), bar.buttons.end(),
                                        [](const ToolbarButton& b) { return b.commandId != 0; }));
}

}  // namespace vandrel
