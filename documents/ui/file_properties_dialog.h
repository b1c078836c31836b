// The file properties sheet of an editor window: the General page (name,
// template, size, last modification, tab size, line ends), the MPE page of
// record-form documents (file code, record type, mode, record size, user
// labels) and the Qedit page of Qedit documents (language, record size, end
// of file, line number length and alignment). The rules live in
// documents/mpe_page_model.h; this sheet binds them to widgets, and hands
// every change at once, as the whole edited format record, to its window.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

#include "documents/document_format.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;

namespace vandrel {
class TemplateCatalogue;
class UserInterface;
}  // namespace vandrel

namespace vandrel::ui {

struct FilePropertiesInput {
  DocumentFormat format;
  std::int64_t textLength = 0, lineCount = 0;
  const TemplateCatalogue* catalogue = nullptr;  // null: only "(none)" is offered
  bool connected = false, qeditAvailable = false;
};

class FilePropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  // `apply` receives the whole record after every change (the window's
  // "apply edited properties" message); refusals are told through `ui`.
  FilePropertiesDialog(FilePropertiesInput input, UserInterface& ui,
                       std::function<void(const DocumentFormat&)> apply, QWidget* parent = nullptr);

  const DocumentFormat& format() const { return input_.format; }
  QTabWidget* pages() const { return pages_; }

 private:
  QWidget* MakeGeneralPage();
  QWidget* MakeMpePage();
  QWidget* MakeQeditPage();
  // Shows the MPE and Qedit pages the record calls for, with its values.
  void SyncPages();
  void RefreshMpePage();
  void RefreshQeditPage();
  void Changed();

  void TemplateChosen(int index);
  void TabSizeEntered();
  void LineEndsChosen(int index);
  void FileCodeEntered();
  void RecordTypeChosen(int index);
  void FileModeChosen(int index);
  void RecordSizeEntered();
  void QeditLanguageChosen(int index);
  void QeditRecordSizeEntered();

  FilePropertiesInput input_;
  UserInterface& ui_;
  std::function<void(const DocumentFormat&)> apply_;
  bool refreshing_ = false;  // widgets are being set from the record

  QTabWidget* pages_ = nullptr;
  QWidget* mpePage_ = nullptr;
  QWidget* qeditPage_ = nullptr;
  QComboBox* template_ = nullptr;
  QComboBox* tabSize_ = nullptr;
  QComboBox* lineEnds_ = nullptr;
  QComboBox* fileCode_ = nullptr;
  QComboBox* recordType_ = nullptr;
  QComboBox* fileMode_ = nullptr;
  QLineEdit* recordSize_ = nullptr;
  QLabel* userLabels_ = nullptr;
  QComboBox* qeditLanguage_ = nullptr;
  QLineEdit* qeditRecordSize_ = nullptr;
  QLabel* qeditEndOfFile_ = nullptr;
  QLabel* qeditNumberLength_ = nullptr;
  QLabel* qeditAlignment_ = nullptr;
};

}  // namespace vandrel::ui
