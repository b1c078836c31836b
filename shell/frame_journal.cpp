#include "shell/frame_journal.h"

#include <QMetaObject>
#include <QPointer>

namespace vandrel::shell {

FrameJournal::FrameJournal(std::filesystem::path folder, Facts facts, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), facts_(std::move(facts)) {
  QPointer<FrameJournal> self(this);
  writer_ =
      JournalWriter::Start(folder_, &startError_, [self](std::uint64_t, const std::string& error) {
        // Called on the writer's thread.
        QMetaObject::invokeMethod(
            self.data(),
            [self, error] {
              if (self) emit self->writeFailed(QString::fromStdString(error));
            },
            Qt::QueuedConnection);
      });
}

FrameJournal::~FrameJournal() = default;

void FrameJournal::Flush() {
  if (writer_) writer_->Flush();
}

std::uint64_t FrameJournal::NewId() { return nextId_++; }

JournalEntry FrameJournal::Spare() { return writer_ ? writer_->TakeSpare() : JournalEntry{}; }

void FrameJournal::Record(std::uint64_t id, JournalEntry entry) {
  if (!writer_) return;
  if (facts_) {
    const JournalSessionFacts facts = facts_();
    if (!entry.local) {
      entry.hostName = facts.hostName;
      entry.hostPort = facts.port;
      entry.hostUser = facts.user;
    }
    entry.projectFile = facts.projectFile;
  }
  writer_->Submit(id, std::move(entry));
}

void FrameJournal::Forget(std::uint64_t id) {
  if (writer_) writer_->Remove(id);
}

}  // namespace vandrel::shell
