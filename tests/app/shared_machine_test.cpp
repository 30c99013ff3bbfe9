// The window program on a machine shared with another account: whatever that
// account plants in the shared temporary folder, no path of ours reaches it,
// and the window still opens. Also the "open with" hand-over of names that
// are not UTF-8. Needs root, to act as the other account.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "../state/state_fixture.h"
#include "support/scratch_dir.h"
#include "support/tool_process.h"

namespace kivotra {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::waitUntil;
constexpr uid_t kOther = 65534;  // nobody

sockaddr_un addressOf(const fs::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.string().copy(address.sun_path, sizeof address.sun_path - 1);
  return address;
}

// Connects to path, sends request, returns all the answer ("<none>" when no connection).
std::string exchange(const fs::path& path, const std::string& request) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = addressOf(path);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return "<none>";
  }
  [[maybe_unused]] const ssize_t sent = ::write(fd, request.data(), request.size());
  timeval limit{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string answer;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return answer;
}

// A process of the other account (fork, then setresuid): body's result goes back through a pipe.
struct Other {
  template <class Body>
  explicit Other(Body body) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      if (::setresgid(kOther, kOther, kOther) != 0 || ::setresuid(kOther, kOther, kOther) != 0) ::_exit(2);
      body(fds[1]);
      ::_exit(0);
    }
    ::close(fds[1]);
    out = fds[0];
    ::fcntl(out, F_SETFL, O_NONBLOCK);
  }
  ~Other() {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(out);
  }
  std::string received() const {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    return text;
  }
  pid_t pid = -1;
  int out = -1;
};

class SharedMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::getuid() != 0) GTEST_SKIP() << "acting as another account needs root";
    fs::permissions(tmp_.path(), fs::perms(0755));
    fs::create_directory(shared_);
    fs::permissions(shared_, fs::perms::all | fs::perms::sticky_bit);  // like /tmp
  }
  void TearDown() override {
    for (auto& window : windows_) {
      window->terminate();
      if (!window->waitForFinished(5000)) window->kill();
      window->waitForFinished();
    }
  }

  // The window program, offscreen, with TMPDIR = the shared folder.
  QProcess& launch(const QStringList& args, const QString& program = QStringLiteral(KIVOTRA_BIN)) {
    auto& process = *windows_.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment env = test::toolEnvironment(shared_);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((tmp_ / "config").string()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    process.setProcessEnvironment(env);
    process.start(program, args);
    return process;
  }
  // Up and serving: our own socket answers. The window is what is running then.
  bool serving() const {
    struct stat st {};
    return ::lstat(socket_.c_str(), &st) == 0 && st.st_uid == ::getuid() &&
           exchange(socket_, "{\"open\":[]}\n") != "<none>";
  }
  // The paths the running window lists, as bytes.
  std::set<std::string> listed() const {
    const QByteArray answer = QByteArray::fromStdString(exchange(socket_, "{\"open\":[]}\n"));
    std::set<std::string> paths;
    for (const QJsonValue& v : QJsonDocument::fromJson(answer).object().value(QStringLiteral("filesBytes")).toArray()) {
      paths.insert(QByteArray::fromBase64(v.toString().toLatin1()).toStdString());
    }
    return paths;
  }
  void expectWindowOpens(QProcess& window, bool withSocket) {
    if (withSocket) {
      EXPECT_TRUE(waitUntil([&] { return serving(); }, 20000)) << window.readAllStandardError().toStdString();
    } else {
      EXPECT_FALSE(window.waitForFinished(3000)) << "ended: " << window.readAllStandardError().toStdString();
    }
    EXPECT_EQ(window.state(), QProcess::Running);
  }

  fixtures::ScratchDir tmp_;
  const fs::path shared_ = tmp_ / "shared";
  const fs::path own_ = shared_ / ("kivotra-" + std::to_string(::getuid()));
  const fs::path socket_ = own_ / "window.sock";
  const fs::path secret_ = tmp_ / "secret.mp4";
  std::vector<std::unique_ptr<QProcess>> windows_;
};

