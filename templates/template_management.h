// The Template Manager's operations on the catalogue: creating a template
// (new or copied), committing the edits of its working copy with protection
// of the default templates, and deleting one. Every question and warning goes
// through the UserInterface; the window only wires its controls to these.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/user_interface.h"
#include "templates/template_catalogue.h"

namespace vandrel {

inline constexpr std::string_view kTemplateExtension = ".vdt";
inline constexpr std::string_view kTemplateBackupExtension = ".bak";
inline constexpr std::size_t kMaxTemplateNameLength = kTemplateNameSize - 1;  // 62
inline constexpr std::size_t kMaxTemplatePathLength = kTemplatePathSize - 1;  // 259

// The "New Template" dialog ("Copy Template" when copying) without its
// window: a name and a template file name, where the file name follows the
// name for as long as the user has not typed a different one.
class NewTemplateForm {
 public:
  NewTemplateForm(bool copying, std::string userTemplatesFolder)
      : copying_(copying), folder_(std::move(userTemplatesFolder)) {}

  std::string Title() const;
  bool Copying() const { return copying_; }
  // The folder the dialog shows; the new file goes there.
  const std::string& Folder() const { return folder_; }

  // A change of the name field: while the file name still equals the text
  // last copied from the name, it takes the new name too.
  void SetName(std::string_view name);
  // A change of the file name field.
  void SetFileName(std::string_view fileName) { fileName_ = fileName; }

  const std::string& Name() const { return name_; }
  const std::string& FileName() const { return fileName_; }
  // OK is enabled only while both fields hold text.
  bool OkEnabled() const { return !name_.empty() && !fileName_.empty(); }

 private:
  bool copying_;
  std::string folder_;
  std::string name_;
  std::string fileName_;
  std::string lastCopied_;
};

// `fileName` with ".vdt" appended unless it already ends in it, in any case.
std::string TemplateFileName(std::string_view fileName);

// The backup a deleted template file becomes: the extension of the file name
// (its last '.' and what follows) replaced by ".bak", or ".bak" appended when
// the file name has no '.'.
std::filesystem::path TemplateBackupPath(const std::filesystem::path& path);

// Creates a template in the user templates folder and appends it to the
// catalogue. `source` (when not null) is copied first, unsaved edits
// included; the Template Manager passes its working copy or the selected
// template when copying, null for a new template. The new template takes
// `name`, the path userTemplatesFolder/TemplateFileName(fileName) and user
// flag 1, and is saved.
//
// Refused with a warning, the dialog staying open (null is returned), when:
// the name is taken in the catalogue (or is a pseudo-name), is longer than 62
// characters; the file name holds a folder separator; no user templates
// folder is set; the file already exists there; the full path is longer than
// 259 characters; or the file cannot be saved (nothing is then left behind,
// neither in the catalogue nor on disk). The folder is created when missing.
// An empty name or file name is refused without a message.
Template* CreateTemplate(TemplateCatalogue& catalogue, UserInterface& ui,
                         std::string_view userTemplatesFolder, std::string_view name,
                         std::string_view fileName, const Template* source);

enum class CommitOutcome {
  kUnchanged,   // no catalogue template of that name, or no difference
  kCommitted,   // the catalogue template (and its file) took the edits
  kSavedAsNew,  // the edits went into a new copy of a default template
  kCancelled,   // the user cancelled; the selection stays
  kSaveFailed,  // the file could not be saved (reported); the selection stays
};

struct CommitResult {
  CommitOutcome outcome = CommitOutcome::kUnchanged;
  Template* created = nullptr;  // for kSavedAsNew: the template to select
  // Whether the Template Manager may move its selection on.
  bool SelectionMayMove() const {
    return outcome != CommitOutcome::kCancelled && outcome != CommitOutcome::kSaveFailed;
  }
};

// Runs the "Copy Template" dialog for `source` and creates the copy (through
// CreateTemplate); null when the user cancels it.
using CopyTemplateDialog = std::function<Template*(const Template& source)>;

// Commits the working copy of the Template Manager (its pages have already
// stored their controls) into the catalogue template of the same name, when
// they differ. A default template (user flag 0) is protected by a Yes/No/
// Cancel question: Yes saves the edits as a new template through
// `copyDialog` (the default stays unchanged; cancelling that dialog counts as
// Cancel, so no edit is lost), No changes the default template itself,
// Cancel keeps the selection. The working copy is saved to its file first
// (when it has a path); a failure is reported and leaves the catalogue
// template as it was.
CommitResult CommitTemplateEdits(TemplateCatalogue& catalogue, UserInterface& ui,
                                 Template& workingCopy, const CopyTemplateDialog& copyDialog);

// The working copy on arriving at a selection: a copy of the catalogue
// template of `name`, or a cleared template without a path when there is none.
void LoadWorkingCopy(const TemplateCatalogue& catalogue, std::string_view name,
                     Template& workingCopy);

// Where the tree selection goes when item `index` of a flat list of `count`
// items is deleted: to the item above, else the item below, else the first
// item. The result indexes the list after the deletion; nothing when the list
// becomes empty. An index outside the list gives the first item.
std::optional<std::size_t> SelectionAfterDelete(std::size_t count, std::size_t index);

// Asks "Are you sure you want to delete the '%s' template ?" and on Yes moves
// the template's file to its backup name (replacing an older backup) and
// removes the template from the catalogue. Default and user templates alike
// can be deleted. False when the user says No, the name is unknown, or the
// file cannot be moved (reported; the template then stays).
bool DeleteTemplate(TemplateCatalogue& catalogue, UserInterface& ui, std::string_view name);

}  // namespace vandrel
