#include "help/ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"

namespace vandrel::ui {

namespace {

constexpr const char* kNotice =
    "<p>Vandrel is free software: you can redistribute it and/or modify it under the terms of "
    "the GNU General Public License as published by the Free Software Foundation, either "
    "version 3 of the License, or (at your option) any later version.</p>"
    "<p>It is distributed in the hope that it will be useful, but WITHOUT ANY WARRANTY; "
    "without even the implied warranty of MERCHANTABILITY or FITNESS FOR A PARTICULAR "
    "PURPOSE. See the GNU General Public License for more details.</p>";

}  // namespace

AboutDialog::AboutDialog(const QIcon& icon, const std::filesystem::path& licenceFile,
                         QWidget* parent)
    : QDialog(parent) {
  const QString caption = QString::fromStdString(LoadText(kStrAppCaption));
  setWindowTitle("About " + caption);
  setObjectName("aboutDialog");

  auto* picture = new QLabel;
  picture->setPixmap(icon.pixmap(64, 64));
  picture->setAlignment(Qt::AlignTop);

  QString text = QString("<h2>%1</h2><p>Version %2<br/>Built with Qt %3, running on Qt %4.</p>")
                     .arg(caption.toHtmlEscaped(), QStringLiteral(VANDREL_VERSION), QT_VERSION_STR,
                          qVersion());
  text +=
      "<p>An editor and build front end for sources kept on MPE/iX and POSIX hosts, with "
      "<code>tandrill</code>, its host agent.</p>";
  text += kNotice;

  QFile file(QString::fromStdString(licenceFile.string()));
  const bool haveLicence = !licenceFile.empty() && file.open(QIODevice::ReadOnly | QIODevice::Text);
  if (!haveLicence) {
    text +=
        "<p>The licence text was not installed with the program; it is the file "
        "<code>LICENSE</code> of the source distribution, also published at "
        "https://www.gnu.org/licenses/.</p>";
  }
  auto* words = new QLabel(text);
  words->setObjectName("aboutText");
  words->setWordWrap(true);
  words->setTextFormat(Qt::RichText);
  words->setOpenExternalLinks(false);
  words->setTextInteractionFlags(Qt::TextSelectableByMouse);
  words->setMinimumWidth(440);

  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addSpacing(12);
  top->addWidget(words, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  if (haveLicence) {
    licence_ = new QPlainTextEdit(QString::fromUtf8(file.readAll()));
    licence_->setReadOnly(true);
    licence_->setObjectName("licenceText");
    licence_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    licence_->setLineWrapMode(QPlainTextEdit::NoWrap);
    licence_->setMinimumHeight(260);
    // The licence is set in lines of at most 79 characters.
    licence_->setMinimumWidth(licence_->fontMetrics().horizontalAdvance(QString(80, 'x')) +
                              licence_->verticalScrollBar()->sizeHint().width() + 8);
    licence_->hide();
    layout->addWidget(licence_, 1);
    licenceButton_ = buttons->addButton("&Licence", QDialogButtonBox::ActionRole);
    licenceButton_->setCheckable(true);
    connect(licenceButton_, &QPushButton::toggled, this, [this](bool shown) {
      licence_->setVisible(shown);
      adjustSize();
    });
  }
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

}  // namespace vandrel::ui
