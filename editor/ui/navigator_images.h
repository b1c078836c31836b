// The small images of the Code Navigator: functions, sections, data,
// includes and the category folders, by their numbers in the application's
// image list (templates/navigator/navigator.h).
#pragma once

#include <QHash>
#include <QIcon>

namespace vandrel::ui {

// 16 x 16 icons, painted once per owner: a blank one for a number the
// navigator does not use.
class NavigatorIcons {
 public:
  QIcon Icon(int image);

 private:
  QHash<int, QIcon> icons_;
};

}  // namespace vandrel::ui
