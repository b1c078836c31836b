// Answers a modal dialog that the code under test runs. A dialog that does
// not come, comes as another kind, or stays open after the answer fails the
// test and is closed, so the test does not hang in the dialog's event loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace vandrel::testing {

// While it lives, waits for a modal dialog of type `Dialog` and calls
// `answer` with it once; the answer is to close it.
//
//   ModalAnswer<TipDialog> answer([](TipDialog& tip) { tip.accept(); });
//   TipDialog::Offer(...);
template <typename Dialog>
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(Dialog&)> answer, int limitMs = 10000)
      : answer_(std::move(answer)), limitMs_(limitMs), timer_(std::make_unique<QTimer>()) {
    elapsed_.start();
    timer_->setInterval(5);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Poll(); });
    timer_->start();
  }
  ~ModalAnswer() {
    timer_->stop();
    if (!answered_ && !failed_) ADD_FAILURE() << "the dialog to answer never came";
  }
  ModalAnswer(const ModalAnswer&) = delete;
  ModalAnswer& operator=(const ModalAnswer&) = delete;

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!failed_) {
      if (auto* dialog = qobject_cast<Dialog*>(modal)) {
        answered_ = true;
        timer_->stop();
        answer_(*dialog);
        if (dialog->isVisible()) {
          ADD_FAILURE() << "the answer left the dialog open";
          dialog->reject();
        }
        return;
      }
      if (elapsed_.elapsed() < limitMs_) return;
      failed_ = true;
      ADD_FAILURE() << "no dialog of the expected kind within " << limitMs_ << " ms";
    }
    // Past the bound, whatever dialog comes is closed.
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else if (modal != nullptr) {
      modal->close();
    }
  }

  std::function<void(Dialog&)> answer_;
  int limitMs_;
  bool answered_ = false;
  bool failed_ = false;
  QElapsedTimer elapsed_;
  std::unique_ptr<QTimer> timer_;
};

}  // namespace vandrel::testing
