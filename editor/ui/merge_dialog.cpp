#include "editor/ui/merge_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vandrel::ui {

namespace {

// Host text is shown byte for byte, as the edit control shows it.
QString FromHost(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QPlainTextEdit* LinesView(const std::vector<std::string>& lines, QWidget* parent) {
  auto* view = new QPlainTextEdit(parent);
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QString text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += FromHost(lines[i]);
  }
  view->setPlainText(text);
  if (lines.empty()) view->setPlaceholderText(QObject::tr("(the lines are removed)"));
  // As tall as its lines, up to eight; longer stretches scroll.
  const int shown = static_cast<int>(std::clamp<std::size_t>(lines.size(), 1, 8));
  view->setFixedHeight(QFontMetrics(view->font()).lineSpacing() * shown + 12);
  return view;
}

QString Stretch(const MergeChunk& chunk) {
  const std::size_t first = chunk.baseStart + 1;
  if (chunk.base.empty()) return QObject::tr("Lines added after line %1").arg(chunk.baseStart);
  if (chunk.base.size() == 1) return QObject::tr("Line %1 as loaded").arg(first);
  return QObject::tr("Lines %1 to %2 as loaded").arg(first).arg(first + chunk.base.size() - 1);
}

}  // namespace

MergeConflictDialog::MergeConflictDialog(const std::vector<MergeChunk>& chunks,
                                         const std::string& hostPath, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Merge Changes"));
  auto* layout = new QVBoxLayout(this);
  const std::size_t count = CountConflicts(chunks);
  const QString places = count == 1 ? tr("in one place") : tr("in %1 places").arg(count);
  auto* intro = new QLabel(tr("'%1' was changed on the server. The changes that do not touch "
                              "yours are merged; both sides changed the same lines %2: choose "
                              "which lines to keep.")
                               .arg(QString::fromStdString(hostPath), places),
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* list = new QWidget;
  auto* listLayout = new QVBoxLayout(list);
  for (const MergeChunk& chunk : chunks) {
    if (chunk.kind != MergeChunk::Kind::kConflict) continue;
    auto* box = new QGroupBox(Stretch(chunk), list);
    auto* grid = new QGridLayout(box);
    auto* mine = new QRadioButton(tr("Keep &yours"), box);
    auto* theirs = new QRadioButton(tr("Take the &server's"), box);
    auto* group = new QButtonGroup(box);
    group->addButton(mine);
    group->addButton(theirs);
    mine->setChecked(true);
    grid->addWidget(mine, 0, 0);
    grid->addWidget(theirs, 0, 1);
    grid->addWidget(LinesView(chunk.mine, box), 1, 0);
    grid->addWidget(LinesView(chunk.theirs, box), 1, 1);
    listLayout->addWidget(box);
    keepMine_.push_back(mine);
    takeTheirs_.push_back(theirs);
  }
  listLayout->addStretch(1);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(list);
  scroll->setWidgetResizable(true);
  scroll->setMinimumSize(720, 360);
  layout->addWidget(scroll, 1);

  auto* buttons = new QDialogButtonBox(this);
  auto* allMine = buttons->addButton(tr("Keep &All Yours"), QDialogButtonBox::ActionRole);
  auto* allTheirs = buttons->addButton(tr("Take All the Se&rver's"), QDialogButtonBox::ActionRole);
  buttons->addButton(tr("&Merge"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(allMine, &QPushButton::clicked, this, [this] { ChooseAll(true); });
  connect(allTheirs, &QPushButton::clicked, this, [this] { ChooseAll(false); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

std::vector<bool> MergeConflictDialog::takeMine() const {
  std::vector<bool> choices;
  for (const QRadioButton* mine : keepMine_) choices.push_back(mine->isChecked());
  return choices;
}

void MergeConflictDialog::Choose(std::size_t conflict, bool mine) {
  if (conflict >= keepMine_.size()) return;
  (mine ? keepMine_ : takeTheirs_)[conflict]->setChecked(true);
}

void MergeConflictDialog::ChooseAll(bool mine) {
  for (std::size_t i = 0; i < keepMine_.size(); ++i) Choose(i, mine);
}

}  // namespace vandrel::ui
