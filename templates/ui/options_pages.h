// The pages of the "Options" dialog. Each page copies the settings into its
// controls when it is made and writes them back only when asked to apply,
// which the dialog does on OK into the copy its caller takes.
#pragma once

#include <QSpinBox>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "core/app_settings.h"
#include "templates/options_rules.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QTreeWidget;
class QTreeWidgetItem;

namespace vandrel::ui {

// Asks for a folder, starting at `current`; an empty text when the user
// cancels.
using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;
// The platform's folder chooser, titled "Locations".
QString ChooseFolderWithDialog(QWidget* parent, const QString& current);

// A number field whose arrows stay within `low`-`high` while any number can
// be typed: the page's rule decides what a typed number outside the range
// stores.
class SteppedNumberBox final : public QSpinBox {
  Q_OBJECT

 public:
  SteppedNumberBox(int low, int high, QWidget* parent);
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  int low_;
  int high_;
};

class OptionsPage : public QWidget {
  Q_OBJECT

 public:
  OptionsPage(const QString& name, QWidget* parent);
  // Writes the page's controls into `settings`.
  virtual void Apply(AppSettings& settings) const;

 protected:
  // A check box showing `setting` (checked when not 0), stored as 1 or 0.
  QCheckBox* FlagBox(const QString& text, const QString& name, const AppSettings& settings,
                     std::int32_t AppSettings::*setting);

 private:
  std::vector<std::pair<QCheckBox*, std::int32_t AppSettings::*>> flags_;
};

// "Editor": view and editing switches, the tab size and the COBOL'85 line
// tag format with its example.
class EditorOptionsPage final : public OptionsPage {
  Q_OBJECT

 public:
  EditorOptionsPage(const AppSettings& settings, QWidget* parent);
  void Apply(AppSettings& settings) const override;

  QSpinBox* tabSize() const { return tabSize_; }
  QComboBox* tagFormat() const { return tagFormat_; }
  QLabel* tagExample() const { return tagExample_; }

 private:
  void ShowTagExample();

  QSpinBox* tabSize_;
  QComboBox* tagFormat_;
  QLabel* tagExample_;
};

// "Build": what running a build does with files and the output window.
class BuildOptionsPage final : public OptionsPage {
  Q_OBJECT

 public:
  BuildOptionsPage(const AppSettings& settings, QWidget* parent);
};

// "Workspace": start-up, opening and project switches.
class WorkspaceOptionsPage final : public OptionsPage {
  Q_OBJECT

 public:
  WorkspaceOptionsPage(const AppSettings& settings, QWidget* parent);
  void Apply(AppSettings& settings) const override;

  QCheckBox* reloadProject() const { return reloadProject_; }

 private:
  std::int32_t gettingStarted_;  // as the page found it
  QCheckBox* reloadProject_;
};

// "Advanced": renaming, wildcard case, directory listings and their cache.
class AdvancedOptionsPage final : public OptionsPage {
  Q_OBJECT

 public:
  AdvancedOptionsPage(const AppSettings& settings, QWidget* parent);
  void Apply(AppSettings& settings) const override;

  QSlider* cacheSize() const { return cacheSize_; }
  QLabel* cacheLabel() const { return cacheLabel_; }

 private:
  QCheckBox* noInitialList_;
  QSlider* cacheSize_;
  QLabel* cacheLabel_;
};

// "Directories": the six folders, an unset one shown as "(none)".
class DirectoriesOptionsPage final : public OptionsPage {
  Q_OBJECT

 public:
  DirectoriesOptionsPage(const AppSettings& settings, FolderChooser chooser, QWidget* parent);
  void Apply(AppSettings& settings) const override;

  QTreeWidget* list() const { return list_; }
  QPushButton* modifyButton() const { return modify_; }

 private:
  void Modify();

  FolderChooser chooser_;
  QTreeWidget* list_;
  QPushButton* modify_;
};

// "Display": the editor's fixed-pitch font and the colours of each
// display category, with a sample.
class DisplayOptionsPage final : public OptionsPage {
  Q_OBJECT

 public:
  DisplayOptionsPage(const AppSettings& settings, QWidget* parent);
  void Apply(AppSettings& settings) const override;

  QComboBox* faceName() const { return face_; }
  QSpinBox* pointSize() const { return size_; }
  QListWidget* categories() const { return categories_; }
  QComboBox* foreground() const { return foreground_; }
  QComboBox* background() const { return background_; }
  QLabel* sample() const { return sample_; }

 private:
  void ShowCategory();
  void ColourChosen(QComboBox* box, bool foreground);
  void ShowSample();
  const DisplayCategory* CurrentCategory() const;

  AppSettings colours_;  // the page's copy; only its colours are used
  QComboBox* face_;
  SteppedNumberBox* size_;
  QListWidget* categories_;
  QComboBox* foreground_;
  QComboBox* background_;
  QLabel* sample_;
};

}  // namespace vandrel::ui
