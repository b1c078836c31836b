// The frame's journal of unsaved edits: the writer on its own thread, each
// window's entries completed with the session and project they belong to,
// and, at start-up, the offer to recover what an editor that ended without
// saving left behind.
#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "editor/edit_journal.h"
#include "editor/ui/document_journal.h"

namespace vandrel::shell {

// What an entry records of the session and the project besides the document.
struct JournalSessionFacts {
  std::string hostName;
  std::int32_t port = 0;
  std::string user;
  std::string projectFile;
};

class FrameJournal final : public QObject, public ui::DocumentJournal {
  Q_OBJECT

 public:
  using Facts = std::function<JournalSessionFacts()>;
  // Starts the writer in `folder`. When it cannot start (the folder cannot be
  // made, or file locks do nothing there), documents are not journaled and
  // startError() says why.
  FrameJournal(std::filesystem::path folder, Facts facts, QObject* parent = nullptr);
  ~FrameJournal() override;

  bool running() const { return writer_ != nullptr; }
  const std::string& startError() const { return startError_; }
  const std::filesystem::path& folder() const { return folder_; }
  // Waits until every entry handed over is on disk.
  void Flush();
  // What writing the last entry cost on the writer's thread.
  JournalWriteCost lastWriteCost() const {
    return writer_ ? writer_->LastWriteCost() : JournalWriteCost{};
  }

  std::uint64_t NewId() override;
  JournalEntry Spare() override;
  void Record(std::uint64_t id, JournalEntry entry) override;
  void Forget(std::uint64_t id) override;

 signals:
  // A journal could not be written (on the user-interface thread).
  void writeFailed(const QString& error);

 private:
  std::filesystem::path folder_;
  Facts facts_;
  std::unique_ptr<JournalWriter> writer_;
  std::string startError_;
  std::uint64_t nextId_ = 1;
};

}  // namespace vandrel::shell
