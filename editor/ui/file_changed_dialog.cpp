#include "editor/ui/file_changed_dialog.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/user_interface.h"
#include "documents/host_file_info.h"
#include "documents/mpe_page_model.h"

namespace vandrel::ui {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }
// Host text is shown byte for byte, as the edit control shows it.
QString FromHost(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ThousandsSeparator() { return QLocale().groupSeparator().toStdString(); }

QString SizeText(const HostFileInfo& info) {
  return FromStd(
      FormatText(LoadText(kStrSizeInBytes), GroupThousands(info.size, ThousandsSeparator())));
}

QColor RowColour(DiffRowKind kind) {
  switch (kind) {
    case DiffRowKind::kChanged:
      return QColor(255, 240, 190);
    case DiffRowKind::kLeftOnly:
      return QColor(255, 215, 215);
    case DiffRowKind::kRightOnly:
      return QColor(210, 245, 210);
    case DiffRowKind::kBoth:
      break;
  }
  return {};
}

// Both texts, each with the numbers the loader finds in it; a side without
// numbers of its own is read again with the other side's, so a version
// whose numbers could not be told apart still compares by its text.
struct ComparedTexts {
  ComparableText current;
  ComparableText saved;
};

ComparedTexts ReadBoth(const remote::OverwriteCase& question) {
  const bool records = question.recordForm();
  ComparedTexts texts;
  texts.current = MakeComparableText(*question.currentBytes, records);
  texts.saved = ReadComparableText(question.uploadFile, records);
  if (texts.current.numbering.position == 0 && texts.saved.numbering.position != 0) {
    texts.current = MakeComparableText(*question.currentBytes, records, texts.saved.numbering);
  } else if (texts.saved.numbering.position == 0 && texts.current.numbering.position != 0) {
    texts.saved = ReadComparableText(question.uploadFile, records, texts.current.numbering);
  }
  return texts;
}

class DialogOverwriteQuestion final : public remote::OverwriteQuestion {
 public:
  DialogOverwriteQuestion(QObject* context, HostMerger merger)
      : context_(context), merger_(std::move(merger)) {}

  bool ConfirmOverwrite(const remote::OverwriteCase& question) override {
    bool overwrite = false;
    auto ask = [&] {
      QWidget* owner = qobject_cast<QWidget*>(context_);
      if (owner == nullptr) owner = QApplication::activeWindow();
      FileChangedDialog dialog(question, owner);
      if (merger_ && question.currentBytes) {
        dialog.SetMerge([this, &question](QWidget* parent) { return merger_(question, parent); });
      }
      overwrite = dialog.exec() == kIdYes;
    };
    if (QThread::currentThread() == context_->thread()) {
      ask();
    } else {
      QMetaObject::invokeMethod(context_, ask, Qt::BlockingQueuedConnection);
    }
    return overwrite;
  }

 private:
  QObject* context_;
  HostMerger merger_;
};

}  // namespace

// ---- CompareModel --------------------------------------------------------------

CompareModel::CompareModel(std::vector<std::string> left, std::vector<std::string> right,
                           QObject* parent)
    : QAbstractTableModel(parent),
      left_(std::move(left)),
      right_(std::move(right)),
      rows_(DiffLines(left_, right_)) {}

int CompareModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CompareModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant CompareModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= rows_.size()) return {};
  const DiffRow& row = rows_[static_cast<std::size_t>(index.row())];
  const bool leftSide = index.column() == kLeftNumber || index.column() == kLeftText;
  const std::size_t line = leftSide ? row.left : row.right;
  if (role == Qt::BackgroundRole) {
    if (row.kind == DiffRowKind::kBoth) return {};
    return QBrush(line == DiffRow::kNoLine ? QColor(235, 235, 235) : RowColour(row.kind));
  }
  if (role == Qt::ToolTipRole) {
    switch (row.kind) {
      case DiffRowKind::kChanged:
        return tr("Changed");
      case DiffRowKind::kLeftOnly:
        return tr("Only in the most recently modified file");
      case DiffRowKind::kRightOnly:
        return tr("Only in the file being saved");
      case DiffRowKind::kBoth:
        return {};
    }
  }
  if (role == Qt::TextAlignmentRole &&
      (index.column() == kLeftNumber || index.column() == kRightNumber)) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole || line == DiffRow::kNoLine) return {};
  switch (index.column()) {
    case kLeftNumber:
    case kRightNumber:
      return QString::number(line + 1);
    case kLeftText:
      return FromHost(left_[line]);
    case kRightText:
      return FromHost(right_[line]);
    default:
      return {};
  }
}

