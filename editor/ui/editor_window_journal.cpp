// The journal of a window's unsaved edits: written shortly after typing
// pauses and at least every few seconds while it goes on, forgotten when the
// document is saved, closed or back at its saved text.
#include <QDateTime>
#include <QTimer>
#include <algorithm>

#include "editor/ui/document_journal.h"
#include "editor/ui/editor_window.h"

namespace vandrel::ui {

namespace {

// The pause after an edit before it is journaled, and the longest an edit
// waits while typing goes on.
constexpr std::int64_t kJournalPauseMs = 1000;
constexpr std::int64_t kJournalLongestWaitMs = 5000;

}  // namespace

void EditorWindow::ScheduleJournal() {
  if (services_.journal == nullptr || readOnly_ || !isModified()) return;
  if (journalTimer_ == nullptr) {
    journalTimer_ = new QTimer(this);
    journalTimer_->setSingleShot(true);
    connect(journalTimer_, &QTimer::timeout, this, [this] { WriteJournal(); });
  }
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  if (firstUnjournaled_ < 0) firstUnjournaled_ = now;
  const std::int64_t left = kJournalLongestWaitMs - (now - firstUnjournaled_);
  journalTimer_->start(static_cast<int>(std::clamp<std::int64_t>(left, 0, kJournalPauseMs)));
}

void EditorWindow::WriteJournal() {
  firstUnjournaled_ = -1;
  if (services_.journal == nullptr) return;
  if (readOnly_ || !isModified()) {
    ForgetJournal();
    return;
  }
  if (journalId_ == 0) journalId_ = services_.journal->NewId();
  // Only copies are taken here; encoding and writing run on the journal's
  // own thread.
  JournalEntry entry = services_.journal->Spare();
  entry.documentName = name_;
  entry.local = name_.empty() || format_.IsLocal();
  entry.templateName = format_.templateName;
  entry.format = format_;
  entry.tokenText = control_->document().tokenText();
  entry.text.assign(control_->Text());
  entry.lines = control_->document().lines();
  services_.journal->Record(journalId_, std::move(entry));
  journaled_ = true;
}

void EditorWindow::ForgetJournal() {
  if (journalTimer_ != nullptr) journalTimer_->stop();
  firstUnjournaled_ = -1;
  if (!journaled_ || services_.journal == nullptr) return;
  services_.journal->Forget(journalId_);
  journaled_ = false;
}

}  // namespace vandrel::ui
