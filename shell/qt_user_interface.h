// The user interface of the core, answered with Qt message boxes.
#pragma once

#include "core/user_interface.h"

class QWidget;

namespace vandrel::shell {

class QtUserInterface : public UserInterface {
 public:
  explicit QtUserInterface(QWidget* owner = nullptr) : owner_(owner) {}
  void setOwner(QWidget* owner) { owner_ = owner; }

  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override;

 private:
  QWidget* owner_;
};

}  // namespace vandrel::shell
