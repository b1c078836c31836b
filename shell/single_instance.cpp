#include "shell/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

namespace vandrel::shell {

namespace {

constexpr int kStaleCheckTimeoutMs = 500;

}  // namespace

QByteArray SingleInstance::EncodeMessage(const QStringList& paths) {
  QByteArray payload;
  for (const QString& path : paths) {
    payload += path.toUtf8();
    payload += '\0';
  }
  QByteArray message(kHandOffMagic, 4);
  const quint32 size = static_cast<quint32>(payload.size());
  for (int shift = 24; shift >= 0; shift -= 8) message += static_cast<char>((size >> shift) & 0xff);
  return message + payload;
}

QString SingleInstance::ServerName(const QString& settingsFile) {
  const QString absolute = QFileInfo(settingsFile).absoluteFilePath();
  const QByteArray digest =
      QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  return QStringLiteral("vandrel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), serverName_(std::move(serverName)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

bool SingleInstance::HandOff(const QStringList& paths, int timeoutMs) {
  QLocalSocket socket;
  QEventLoop loop;
  bool accepted = false;
  // Wait in an event loop rather than blocking, so a server in this very
  // thread (the tests) can answer too.
  connect(&socket, &QLocalSocket::connected, &loop, [&] { socket.write(EncodeMessage(paths)); });
  connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
    if (socket.read(1) == QByteArray(1, kHandOffAccepted)) accepted = true;
    loop.quit();
  });
  connect(&socket, &QLocalSocket::errorOccurred, &loop, [&] { loop.quit(); });
  connect(&socket, &QLocalSocket::disconnected, &loop, [&] { loop.quit(); });
  QTimer::singleShot(timeoutMs, &loop, [&] { loop.quit(); });
  socket.connectToServer(serverName_);
  // A refused or missing server may be reported before the loop runs.
  if (socket.state() != QLocalSocket::UnconnectedState) loop.exec();
  socket.abort();
  return accepted;
}

bool SingleInstance::AnyoneListening(int timeoutMs) {
  QLocalSocket probe;
  probe.connectToServer(serverName_);
  const bool alive = probe.waitForConnected(timeoutMs);
  probe.abort();
  return alive;
}

bool SingleInstance::Listen() {
  if (server_ && server_->isListening()) return true;
  if (!server_) {
    server_ = new QLocalServer(this);
    // Only this user may connect and hand files over.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
  }
  // With access options the server binds elsewhere and moves its socket into
  // place, replacing whatever is there: a live instance must be asked first,
  // or a later start would silently take its name.
  if (AnyoneListening(kStaleCheckTimeoutMs)) return false;
  if (server_->listen(serverName_)) return true;
  if (server_->serverError() != QAbstractSocket::AddressInUseError) return false;
  // Only the socket file of an instance that ended without cleaning up is
  // left here; nobody answered on it.
  QLocalServer::removeServer(serverName_);
  return server_->listen(serverName_);
}

bool SingleInstance::IsListening() const { return server_ && server_->isListening(); }

void SingleInstance::AcceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadMessage(socket); });
    // A client that connects and says nothing is dropped.
    QTimer::singleShot(10000, socket, [socket] { socket->abort(); });
    if (socket->bytesAvailable() > 0) ReadMessage(socket);
  }
}

void SingleInstance::ReadMessage(QLocalSocket* socket) {
  if (socket->property("vandrelDone").toBool()) return;
  if (socket->bytesAvailable() < kHeaderSize) return;
  const QByteArray header = socket->peek(kHeaderSize);
  if (!header.startsWith(QByteArray(kHandOffMagic, 4))) {
    socket->abort();
    return;
  }
  quint32 size = 0;
  for (int i = 4; i < kHeaderSize; ++i) size = (size << 8) | static_cast<quint8>(header[i]);
  if (size > kMaxPayloadSize) {
    socket->abort();
    return;
  }
  if (socket->bytesAvailable() < kHeaderSize + static_cast<qint64>(size)) return;
  socket->read(kHeaderSize);
  const QByteArray payload = socket->read(size);
  QStringList paths;
  for (const QByteArray& part : payload.split('\0')) {
    if (!part.isEmpty()) paths << QString::fromUtf8(part);
  }
  socket->setProperty("vandrelDone", true);
  socket->write(QByteArray(1, kHandOffAccepted));
  socket->flush();
  socket->disconnectFromServer();
  Deliver(paths);
}

void SingleInstance::Deliver(const QStringList& paths) {
  if (window_) {
    if (window_->isMinimized()) window_->showNormal();
    window_->raise();
    window_->activateWindow();
  }
  for (const QString& path : paths) {
    // A relative path would be resolved against this instance's folder, not
    // the sender's.
    if (path.isEmpty() || QDir::isRelativePath(path)) continue;
    if (openFile_) openFile_(path);
  }
}

}  // namespace vandrel::shell
