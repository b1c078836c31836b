// The editor window's own context menu: the editing entries, Find, Insert
// File into Project, Open File on the word at the click, Go To Definition,
// Parameter Info, Renumber, a copy of the frame's window list and
// Properties. Entries whose commands the window cannot carry out yet are
// shown disabled.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "editor/ui/editor_frame.h"

class QMenu;
class QWidget;

namespace vandrel::ui {

struct EditorMenuState {
  bool hasSelection = false;
  bool clipboardHasText = false;
  bool readOnly = false;
  bool canInsertIntoProject = false;  // an open project whose entries do not hold the document
  bool hasLineNumbers = false;
  bool findAvailable = false;         // the Find command is carried out
  bool renumberAvailable = false;     // the renumber dialog is carried out
  std::string word;                   // the file name at the click; empty: none
  std::string definition;             // the word at the click when the navigator knows it
  bool definitionIsFunction = false;  // ... as a function with a declaration to show
  std::vector<EditorFrame::WindowEntry> windows;
};

// What each entry does, kept as its action's data: a command id (a window
// of the list is the frame's window command, from cmd::kFirstWindowChild),
// or Open File on the word.
inline constexpr int kMenuOpenWord = -1;
// Go To Definition of the word at the click.
inline constexpr int kMenuGoToDefinition = -2;
// The window list copies at most this many windows.
inline constexpr int kMenuWindowEntries = 10;

// The menu the window shows; the caller runs it and acts on the chosen
// action's data.
std::unique_ptr<QMenu> BuildEditorContextMenu(const EditorMenuState& state, QWidget* parent);

// The entry texts, as the menu shows them.
QString OpenFileEntryText(const std::string& word);

}  // namespace vandrel::ui
