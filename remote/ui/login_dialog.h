// The "Network Security" dialog that asks for a login when the host wants
// one and the stored login is incomplete: a user name and a masked password,
// or, for a host that wants an MPE/iX logon string, the one logon field with
// its explanations. And the login prompt the connecting thread calls, which
// shows the dialog on the user-interface thread and waits for the answer.
#pragma once

#include <QDialog>
#include <memory>

#include "remote/connect_thread.h"

class QLineEdit;

namespace vandrel::ui {

class LoginDialog : public QDialog {
  Q_OBJECT

 public:
  // Starts with the form's values; the password has the focus when a user
  // name is already there.
  explicit LoginDialog(const remote::LoginForm& form, QWidget* parent = nullptr);

  // The edited values, each at most kMaxLoginField characters; the MPE/iX
  // form returns the password it was given.
  remote::LoginAnswer answer() const;

  QLineEdit* userField() const { return user_; }
  QLineEdit* passwordField() const { return password_; }  // null on the MPE/iX form

 private:
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  std::string givenPassword_;
};

// Asks on the thread of `context` (the user-interface thread), blocking the
// caller until the dialog is closed; at once when called on that thread.
// Cancel answers nothing. `context` must outlive the prompt.
std::unique_ptr<remote::LoginPrompt> MakeDialogLoginPrompt(QObject* context);

}  // namespace vandrel::ui
