#include "shell/app_icon.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vandrel::shell {
namespace {

// A page of a listing: a column of sequence numbers beside the text, and
// the product's initial over it.
QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  QLinearGradient background(0, 0, 0, s);
  background.setColorAt(0, QColor(0x2a, 0x5d, 0x8a));
  background.setColorAt(1, QColor(0x17, 0x3a, 0x5c));
  QPainterPath page;
  page.addRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.16, s * 0.16);
  painter.fillPath(page, background);
  // The number column.
  painter.fillRect(QRectF(s * 0.12, s * 0.14, s * 0.18, s * 0.72), QColor(0x9c, 0xc9, 0x8f));
  if (size >= 24) {
    painter.setPen(QPen(QColor(255, 255, 255, 90), s / 32.0));
    for (int i = 0; i < 5; ++i) {
      const qreal y = s * (0.22 + 0.14 * i);
      painter.drawLine(QPointF(s * 0.38, y), QPointF(s * 0.86, y));
    }
  }
  QFont font("DejaVu Sans");
  font.setBold(true);
  font.setPixelSize(static_cast<int>(s * 0.72));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(s * 0.26, 0, s * 0.74, s), Qt::AlignCenter, "V");
  return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace vandrel::shell