TEST_F(SharedMachine, AFolderPreCreatedByAnotherUserIsNotUsedAndTheWindowStillOpens) {
  fs::create_directory(own_);
  fs::permissions(own_, fs::perms::all);
  ASSERT_EQ(::chown(own_.c_str(), kOther, kOther), 0);
  QProcess& window = launch({QString::fromStdString(secret_.string())});
  expectWindowOpens(window, false);
  EXPECT_NE(window.readAllStandardError().toStdString().find("no private runtime folder"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(own_)) << "something of ours went into the other user's folder";
  for (const auto& entry : fs::recursive_directory_iterator(shared_)) {
    EXPECT_FALSE(entry.is_socket()) << entry.path() << ": a socket in the shared folder";
  }
}

// Everything another account can plant or try against a running window, in one session:
// a socket squatted while our folder was open, markers of its own, a connection
// once a permission slip lets it in. Meanwhile names that are not UTF-8 reach the
// window byte for byte, from the first launch and handed over by later ones.
TEST_F(SharedMachine, WhatAnotherAccountPlantsOrSendsGetsNothingAndNamesArriveByteForByte) {
  fs::create_directory(own_);
  fs::permissions(own_, fs::perms::all);  // open for the planting
  for (const fs::path& marker : {shared_ / "run_selftest", own_ / "run_selftest"}) {
    std::ofstream(marker) << "";
    ASSERT_EQ(::chown(marker.c_str(), kOther, kOther), 0);
  }
  const sockaddr_un address = addressOf(socket_);
  const Other squatter([&](int out) {  // system calls only: this runs in a forked child
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0) return;
    for (;;) {
      const int peer = ::accept(fd, nullptr, nullptr);
      char buffer[4096];
      const ssize_t n = ::read(peer, buffer, sizeof buffer);
      if (n > 0) [[maybe_unused]] const ssize_t w = ::write(out, buffer, static_cast<std::size_t>(n));
      ::close(peer);
    }
  });
  ASSERT_TRUE(waitUntil([&] { return fs::exists(fs::symlink_status(socket_)); }, 5000));
  fs::permissions(own_, fs::perms::owner_all);  // closed again, the socket stays

  std::string cjk;
  for (int i = 0; i < 80; ++i) cjk += "视";
  std::set<std::string> expected;
  for (const std::string& name : {"\xC4\xE3\xBA\xC3.mp4"s, cjk + ".mov", "e\xCC\x81t\xC3\xA9.m4v"s}) {
    const fs::path folder = tmp_ / ("in" + std::to_string(expected.size()));
    fs::create_directory(folder);
    std::ofstream(folder / name) << "";
    expected.insert((folder / name).string());
    // Through the shell's glob: the argument arrives as the raw bytes of the name.
    QProcess& run = launch({QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$1\"/*"), QStringLiteral(KIVOTRA_BIN),
                            QString::fromStdString(folder.string())},
                           QStringLiteral("sh"));
    if (expected.size() > 1) {
      EXPECT_TRUE(run.waitForFinished(10000)) << "a later launch hands its file over and ends";
      EXPECT_EQ(run.exitCode(), 0);
      continue;
    }
    expectWindowOpens(run, true);
    EXPECT_EQ(run.readAllStandardOutput().toStdString().find("自检"), std::string::npos);
    EXPECT_FALSE(fs::exists(own_ / "run_selftest")) << "what another user put into our folder is cleared";
  }
  EXPECT_TRUE(waitUntil([&] { return listed() == expected; }, 5000));
  EXPECT_EQ(squatter.received(), "") << "the planted socket received our files";

  // A permission slip: the folder and the socket opened to everyone.
  fs::permissions(own_, fs::perms(0711));
  fs::permissions(socket_, fs::perms::all);
  const char request[] = "{\"open\":[\"/tmp/evil.mp4\"],\"openBytes\":[\"L3RtcC9ldmlsLm1wNA==\"]}\n";
  const Other peer([&](int out) {  // system calls only: this runs in a forked child
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) ::_exit(3);
    [[maybe_unused]] const ssize_t sent = ::write(fd, request, sizeof request - 1);
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
      [[maybe_unused]] const ssize_t w = ::write(out, buffer, static_cast<std::size_t>(n));
    }
  });
  int status = -1;
  ASSERT_TRUE(waitUntil([&] { return ::waitpid(peer.pid, &status, WNOHANG) == peer.pid; }, 10000));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the other user could not even connect: the case tests nothing";
  EXPECT_EQ(peer.received(), "") << "another user read our list";
  EXPECT_EQ(listed(), expected);
  EXPECT_EQ(windows_.front()->state(), QProcess::Running);
}

}  // namespace
}  // namespace kivotra
