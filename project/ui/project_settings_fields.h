// Controls of the project settings pages that show one setting of several
// items at once – a check box that shows partly checked when the items
// differ, a command field with its "Example:" line and the button that
// inserts item macros at the caret – and the page that binds them to the
// selected items.
#pragma once

#include <QCheckBox>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "project/settings_selection.h"
#include "project/ui/macro_button.h"
#include "project/ui/project_settings_pages.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace vandrel::ui {

QString QtFromUtf8(std::string_view text);
std::string Utf8FromQt(const QString& text);

// A check box over the selection. It shows partly checked while the items
// differ; a click then checks it, and afterwards it toggles between checked
// and unchecked only. React to `clicked`.
class SelectionCheckBox final : public QCheckBox {
  Q_OBJECT

 public:
  SelectionCheckBox(const QString& text, QWidget* parent);
  void SetState(project::TriState state);
  project::TriState State() const;

 protected:
  void nextCheckState() override;
};

// A command text with the button that offers the item macros and, below it,
// the "Example:" line: the text with the macros replaced by sample values.
// The field, button and example line are named `name`, `name` + "Macros" and
// `name` + "Example"; the whole `name` + "Field".
class MacroCommandField final : public QWidget {
  Q_OBJECT

 public:
  MacroCommandField(const QString& name, int maxLength, QWidget* parent);

  QLineEdit* edit() const { return edit_; }
  MacroButton* macroButton() const { return button_; }
  QLabel* example() const { return example_; }
  // Shows `text` without signalling `edited`.
  void SetText(const std::string& text);

 signals:
  // The user typed or inserted a macro; `text` is the whole new text.
  void edited(const QString& text);

 private:
  void ShowExample();

  QLineEdit* edit_;
  MacroButton* button_;
  QLabel* example_;
};

// The "Example:" text of a command.
QString MacroExample(const QString& command);

// A page over the selected items. Its controls show the items' common values;
// a change is written into every selected item, the items' nodes are
// refreshed and the page's own refresh steps run (enabling, dependent texts).
class SettingsPageWidget : public QWidget {
  Q_OBJECT

 public:
  SettingsPageWidget(SettingsPageContext context, const QString& name, QWidget* parent);

  const SettingsPageContext& context() const { return context_; }
  const project::Selection& selection() const { return context_.selection; }
  project::Project& project() const { return *context_.project; }

  // A check box bound to `flag` of the selected items.
  SelectionCheckBox* FlagBox(const QString& text, const QString& name, project::ItemFlag flag,
                             bool subtrees = false);
  // A line field bound to `text` (empty while the items differ).
  QLineEdit* TextField(const QString& name, project::ItemText text, bool subtrees = false);
  // A command field bound to `text`.
  MacroCommandField* CommandField(const QString& name, project::ItemText text,
                                  bool subtrees = false);

  // Runs `refresh` now and after every change made on the page.
  void OnChange(std::function<void()> refresh);
  // Tells the dialog that the selected items changed, then refreshes.
  void Changed(bool subtrees = false);

 private:
  SettingsPageContext context_;
  std::vector<std::function<void()>> refreshers_;
};

}  // namespace vandrel::ui
