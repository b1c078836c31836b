// The six pages of the Template Manager – "Editor", "Line Numbers",
// "Syntax", "Keywords", "Advanced" and "MPE/iX" – over one working copy.
// Loading fills the controls from the working copy; storing writes back the
// controls the user changed (templates/template_editor_rules.h) and the
// keyword list the box shows.
#pragma once

#include <QTabWidget>
#include <functional>
#include <optional>
#include <string>

#include "templates/template_editor_rules.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vandrel {
class Template;
class TemplateCatalogue;
}  // namespace vandrel

namespace vandrel::ui {

// Edits a compiler output mask, starting from `mask`; nothing when the user
// cancels.
using OutputMaskEditor =
    std::function<std::optional<std::string>(QWidget* parent, const std::string& mask)>;

class TemplatePages final : public QTabWidget {
  Q_OBJECT

 public:
  // Without `editMask` the output mask's "..." stays disabled.
  TemplatePages(const TemplateCatalogue& catalogue, OutputMaskEditor editMask, QWidget* parent);

  // Shows `workingCopy`, which stays the pages' until the next Load.
  void Load(Template& workingCopy);
  // Writes the changed controls into the working copy.
  void Store();

  // The page with `objectName` ("editorPage", "lineNumbersPage", "syntaxPage",
  // "keywordsPage", "advancedPage", "mpePage"); its controls are found by
  // their object names.
  QWidget* Page(const QString& objectName) const;
  QPlainTextEdit* keywordBox() const { return keywordBox_; }
  QComboBox* keywordStyle() const { return keywordStyle_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* MakeEditorPage();
  QWidget* MakeLineNumbersPage();
  QWidget* MakeSyntaxPage();
  QWidget* MakeKeywordsPage();
  QWidget* MakeAdvancedPage();
  QWidget* MakeMpePage();

  void ShowControls(const TemplateControls& controls);
  TemplateControls ReadControls() const;
  void UpdateEnabling();
  void UpdateMarkerHint();
  // The keyword box takes the list of style `style`, unmodified.
  void ShowKeywords(int style);
  // The box's lines go back into the list it shows, when it was changed.
  void ReadKeywords();
  void ChooseHelpFile();
  void EditOutputMask();

  const TemplateCatalogue& catalogue_;
  OutputMaskEditor editMask_;
  Template* workingCopy_ = nullptr;
  TemplateControls shown_;
  int shownStyle_ = 0;

  // "Editor"
  QCheckBox* override_;
  QCheckBox* smartIndenting_;
  QCheckBox* ruler_;
  QCheckBox* saveTabs_;
  QSpinBox* tabSize_;
  QCheckBox* insertTabs_;
  QLineEdit* tabPositions_;
  QLabel* tabPositionsLabel_;
  QLabel* tabSizeLabel_;
  QLabel* tabPositionsHint_;
  // "Line Numbers"
  QCheckBox* remove_;
  QCheckBox* renumber_;
  QCheckBox* mpeFormat_;
  QCheckBox* hideNumbers_;
  QCheckBox* resequence_;
  QComboBox* position_;
  QSpinBox* digits_;
  QSpinBox* start_;
  QSpinBox* sequence_;
  QWidget* numberFields_;
  // "Syntax"
  QLineEdit* delimiters_;
  QCheckBox* singleQuotes_;
  QCheckBox* doubleQuotes_;
  QLineEdit* commentStart_;
  QLineEdit* commentEnd_;
  QLineEdit* lineComment_;
  QSpinBox* lineCommentPosition_;
  QLabel* markerHint_;
  // "Keywords"
  QComboBox* keywordStyle_;
  QPlainTextEdit* keywordBox_;
  QCheckBox* caseSensitive_;
  QCheckBox* partialMatch_;
  QSpinBox* partialFrom_;
  // "Advanced"
  QComboBox* navigator_;
  QLineEdit* helpFile_;
  QPushButton* helpBrowse_;
  QLineEdit* outputMask_;
  QPushButton* maskBrowse_;
  QCheckBox* trim_;
  QCheckBox* cobolTokens_;
  QSpinBox* maximumLength_;
  // "MPE/iX"
  QCheckBox* mpeSupport_;
  QRadioButton* qedit_;
  QRadioButton* standard_;
  QSpinBox* recordLength_;
  QComboBox* language_;
  QComboBox* fileCode_;
  QComboBox* type_;
  QComboBox* mode_;
  QLabel* recordLengthLabel_;
  QLabel* languageLabel_;
  QLabel* fileCodeLabel_;
  QLabel* typeLabel_;
  QLabel* modeLabel_;
};

}  // namespace vandrel::ui