QVariant CompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kLeftNumber:
    case kRightNumber:
      return tr("Line");
    case kLeftText:
      return tr("Most recently modified file");
    case kRightText:
      return tr("File being saved");
    default:
      return {};
  }
}

// ---- FileCompareDialog ---------------------------------------------------------

FileCompareDialog::FileCompareDialog(const ComparableText& current, const ComparableText& saved,
                                     const std::string& hostPath, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Compare - %1").arg(FromStd(hostPath)));
  model_ = new CompareModel(current.lines, saved.lines, this);

  auto* layout = new QVBoxLayout(this);
  summary_ = new QLabel(this);
  const std::size_t differences = CountDifferences(model_->rows());
  QString summary =
      differences == 0
          ? tr("The texts are the same; only sequence numbers or trailing blanks differ.")
          : tr("%n line(s) differ.", nullptr, static_cast<int>(differences));
  if (!current.ok() || !saved.ok()) {
    summary +=
        QLatin1Char(' ') + tr("The records of a file end early; the lines before are shown.");
  }
  summary_->setText(summary);
  layout->addWidget(summary_);

  view_ = new QTableView(this);
  view_->setModel(model_);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setWordWrap(false);
  view_->setShowGrid(false);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 2);
  QHeaderView* header = view_->horizontalHeader();
  const int numberWidth = view_->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 8;
  header->setSectionResizeMode(CompareModel::kLeftNumber, QHeaderView::Fixed);
  header->setSectionResizeMode(CompareModel::kRightNumber, QHeaderView::Fixed);
  header->resizeSection(CompareModel::kLeftNumber, numberWidth);
  header->resizeSection(CompareModel::kRightNumber, numberWidth);
  header->setSectionResizeMode(CompareModel::kLeftText, QHeaderView::Stretch);
  header->setSectionResizeMode(CompareModel::kRightText, QHeaderView::Stretch);
  layout->addWidget(view_, 1);

  auto* buttons = new QHBoxLayout;
  auto* previous = new QPushButton(tr("&Previous difference"), this);
  auto* next = new QPushButton(tr("N&ext difference"), this);
  auto* close = new QPushButton(tr("&Close"), this);
  previous->setEnabled(differences != 0);
  next->setEnabled(differences != 0);
  connect(previous, &QPushButton::clicked, this, [this] { GoToDifference(-1); });
  connect(next, &QPushButton::clicked, this, [this] { GoToDifference(1); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(previous);
  buttons->addWidget(next);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  close->setDefault(true);

  resize(960, 560);
  if (differences != 0) GoToDifference(1);
}

QString FileCompareDialog::summary() const { return summary_->text(); }

// Selects the first row of the next (or previous) run of differing rows.
void FileCompareDialog::GoToDifference(int direction) {
  const std::vector<DiffRow>& rows = model_->rows();
  const int count = static_cast<int>(rows.size());
  const QModelIndex currentIndex = view_->currentIndex();
  int row = currentIndex.isValid() ? currentIndex.row() : (direction > 0 ? -1 : count);
  auto differs = [&](int r) {
    return r >= 0 && r < count && rows[static_cast<std::size_t>(r)].kind != DiffRowKind::kBoth;
  };
  // Leave the run the selection is in, then find the next one's first row.
  while (differs(row)) row += direction;
  row += direction;
  while (row >= 0 && row < count && !differs(row)) row += direction;
  if (row < 0 || row >= count) return;
  if (direction < 0) {
    while (differs(row - 1)) --row;
  }
  // The row becomes current without being selected: a selection would
  // cover the colour that tells how the row differs.
  const QModelIndex target = model_->index(row, CompareModel::kLeftText);
  view_->selectionModel()->setCurrentIndex(target, QItemSelectionModel::Clear);
  view_->scrollTo(target, QAbstractItemView::PositionAtCenter);
}

// ---- FileChangedDialog ---------------------------------------------------------

FileChangedDialog::FileChangedDialog(remote::OverwriteCase question, QWidget* parent)
    : QDialog(parent), question_(std::move(question)) {
  setWindowTitle(FromStd(LoadText(kStrFileChangedCaption)));
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  top->addWidget(icon);
  text_ =
      new QLabel(FromStd(FormatText(LoadText(kStrOverwriteNewerFile), question_.hostPath)), this);
  text_->setWordWrap(true);
  text_->setMinimumWidth(360);
  top->addWidget(text_, 1);
  layout->addLayout(top);

  auto* versions = new QGridLayout;
  versions->setHorizontalSpacing(12);
  auto addVersion = [&](int row, const QString& label, const HostFileInfo& info, QLabel*& size,
                        QLabel*& time) {
    versions->addWidget(new QLabel(label, this), row, 0);
    size = new QLabel(SizeText(info), this);
    size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    versions->addWidget(size, row, 1);
    versions->addWidget(new QLabel(tr("modified on"), this), row, 2);
    time = new QLabel(FromStd(FormatHostTime(info.modifyTime)), this);
    versions->addWidget(time, row, 3);
  };
  addVersion(0, QStringLiteral("Originally loaded file :"), question_.loaded, loadedSize_,
             loadedTime_);
  addVersion(1, QStringLiteral("Most recently modified file:"), question_.current, currentSize_,
             currentTime_);
  versions->setColumnStretch(4, 1);
  layout->addLayout(versions);

  auto* buttons = new QHBoxLayout;
  compare_ = new QPushButton(tr("Co&mpare"), this);
  if (!question_.currentBytes) {
    compare_->setEnabled(false);
    compare_->setToolTip(tr("The file on the server could not be read for a comparison."));
  }
  connect(compare_, &QPushButton::clicked, this, &FileChangedDialog::Compare);
  buttons->addWidget(compare_);
  merge_ = new QPushButton(tr("Mer&ge"), this);
  merge_->setEnabled(false);
  merge_->setToolTip(
      tr("Takes the changes made on the server into your document, beside your own; "
         "where both changed the same lines you choose. Save afterwards to write the result."));
  connect(merge_, &QPushButton::clicked, this, [this] {
    if (mergeAction_ && mergeAction_(this)) done(kIdNo);
  });
  buttons->addWidget(merge_);
  buttons->addStretch(1);
  auto* yes = new QPushButton(tr("&Yes"), this);
  auto* no = new QPushButton(tr("&No"), this);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  connect(yes, &QPushButton::clicked, this, [this] { done(kIdYes); });
  connect(no, &QPushButton::clicked, this, [this] { done(kIdNo); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(kIdCancel); });
  buttons->addWidget(yes);
  buttons->addWidget(no);
  buttons->addWidget(cancel);
  // Enter does not overwrite someone else's changes.
  no->setDefault(true);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString FileChangedDialog::text() const { return text_->text(); }
QString FileChangedDialog::loadedSize() const { return loadedSize_->text(); }
QString FileChangedDialog::loadedTime() const { return loadedTime_->text(); }
QString FileChangedDialog::currentSize() const { return currentSize_->text(); }
QString FileChangedDialog::currentTime() const { return currentTime_->text(); }

void FileChangedDialog::SetMerge(MergeAction merge) {
  mergeAction_ = std::move(merge);
  merge_->setEnabled(mergeAction_ != nullptr && question_.currentBytes.has_value());
}

void FileChangedDialog::Compare() {
  if (!question_.currentBytes) return;
  const ComparedTexts texts = ReadBoth(question_);
  if (texts.current.error != LoadError::kNone || texts.saved.error != LoadError::kNone) {
    QMessageBox::warning(this, windowTitle(),
                         tr("The text of '%1' could not be read for the comparison.")
                             .arg(FromStd(question_.hostPath)));
    return;
  }
  FileCompareDialog compare(texts.current, texts.saved, question_.hostPath, this);
  compare.exec();
}

std::unique_ptr<remote::OverwriteQuestion> MakeDialogOverwriteQuestion(QObject* context,
                                                                       HostMerger merger) {
  return std::make_unique<DialogOverwriteQuestion>(context, std::move(merger));
}

}  // namespace vandrel::ui
