#include "shell/splash_window.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "core/message_box.h"
#include "core/string_ids.h"

namespace vandrel::shell {

namespace {

// The caption is the maker's name followed by the product's; the card shows
// the product's name large and the whole caption small.
QString ProductName(const QString& caption) {
  const qsizetype space = caption.lastIndexOf(QLatin1Char(' '));
  return space < 0 ? caption : caption.mid(space + 1);
}

qreal ScreenRatio() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

}  // namespace

SplashWindow::SplashWindow(const QString& version)
    : QSplashScreen(
          PaintCard(QString::fromStdString(LoadText(kStrAppCaption)), version, ScreenRatio())),
      product_(QString::fromStdString(LoadText(kStrAppCaption))),
      version_(version) {
  setObjectName(QStringLiteral("splashWindow"));
}

QPixmap SplashWindow::PaintCard(const QString& product, const QString& version, qreal ratio) {
  QPixmap pixmap(QSize(kWidth, kHeight) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  const QRectF card(0, 0, kWidth, kHeight);
  QLinearGradient background(card.topLeft(), card.bottomRight());
  background.setColorAt(0, QColor(18, 38, 72));
  background.setColorAt(1, QColor(22, 92, 110));
  painter.fillRect(card, background);

  // A faded column of sequence numbers down the left, as the editor shows
  // them beside numbered source.
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPixelSize(11);
  painter.setFont(mono);
  painter.setPen(QColor(255, 255, 255, 38));
  const QRectF gutter(0, 0, 70, kHeight);
  painter.fillRect(gutter, QColor(0, 0, 0, 40));
  for (int row = 0; row * 16 + 20 < kHeight; ++row) {
    const QString number = QStringLiteral("%1").arg((row + 1) * 100, 6, 10, QLatin1Char('0'));
    painter.drawText(QRectF(8, 8 + row * 16, 56, 16), Qt::AlignRight | Qt::AlignVCenter, number);
  }
  painter.setPen(QPen(QColor(120, 200, 210), 2));
  painter.drawLine(QPointF(70, 0), QPointF(70, kHeight));

  const qreal left = 92;
  QFont title = painter.font();
  title.setFamily(QStringLiteral("Sans Serif"));
  title.setStyleHint(QFont::SansSerif);
  title.setPixelSize(44);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(left, 56, kWidth - left - 20, 56), Qt::AlignLeft | Qt::AlignVCenter,
                   ProductName(product));

  QFont small = title;
  small.setBold(false);
  small.setPixelSize(14);
  painter.setFont(small);
  painter.setPen(QColor(190, 220, 230));
  painter.drawText(QRectF(left, 114, kWidth - left - 20, 22), Qt::AlignLeft | Qt::AlignVCenter,
                   product);
  painter.drawText(QRectF(left, 136, kWidth - left - 20, 22), Qt::AlignLeft | Qt::AlignVCenter,
                   QObject::tr("Version %1").arg(version));

  painter.setPen(QPen(QColor(255, 255, 255, 60), 1));
  painter.drawLine(QPointF(left, 200), QPointF(kWidth - 20, 200));
  painter.end();
  return pixmap;
}

void SplashWindow::showStatus(const QString& message) {
  showMessage(message, Qt::AlignRight | Qt::AlignBottom, QColor(190, 220, 230));
}

void SplashWindow::closeAfter(int milliseconds) {
  QPointer<SplashWindow> self(this);
  auto finish = [self] {
    if (self == nullptr) return;
    self->close();
    emit self->finished();
  };
  if (milliseconds <= 0) {
    finish();
  } else {
    QTimer::singleShot(milliseconds, this, finish);
  }
}

}  // namespace vandrel::shell
