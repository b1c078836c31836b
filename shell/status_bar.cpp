#include "shell/status_bar.h"

#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/string_table.h"

namespace vandrel::shell {
namespace {

// The widest text each fixed part shows; the part is that wide plus 6 pixels.
constexpr std::array<const char*, 6> kWidestText{"",    "Disconnected", "Ln 999999, Col 999",
                                                 "TAB", "OVR",          "READ"};

QString ReadyText() {
  return QString::fromUtf8(StringTableText(kStrReady).data(),
                           static_cast<qsizetype>(StringTableText(kStrReady).size()));
}

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName("statusBar");
  const QFontMetrics metrics(font());
  // The progress of a load, save or transfer, beside the prompt while one runs.
  progress_ = new QProgressBar(this);
  progress_->setObjectName("statusProgress");
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  progress_->setFixedWidth(metrics.horizontalAdvance("Disconnected") * 2);
  progress_->setMaximumHeight(metrics.height());
  progress_->hide();
  addWidget(progress_);
  for (int part = kConnection; part <= kReadOnly; ++part) {
    auto* label = new QLabel(this);
    label->setObjectName(QString("statusPart%1").arg(part));
    label->setAlignment(Qt::AlignCenter);
    label->setFixedWidth(metrics.horizontalAdvance(kWidestText[part]) + 6);
    addPermanentWidget(label);
    parts_[part] = label;
  }
  connect(this, &QStatusBar::messageChanged, this, &StatusBar::ShowReadyWhenEmpty);
  SetConnected(false);
  ResetIndicators();
}

QLabel* StatusBar::PartLabel(int part) const {
  return part > kPrompt && part <= kReadOnly ? parts_[part] : nullptr;
}

void StatusBar::SetPartText(int part, const QString& text) {
  if (part == kPrompt) {
    showMessage(text);
    return;
  }
  QLabel* label = PartLabel(part);
  if (!label) return;
  const bool greyed = text.startsWith('!');
  label->setText(greyed ? text.mid(1) : text);
  label->setEnabled(!greyed);
}

QString StatusBar::PartText(int part) const {
  if (part == kPrompt) return currentMessage();
  QLabel* label = PartLabel(part);
  return label ? label->text() : QString();
}

bool StatusBar::IsPartGreyed(int part) const {
  QLabel* label = PartLabel(part);
  return label && !label->isEnabled();
}

void StatusBar::SetConnected(bool connected) {
  QLabel* label = parts_[kConnection];
  label->setText(connected ? "Connected" : "Disconnected");
  // Disconnected stands out in the caption colours, as an active title does.
  label->setAutoFillBackground(!connected);
  QPalette palette = this->palette();
  if (!connected) {
    palette.setColor(QPalette::Window, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
  }
  label->setPalette(palette);
}

void StatusBar::ShowCaret(long line, long column) {
  SetPartText(kPosition,
              QString::fromStdString(FormatText(LoadText(kStrCaretPosition), line, column)));
}

void StatusBar::ResetIndicators() {
  SetPartText(kTab, "!TAB");
  SetPartText(kOverwrite, "!OVR");
  SetPartText(kReadOnly, "!READ");
  showMessage(ReadyText());
}

void StatusBar::SetProgress(int percent) {
  progress_->setValue(std::clamp(percent, 0, 100));
  progress_->show();
}

void StatusBar::ClearProgress() {
  progress_->hide();
  progress_->reset();
}

bool StatusBar::ProgressShown() const { return progress_->isVisible(); }
int StatusBar::ProgressValue() const { return progress_->value(); }

void StatusBar::ShowReadyWhenEmpty(const QString& message) {
  // Leaving a menu clears the prompt; the idle prompt comes back.
  if (message.isEmpty()) showMessage(ReadyText());
}

}  // namespace vandrel::shell
