// The "File Has Been Changed" question of a save whose host file was altered
// on the server after the document was loaded: both versions' size and
// modification time, Yes (overwrite), No and Cancel, and Compare, which shows
// the host's current text beside the text being saved, sequence numbers left
// out and differing lines marked. And the overwrite question the request
// worker calls, which asks on the user-interface thread and waits.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "core/line_diff.h"
#include "core/user_interface.h"
#include "documents/comparable_text.h"
#include "remote/overwrite_question.h"

class QLabel;
class QPushButton;
class QTableView;

namespace vandrel::ui {

// The side-by-side rows as a table: line number and text of the left side,
// then of the right side; rows that differ are marked by their background.
class CompareModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kLeftNumber, kLeftText, kRightNumber, kRightText, kColumns };

  CompareModel(std::vector<std::string> left, std::vector<std::string> right,
               QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  const std::vector<DiffRow>& rows() const { return rows_; }

 private:
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  std::vector<DiffRow> rows_;
};

// The comparison: the host's current text (left, "Most recently modified
// file") against the text being saved (right).
class FileCompareDialog final : public QDialog {
  Q_OBJECT

 public:
  FileCompareDialog(const ComparableText& current, const ComparableText& saved,
                    const std::string& hostPath, QWidget* parent = nullptr);

  CompareModel* model() const { return model_; }
  QTableView* view() const { return view_; }
  QString summary() const;

 private:
  void GoToDifference(int direction);

  CompareModel* model_ = nullptr;
  QTableView* view_ = nullptr;
  QLabel* summary_ = nullptr;
};

class FileChangedDialog final : public QDialog {
  Q_OBJECT

 public:
  // The dialog's results: the MessageAnswer of the button (kIdYes, kIdNo,
  // kIdCancel), as exec() returns them.
  explicit FileChangedDialog(remote::OverwriteCase question, QWidget* parent = nullptr);

  QString text() const;
  QString loadedSize() const;
  QString loadedTime() const;
  QString currentSize() const;
  QString currentTime() const;
  QPushButton* compareButton() const { return compare_; }
  QPushButton* mergeButton() const { return merge_; }
  // Merge takes the host's changes into the document (true when it did, the
  // dialog then answers No: the host file is not overwritten, the document
  // holds the merged text to be saved). Without one, Merge stays disabled.
  using MergeAction = std::function<bool(QWidget* parent)>;
  void SetMerge(MergeAction merge);

  // Opens the comparison (modal); does nothing when the host's text could
  // not be had.
  void Compare();
  // Escape and the window's close button answer Cancel.
  void reject() override { done(kIdCancel); }

 private:
  remote::OverwriteCase question_;
  QLabel* text_ = nullptr;
  QLabel* loadedSize_ = nullptr;
  QLabel* loadedTime_ = nullptr;
  QLabel* currentSize_ = nullptr;
  QLabel* currentTime_ = nullptr;
  QPushButton* compare_ = nullptr;
  QPushButton* merge_ = nullptr;
  MergeAction mergeAction_;
};

// Merges the host's current version of the question's file into its open
// document; true when the document now holds the merge. Called on the
// user-interface thread.
using HostMerger = std::function<bool(const remote::OverwriteCase& question, QWidget* parent)>;

// Asks on the thread of `context` (the user-interface thread), blocking the
// worker until the question is answered. `context` must outlive it. With a
// `merger`, Merge is offered whenever the host's text could be had.
std::unique_ptr<remote::OverwriteQuestion> MakeDialogOverwriteQuestion(QObject* context,
                                                                       HostMerger merger = {});

}  // namespace vandrel::ui
