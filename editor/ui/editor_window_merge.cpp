// Merging the host's changes into a host document whose file was changed on
// the server while it was being edited.
#include <QMessageBox>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "editor/merge_text.h"
#include "editor/ui/editor_window.h"
#include "editor/ui/merge_dialog.h"
#include "platform/atomic_file.h"

namespace vandrel::ui {

void EditorWindow::KeepLoadedCopy(const std::filesystem::path& file) {
  if (file.empty()) return;
  // The download and the upload are temporary files that their owners
  // remove once done; the window takes the file over under a name of its own.
  if (loadedCopy_.empty()) loadedCopy_ = file.string() + "-loaded";
  std::error_code failed;
  std::filesystem::rename(file, loadedCopy_, failed);
  if (failed) {
    std::filesystem::copy_file(file, loadedCopy_, std::filesystem::copy_options::overwrite_existing,
                               failed);
  }
  if (failed) loadedCopy_.clear();  // no original: Merge explains itself
}

bool EditorWindow::MergeHostChanges(const remote::OverwriteCase& question, QWidget* dialogParent) {
  const QString caption = tr("Merge Changes");
  auto refuse = [&](const QString& text) {
    QMessageBox::warning(dialogParent, caption, text);
    return false;
  };
  if (readOnly_) return refuse(tr("The document is read-only."));
  std::string loadedBytes;
  if (loadedCopy_.empty() ||
      platform::ReadWholeFile(loadedCopy_, &loadedBytes) != platform::ReadStatus::kOk) {
    return refuse(tr("The text of '%1' as it was loaded is not at hand, so the changes cannot "
                     "be merged. Compare shows them.")
                      .arg(QString::fromStdString(name_)));
  }
  const auto loaded = EditorLinesOf(loadedBytes, format_, TranslationTable());
  const auto host = question.currentBytes
                        ? EditorLinesOf(*question.currentBytes, format_, TranslationTable())
                        : std::nullopt;
  if (!loaded || !host) {
    return refuse(tr("The text of '%1' could not be read for the merge.")
                      .arg(QString::fromStdString(question.hostPath)));
  }
  const std::vector<std::string> editing = SplitEditorText(control_->Text());
  const HostMerge merge = MergeHostVersion(*loaded, editing, *host);

  std::vector<bool> takeMine;
  if (merge.conflicts > 0) {
    MergeConflictDialog choose(merge.chunks, question.hostPath, dialogParent);
    if (choose.exec() != QDialog::Accepted) return false;
    takeMine = choose.takeMine();
  }
  if (!control_->ReplaceLines(EditsOfMine(merge.chunks, takeMine))) {
    return refuse(
        tr("The server's lines could not be put in: there are no free sequence numbers "
           "between their neighbours. Renumber the document, then save again."));
  }
  // The document now stands on the host's version: that is the original
  // of a later merge, and its next save overwrites it without asking.
  format_.fileInfo = question.current;
  if (!platform::WriteFileAtomically(loadedCopy_, *question.currentBytes, 0600)) {
    loadedCopy_.clear();
  }
  UpdateCaption();
  RefreshNavigator();
  // Shown once the save this question stopped has ended.
  mergedStatus_ =
      merge.conflicts == 0
          ? "Merged the changes made on the server; save to write the result."
          : "Merged the changes made on the server with your choices; save to write the result.";
  return true;
}

}  // namespace vandrel::ui
