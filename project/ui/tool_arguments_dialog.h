// "Tool Arguments": asked before a tool that prompts for its arguments runs.
// The command is shown, the arguments can be edited (with the tool macros
// at hand) and the output choice changed – for this run only; the stored
// tool stays as it is.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;

namespace vandrel::ui {

// The arguments field takes at most this many characters.
inline constexpr int kToolArgumentsLength = 255;

struct ToolArgumentsChoice {
  std::string arguments;
  bool output = false;
};

class ToolArgumentsDialog final : public QDialog {
  Q_OBJECT

 public:
  ToolArgumentsDialog(const std::string& command, const std::string& arguments, bool output,
                      QWidget* parent = nullptr);

  ToolArgumentsChoice choice() const;
  QLineEdit* argumentsField() const { return arguments_; }

 private:
  QLineEdit* arguments_;
  QCheckBox* output_;
};

// Shows the dialog; nothing when the user cancelled.
std::optional<ToolArgumentsChoice> AskToolArguments(QWidget* parent, const std::string& command,
                                                    const std::string& arguments, bool output);

}  // namespace vandrel::ui
