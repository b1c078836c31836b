#include "shell/tip_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/string_ids.h"

namespace vandrel::shell {

namespace {

// Shown in place of a tip when the tip file has none to give.
constexpr const char* kNoTipsText = "There are no tips to show: the tip file could not be read.";

// A small light bulb beside the heading.
QPixmap BulbPixmap() {
  QPixmap pixmap(40, 48);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(150, 120, 0), 1.5));
  painter.setBrush(QColor(255, 224, 90));
  painter.drawEllipse(QRectF(6, 3, 28, 28));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(150, 150, 150));
  painter.drawRoundedRect(QRectF(13, 31, 14, 11), 2, 2);
  painter.setPen(QPen(QColor(100, 100, 100), 1));
  painter.drawLine(QPointF(13, 35), QPointF(27, 35));
  painter.drawLine(QPointF(13, 38), QPointF(27, 38));
  painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
  painter.drawArc(QRectF(11, 8, 14, 14), 100 * 16, 70 * 16);
  return pixmap;
}

}  // namespace

TipDialog::TipDialog(AppSettings& settings, const std::filesystem::path& tipFile, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      heading_(new QLabel(QString::fromStdString(LoadText(kStrTipHeading)), this)),
      tip_(new QLabel(this)),
      next_(new QPushButton(tr("&Next Tip"), this)),
      showAtStartup_(new QCheckBox(tr("&Show tips at startup"), this)) {
  setWindowTitle(tr("Tip of the Day"));
  tips_.Load(tipFile);
  ApplyFirstRunToTips(settings_);

  QFont headingFont(QStringLiteral("Times New Roman"), 14, QFont::Bold);
  headingFont.setStyleHint(QFont::Serif);
  heading_->setFont(headingFont);
  QFont tipFont(QStringLiteral("Arial"), 10);
  tipFont.setStyleHint(QFont::SansSerif);
  tip_->setFont(tipFont);
  tip_->setTextFormat(Qt::PlainText);
  tip_->setWordWrap(true);
  tip_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  tip_->setMinimumSize(320, 110);

  // The tip sits on a white panel with the bulb and the heading.
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(palette);
  auto* bulb = new QLabel(panel);
  bulb->setPixmap(BulbPixmap());
  bulb->setAlignment(Qt::AlignTop);
  auto* text = new QVBoxLayout;
  text->addWidget(heading_);
  text->addSpacing(8);
  text->addWidget(tip_, 1);
  auto* panelLayout = new QHBoxLayout(panel);
  panelLayout->addWidget(bulb, 0, Qt::AlignTop);
  panelLayout->addSpacing(6);
  panelLayout->addLayout(text, 1);

  auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
  buttons->addButton(QDialogButtonBox::Close);
  buttons->addButton(next_, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &TipDialog::reject);
  connect(next_, &QPushButton::clicked, this, &TipDialog::showNextTip);

  auto* top = new QHBoxLayout;
  top->addWidget(panel, 1);
  top->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(showAtStartup_);

  showAtStartup_->setChecked(settings_.ShowTips != 0);
  showNextTip();
}

bool TipDialog::Offer(AppSettings& settings, const std::filesystem::path& tipFile, QWidget* parent,
                      bool forced) {
  if (!ShouldShowTipDialog(settings, forced)) return false;
  TipDialog dialog(settings, tipFile, parent);
  dialog.exec();
  return true;
}

QString TipDialog::tipText() const { return tip_->text(); }

void TipDialog::showNextTip() {
  TipTaken taken = TakeNextTip(tips_, settings_.NextTipNumber);
  tipNumber_ = taken.number;
  tip_->setText(taken.found ? QString::fromStdString(taken.text) : tr(kNoTipsText));
}

void TipDialog::done(int result) {
  settings_.ShowTips = showAtStartup_->isChecked() ? 1 : 0;
  QDialog::done(result);
}

}  // namespace vandrel::shell
