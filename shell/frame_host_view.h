// What the host connection, and the builds and project flows that start
// host work, need of the window: its busy state, its connected state, its
// commands brought up to date, and the workspace brought forward once a
// connection opens. Called on the user-interface thread only.
#pragma once

#include "remote/overwrite_question.h"

class QWidget;

namespace vandrel::shell {

class FrameHostView {
 public:
  virtual ~FrameHostView() = default;
  // While busy, Stop is enabled and the window shows the working cursor.
  virtual void SetBusy(bool busy) = 0;
  // Status part 1 and the host commands follow the connection.
  virtual void SetConnected(bool connected) = 0;
  // Something the commands' enabling depends on has changed.
  virtual void CommandStateChanged() = 0;
  // Brings the workspace window forward (Alt+1).
  virtual void ActivateWorkspace() = 0;
  // The host session has ended: every document forgets its host lock.
  virtual void SessionEnded() = 0;
  // "File Has Been Changed" > Merge: the host's version goes into the open
  // document of the question's host path; true when it did.
  virtual bool MergeHostChanges(const remote::OverwriteCase& question, QWidget* parent) = 0;
};

}  // namespace vandrel::shell
