#include "templates/ui/new_file_dialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>
#include <array>

#include "templates/template_catalogue.h"

namespace vandrel::ui {

namespace {

constexpr std::array<unsigned, 3> kTabOptions = {
    NewFileDialog::kGeneralOptions, NewFileDialog::kStandardOptions, NewFileDialog::kQeditOptions};

constexpr int kIconSize = 32;

// A page with a folded corner; host-format templates carry a coloured band
// with a short mark so the three kinds are told apart at a glance.
QIcon GalleryIcon(int image) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);

  const qreal left = 5.5, top = 1.5, right = 26.5, bottom = 30.5, fold = 7;
  QPainterPath page;
  page.moveTo(left, top);
  page.lineTo(right - fold, top);
  page.lineTo(right, top + fold);
  page.lineTo(right, bottom);
  page.lineTo(left, bottom);
  page.closeSubpath();
  painter.setPen(QPen(QColor(90, 90, 90), 1));
  painter.setBrush(Qt::white);
  painter.drawPath(page);
  QPainterPath corner;
  corner.moveTo(right - fold, top);
  corner.lineTo(right - fold, top + fold);
  corner.lineTo(right, top + fold);
  painter.setBrush(QColor(220, 220, 220));
  painter.drawPath(corner);

  painter.setPen(QPen(QColor(160, 160, 160), 1));
  for (int y = 12; y <= 27; y += 3) painter.drawLine(QPointF(left + 3, y), QPointF(right - 3, y));

  QColor band;
  QString mark;
  if (image == kImageStandardTemplate) {
    band = QColor(30, 80, 160);
    mark = QStringLiteral("MPE");
  } else if (image == kImageQeditTemplate) {
    band = QColor(30, 130, 70);
    mark = QStringLiteral("Q");
  }
  if (band.isValid()) {
    const QRectF strip(left + 1.5, 17, right - left - 3, 10);
    painter.setPen(Qt::NoPen);
    painter.setBrush(band);
    painter.drawRect(strip);
    QFont font = painter.font();
    font.setPixelSize(8);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(strip, Qt::AlignCenter, mark);
  }
  painter.end();
  return QIcon(pixmap);
}

}  // namespace

NewFileDialog::NewFileDialog(const TemplateCatalogue& catalogue, QWidget* parent)
    : QDialog(parent),
      catalogue_(catalogue),
      tabs_(new QTabBar(this)),
      list_(new QListWidget(this)) {
  setWindowTitle(tr("New File"));
  tabs_->addTab(tr("General"));
  tabs_->addTab(tr("MPE/iX"));
  tabs_->addTab(QString::fromUtf8("Robelle Qedit\xC2\xAE"));
  tabs_->setDrawBase(false);

  list_->setViewMode(QListView::IconMode);
  list_->setIconSize(QSize(kIconSize, kIconSize));
  list_->setGridSize(QSize(110, 72));
  list_->setResizeMode(QListView::Adjust);
  list_->setMovement(QListView::Static);
  list_->setWordWrap(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumSize(420, 240);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &NewFileDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &NewFileDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(0);
  layout->addWidget(tabs_);
  layout->addWidget(list_, 1);
  layout->addSpacing(10);
  layout->addWidget(buttons);

  connect(tabs_, &QTabBar::currentChanged, this, [this] { Fill(); });
  connect(list_, &QListWidget::itemDoubleClicked, this, &NewFileDialog::ItemActivated);
  Fill();
}

std::optional<std::string> NewFileDialog::Choose(QWidget* parent,
                                                 const TemplateCatalogue& catalogue) {
  NewFileDialog dialog(catalogue, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.chosenTemplate();
}

int NewFileDialog::currentTab() const { return tabs_->currentIndex(); }

void NewFileDialog::setCurrentTab(int tab) { tabs_->setCurrentIndex(tab); }

void NewFileDialog::Fill() {
  const int tab = currentTab();
  const unsigned options = tab >= 0 && tab < static_cast<int>(kTabOptions.size())
                               ? kTabOptions[static_cast<std::size_t>(tab)]
                               : kGeneralOptions;
  items_ = TemplateGalleryItems(catalogue_, options);
  list_->clear();
  for (const TemplateGalleryItem& entry : items_) {
    auto* item =
        new QListWidgetItem(GalleryIcon(entry.image), QString::fromStdString(entry.text), list_);
    item->setData(Qt::UserRole, QString::fromStdString(entry.templateName));
    item->setToolTip(item->text());
  }
}

bool NewFileDialog::selectItem(const QString& text) {
  for (int row = 0; row < list_->count(); ++row) {
    QListWidgetItem* item = list_->item(row);
    if (item->text() == text) {
      list_->setCurrentItem(item);
      item->setSelected(true);
      return true;
    }
  }
  list_->clearSelection();
  return false;
}

std::optional<std::string> NewFileDialog::selectedTemplate() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return selected.front()->data(Qt::UserRole).toString().toStdString();
}

void NewFileDialog::accept() {
  std::optional<std::string> name = selectedTemplate();
  if (!name) return;
  chosen_ = std::move(name);
  QDialog::accept();
}

void NewFileDialog::ItemActivated(QListWidgetItem* item) {
  if (item == nullptr) return;
  list_->setCurrentItem(item);
  item->setSelected(true);
  accept();
}

}  // namespace vandrel::ui
