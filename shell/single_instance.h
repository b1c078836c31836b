// One running editor per user and settings folder. The first instance listens
// on a local socket; a later one started to edit files hands their absolute
// paths over and ends, and the first opens them and comes to the front.
//
// Protocol, one exchange per connection: the client sends the four bytes
// "VDO1", the payload length as a 32-bit big-endian number, and the payload:
// each absolute path in UTF-8 followed by a NUL byte. The server answers with
// the single byte kHandOffAccepted once it has taken them, and closes. The
// socket is reachable by its owner only; a wrong magic or a payload over
// kMaxPayloadSize drops the connection, and relative paths are skipped.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace vandrel::shell {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  static constexpr char kHandOffMagic[] = "VDO1";
  static constexpr int kHeaderSize = 8;
  static constexpr char kHandOffAccepted = '1';
  // Largest payload the server reads; a list of paths is far smaller.
  static constexpr quint32 kMaxPayloadSize = 4 * 1024 * 1024;

  // The bytes a client sends for `paths`.
  static QByteArray EncodeMessage(const QStringList& paths);

  // The server name for the settings kept in `settingsFile`: the user id and a
  // hash of the file's absolute path, so that users and configurations never
  // meet. Short enough for a socket path.
  static QString ServerName(const QString& settingsFile);

  explicit SingleInstance(QString serverName, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Gives `paths` (absolute) to the instance listening under the name. True
  // once that instance has confirmed them; false when none is listening (a
  // left-over socket included) or it did not answer within `timeoutMs`.
  // Runs a local event loop while it waits.
  bool HandOff(const QStringList& paths, int timeoutMs = 3000);

  // Starts listening. A socket left behind by an instance that died is
  // removed first; a live one is left alone and Listen fails.
  bool Listen();
  bool IsListening() const;
  const QString& serverName() const { return serverName_; }

  // Called once per path received, in order, on the user-interface thread.
  void SetOpenFileHandler(std::function<void(const QString&)> handler) {
    openFile_ = std::move(handler);
  }
  // The window restored and brought to the front when files arrive.
  void SetWindow(QWidget* window) { window_ = window; }

 private:
  void AcceptConnections();
  void ReadMessage(QLocalSocket* socket);
  void Deliver(const QStringList& paths);
  // True when some server answers a connect under the name right now.
  bool AnyoneListening(int timeoutMs);

  QString serverName_;
  QLocalServer* server_ = nullptr;
  std::function<void(const QString&)> openFile_;
  QWidget* window_ = nullptr;
};

}  // namespace vandrel::shell
