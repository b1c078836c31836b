#include "shell/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUuid>
#include <QWidget>
#include <cstring>

namespace vandrel::shell {
namespace {

QString UniqueName() {
  return "vandrel-test-" + QUuid::createUuid().toString(QUuid::Id128).left(16);
}

// Leaves a socket file under `name` that nobody listens on, as an instance
// that was killed does.
void LeaveStaleSocket(const QString& name) {
  const QByteArray path = QDir(QDir::tempPath()).absoluteFilePath(name).toLocal8Bit();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof(address.sun_path));
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
}

// Handles events until `condition` holds; false when it still does not
// after ten seconds.
template <typename Condition>
bool ProcessEventsUntil(Condition condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Handles the events of `milliseconds`: time for something that must not
// happen to show itself.
void ProcessEventsFor(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(SingleInstance, ServerNameSeparatesSettingsAndStaysShort) {
  const QString a = SingleInstance::ServerName("/home/u/.config/vandrel/settings.ini");
  const QString b = SingleInstance::ServerName("/tmp/other/settings.ini");
  EXPECT_NE(a, b);
  EXPECT_EQ(a, SingleInstance::ServerName("/home/u/.config/vandrel/settings.ini"));
  EXPECT_TRUE(a.contains(QString::number(::getuid())));
  EXPECT_LT(a.size(), 48);
}

TEST(SingleInstance, SecondInstanceHandsItsFilesToTheFirst) {
  const QString name = UniqueName();
  SingleInstance first(name);
  QStringList received;
  first.SetOpenFileHandler([&](const QString& path) { received << path; });
  QWidget window;
  window.showMinimized();
  first.SetWindow(&window);
  ASSERT_TRUE(first.Listen());

  SingleInstance second(name);
  // The name is live: a second server must not take it over.
  EXPECT_FALSE(second.Listen());
  const QStringList paths{"/tmp/a file.txt", "/srv/\xc3\xa9t\xc3\xa9/b.c", "relative.txt"};
  EXPECT_TRUE(second.HandOff(paths, 5000));
  ProcessEventsUntil([&] { return received.size() >= 2; });
  // The relative path would mean another folder here and is skipped.
  EXPECT_EQ(received,
            (QStringList{"/tmp/a file.txt", QString::fromUtf8("/srv/\xc3\xa9t\xc3\xa9/b.c")}));
  EXPECT_FALSE(window.isMinimized());

  // The server keeps serving further instances.
  EXPECT_TRUE(second.HandOff({"/tmp/c.txt"}, 5000));
  EXPECT_TRUE(ProcessEventsUntil([&] { return received.size() == 3; }))
      << received.join(", ").toStdString();
}

TEST(SingleInstance, NobodyListeningMeansNoHandOff) {
  SingleInstance lonely(UniqueName());
  EXPECT_FALSE(lonely.HandOff({"/tmp/a.txt"}, 1000));
}

TEST(SingleInstance, StaleSocketIsRecovered) {
  const QString name = UniqueName();
  LeaveStaleSocket(name);
  ASSERT_TRUE(QFileInfo::exists(QDir(QDir::tempPath()).absoluteFilePath(name)));
  SingleInstance late(name);
  EXPECT_FALSE(late.HandOff({"/tmp/a.txt"}, 1000));

  SingleInstance first(name);
  QStringList received;
  first.SetOpenFileHandler([&](const QString& path) { received << path; });
  ASSERT_TRUE(first.Listen());
  EXPECT_TRUE(late.HandOff({"/tmp/a.txt"}, 5000));
  ProcessEventsUntil([&] { return !received.isEmpty(); });
  EXPECT_EQ(received, QStringList{"/tmp/a.txt"});
}

TEST(SingleInstance, MalformedMessagesAreDropped) {
  const QString name = UniqueName();
  SingleInstance first(name);
  QStringList received;
  first.SetOpenFileHandler([&](const QString& path) { received << path; });
  ASSERT_TRUE(first.Listen());

  const auto send = [&](const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(name);
    EXPECT_TRUE(socket.waitForConnected(1000) || socket.state() == QLocalSocket::ConnectedState);
    socket.write(bytes);
    socket.flush();
    // The server drops the connection.
    EXPECT_TRUE(
        ProcessEventsUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }));
    const QByteArray answer = socket.readAll();
    socket.abort();
    return answer;
  };
  // Wrong magic, and a length far over the limit: dropped without an answer,
  // nothing opened.
  EXPECT_TRUE(send(QByteArray("XXXX\0\0\0\x05/a/b\0", 13)).isEmpty());
  EXPECT_TRUE(send(QByteArray("VDO1\x7f\xff\xff\xff/a", 10)).isEmpty());
  EXPECT_TRUE(received.isEmpty());

  // A message that arrives in pieces is still read whole.
  QLocalSocket socket;
  socket.connectToServer(name);
  ASSERT_TRUE(socket.waitForConnected(1000));
  const QByteArray message = SingleInstance::EncodeMessage({"/x/y.txt"});
  socket.write(message.left(6));
  socket.flush();
  ProcessEventsFor(50);
  EXPECT_TRUE(received.isEmpty());
  socket.write(message.mid(6));
  socket.flush();
  ProcessEventsUntil([&] { return socket.bytesAvailable() > 0; });
  EXPECT_EQ(socket.readAll(), QByteArray(1, SingleInstance::kHandOffAccepted));
  EXPECT_EQ(received, QStringList{"/x/y.txt"});
}

}  // namespace
}  // namespace vandrel::shell
