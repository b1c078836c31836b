#include "shell/qt_user_interface.h"

#include <QMessageBox>
#include <QPushButton>

namespace vandrel::shell {

namespace {

struct ButtonRole {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<ButtonRole> ButtonsOf(unsigned style) {
  switch (style & kMbButtonMask) {
    case kMbOkCancel:
      return {{QMessageBox::Ok, kIdOk}, {QMessageBox::Cancel, kIdCancel}};
    case kMbAbortRetryIgnore:
      return {{QMessageBox::Abort, kIdAbort},
              {QMessageBox::Retry, kIdRetry},
              {QMessageBox::Ignore, kIdIgnore}};
    case kMbYesNoCancel:
      return {
          {QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}};
    case kMbYesNo:
      return {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
    case kMbRetryCancel:
      return {{QMessageBox::Retry, kIdRetry}, {QMessageBox::Cancel, kIdCancel}};
    default:
      return {{QMessageBox::Ok, kIdOk}};
  }
}

QMessageBox::Icon IconOf(unsigned style) {
  switch (style & kMbIconMask) {
    case kMbIconError:
      return QMessageBox::Critical;
    case kMbIconQuestion:
      return QMessageBox::Question;
    case kMbIconWarning:
      return QMessageBox::Warning;
    case kMbIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int ShowMessageBoxImpl(QWidget* owner, const std::string& caption, const std::string& text,
                       unsigned style) {
  QMessageBox box(IconOf(style), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::NoButton, owner);
  const auto buttons = ButtonsOf(style);
  for (const auto& b : buttons) box.addButton(b.button);
  std::size_t defaultIndex = (style & kMbDefButton3) ? 2 : (style & kMbDefButton2) ? 1 : 0;
  if (defaultIndex < buttons.size()) box.setDefaultButton(buttons[defaultIndex].button);
  const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const auto& b : buttons)
    if (b.button == pressed) return b.answer;
  // Closed with Escape or the window's close button.
  for (const auto& b : buttons)
    if (b.answer == kIdCancel) return kIdCancel;
  return buttons.size() == 1 ? buttons.front().answer : kIdCancel;
}

}  // namespace

int QtUserInterface::ShowMessage(const std::string& caption, const std::string& text,
                                 unsigned style) {
  return ShowMessageBoxImpl(owner_, caption, text, style);
}

}  // namespace vandrel::shell
