// The frame's status bar: part 0 stretches and carries prompts ("Ready" when
// nothing else is shown); parts 1 to 5 have fixed widths and show the
// connection state, the caret position and the TAB, OVR and READ indicators.
#pragma once

#include <QStatusBar>
#include <array>

class QLabel;
class QProgressBar;

namespace vandrel::shell {

class StatusBar : public QStatusBar {
  Q_OBJECT

 public:
  enum Part {
    kPrompt = 0,
    kConnection = 1,
    kPosition = 2,
    kTab = 3,
    kOverwrite = 4,
    kReadOnly = 5
  };

  explicit StatusBar(QWidget* parent = nullptr);

  // Sets the text of a fixed part; a leading '!' shows the word greyed.
  void SetPartText(int part, const QString& text);
  QString PartText(int part) const;  // as shown, without the '!'
  bool IsPartGreyed(int part) const;

  void SetConnected(bool connected);
  // Part 2: the caret's 1-based line and column.
  void ShowCaret(long line, long column);
  // Greys TAB, OVR and READ and shows "Ready", as after every relayout.
  void ResetIndicators();

  QLabel* PartLabel(int part) const;

  // The progress bar of a load, save or transfer: shown at `percent`
  // (0 to 100) until cleared.
  void SetProgress(int percent);
  void ClearProgress();
  bool ProgressShown() const;
  int ProgressValue() const;

 private:
  void ShowReadyWhenEmpty(const QString& message);

  std::array<QLabel*, 6> parts_{};  // part 0 is the message area, no label
  QProgressBar* progress_ = nullptr;
};

}  // namespace vandrel::shell
