// The "Connection Information" dialog: the host system's fields and the
// agent's version, host kind, byte order and flags of the open session.
#pragma once

#include <QDialog>
#include <string_view>

namespace vandrel::shell {

class ConnectionInfoDialog final : public QDialog {
  Q_OBJECT

 public:
  // `information` is the session's connection information text.
  ConnectionInfoDialog(std::string_view information, QWidget* parent = nullptr);
};

}  // namespace vandrel::shell
