#include "remote/ui/login_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QVBoxLayout>
#include <optional>

namespace vandrel::ui {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

std::string Limited(const QString& text) {
  return text.left(static_cast<int>(remote::kMaxLoginField)).toStdString();
}

QLabel* WrappedLabel(const std::string& text, QWidget* parent) {
  auto* label = new QLabel(FromStd(text), parent);
  label->setWordWrap(true);
  return label;
}

class DialogLoginPrompt final : public remote::LoginPrompt {
 public:
  explicit DialogLoginPrompt(QObject* context) : context_(context) {}

  std::optional<remote::LoginAnswer> AskLogin(const remote::LoginForm& form) override {
    std::optional<remote::LoginAnswer> answer;
    auto ask = [&] {
      QWidget* owner = qobject_cast<QWidget*>(context_);
      if (owner == nullptr) owner = QApplication::activeWindow();
      LoginDialog dialog(form, owner);
      if (dialog.exec() == QDialog::Accepted) answer = dialog.answer();
    };
    if (QThread::currentThread() == context_->thread()) {
      ask();
    } else {
      QMetaObject::invokeMethod(context_, ask, Qt::BlockingQueuedConnection);
    }
    return answer;
  }

 private:
  QObject* context_;
};

}  // namespace

LoginDialog::LoginDialog(const remote::LoginForm& form, QWidget* parent)
    : QDialog(parent), givenPassword_(form.password) {
  setWindowTitle(FromStd(form.caption));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(WrappedLabel(form.text, this));

  auto* fields = new QFormLayout;
  user_ = new QLineEdit(FromStd(form.userName), this);
  user_->setObjectName("userName");
  user_->setMaxLength(static_cast<int>(remote::kMaxLoginField));
  auto* userLabel = new QLabel(FromStd(form.userLabel), this);
  userLabel->setBuddy(user_);
  fields->addRow(userLabel, user_);
  if (!form.mpeLogon) {
    password_ = new QLineEdit(FromStd(form.password), this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(static_cast<int>(remote::kMaxLoginField));
    auto* passwordLabel = new QLabel(FromStd(form.passwordLabel), this);
    passwordLabel->setBuddy(password_);
    fields->addRow(passwordLabel, password_);
  }
  layout->addLayout(fields);
  if (form.mpeLogon) {
    // A logon string is long: the field gets room for one.
    user_->setMinimumWidth(user_->fontMetrics().averageCharWidth() * 48);
    layout->addSpacing(6);
    layout->addWidget(WrappedLabel(form.formatExplanation, this));
    layout->addSpacing(6);
    layout->addWidget(WrappedLabel(form.passwordExplanation, this));
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  QLineEdit* focus = form.focusPassword && password_ != nullptr ? password_ : user_;
  focus->setFocus();
  focus->selectAll();
}

remote::LoginAnswer LoginDialog::answer() const {
  remote::LoginAnswer answer;
  answer.userName = Limited(user_->text());
  answer.password = password_ != nullptr ? Limited(password_->text())
                                         : givenPassword_.substr(0, remote::kMaxLoginField);
  return answer;
}

std::unique_ptr<remote::LoginPrompt> MakeDialogLoginPrompt(QObject* context) {
  return std::make_unique<DialogLoginPrompt>(context);
}

}  // namespace vandrel::ui
