// The splash window shown while the application starts: the product name and
// version on a painted card, with room for a progress message at the bottom.
#pragma once

#include <QSplashScreen>
#include <QString>

namespace vandrel::shell {

class SplashWindow : public QSplashScreen {
  Q_OBJECT

 public:
  // How long the window stays up when nothing was given to open.
  static constexpr int kMinimumShowMs = 2000;
  static constexpr int kWidth = 460;
  static constexpr int kHeight = 260;

  // `version` defaults to the version the program was built as.
  explicit SplashWindow(const QString& version = QStringLiteral(VANDREL_VERSION));

  // The card itself, at `ratio` device pixels per pixel.
  static QPixmap PaintCard(const QString& product, const QString& version, qreal ratio = 1.0);

  const QString& productText() const { return product_; }
  const QString& versionText() const { return version_; }

  // Shows `message` in the card's message line.
  void showStatus(const QString& message);
  // Closes the window after `milliseconds` (at once when 0 or less) and then
  // emits finished(). The caller owns the window and deletes it.
  void closeAfter(int milliseconds);

 signals:
  void finished();

 private:
  QString product_;
  QString version_;
};

}  // namespace vandrel::shell
