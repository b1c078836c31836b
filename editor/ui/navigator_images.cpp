#include "editor/ui/navigator_images.h"

#include <QPainter>
#include <QPixmap>

#include "templates/navigator/navigator.h"

namespace vandrel::ui {

namespace {

void DrawBlock(QPainter& p, const QColor& fill, const QString& letter) {
  p.setPen(fill.darker(160));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 2, 2);
  QFont font = p.font();
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(2, 2, 12, 12), Qt::AlignCenter, letter);
}

void DrawFolder(QPainter& p, bool open) {
  const QColor fill(236, 196, 88);
  p.setPen(fill.darker(170));
  p.setBrush(fill.darker(110));
  p.drawRect(QRectF(1.5, 3.5, 6, 3));
  p.setBrush(fill);
  if (open) {
    p.drawPolygon(QPolygonF(
        {QPointF(1.5, 13.5), QPointF(4.5, 6.5), QPointF(15.5, 6.5), QPointF(12.5, 13.5)}));
  } else {
    p.drawRect(QRectF(1.5, 5.5, 13, 8));
  }
}

QPixmap PaintImage(int image) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case kNavigatorImageFunction:
      DrawBlock(p, QColor(128, 64, 160), "f");
      break;
    case kNavigatorImageInclude:
      DrawBlock(p, QColor(40, 120, 60), "i");
      break;
    case kNavigatorImageData:
      DrawBlock(p, QColor(30, 100, 190), "d");
      break;
    case kNavigatorImageSection:
      DrawBlock(p, QColor(190, 110, 20), "s");
      break;
    case kNavigatorImageClosedCategory:
      DrawFolder(p, false);
      break;
    case kNavigatorImageOpenCategory:
      DrawFolder(p, true);
      break;
    default:
      break;
  }
  return pixmap;
}

}  // namespace

QIcon NavigatorIcons::Icon(int image) {
  auto it = icons_.find(image);
  if (it == icons_.end()) it = icons_.insert(image, QIcon(PaintImage(image)));
  return *it;
}

}  // namespace vandrel::ui
