// The window program on a machine shared with another account, and the "open with" hand-over
// of names that are not UTF-8. Needs root, to act as the other account.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <list>

#include "state/state_fixture.h"

namespace kivotra::test {
namespace {

constexpr uid_t kOther = 65534;  // nobody

// A socket's two ends for the test: "serve PATH" listens and prints whatever a
// peer sends; "send PATH TEXT" prints the answer, or exits 3 when no one listens.
constexpr char kSocketScript[] = R"py(
import socket, sys
s = socket.socket(socket.AF_UNIX)
if sys.argv[1] == "serve":
    s.bind(sys.argv[2]); s.listen()
    while True:
        peer = s.accept()[0]; sys.stdout.buffer.write(peer.recv(4096)); sys.stdout.flush(); peer.close()
try: s.connect(sys.argv[2])
except OSError: sys.exit(3)
s.settimeout(5); answer = b""
try:
    s.sendall(sys.argv[3].encode())
    while chunk := s.recv(4096): answer += chunk
except OSError: pass  # dropped, or silent past the time limit
sys.stdout.buffer.write(answer)
)py";

class SharedMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::getuid() != 0) GTEST_SKIP() << "acting as another account needs root";
    fs::permissions(tmp_.path(), fs::perms(0755));
    fs::create_directory(shared_);
    fs::permissions(shared_, fs::perms::all | fs::perms::sticky_bit);  // like /tmp
  }

  // The window (offscreen) or another program, with TMPDIR = the shared folder; killed with the test.
  QProcess& launch(const QStringList& args, const QString& program = KIVOTRA_BIN) {
    QProcess& process = processes_.emplace_back();
    QProcessEnvironment env = toolEnvironment(shared_);
    env.insert("XDG_CONFIG_HOME", q(tmp_ / "config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_QUICK_BACKEND", "software");
    env.remove("XDG_RUNTIME_DIR");
    process.setProcessEnvironment(env);
    process.start(program, args);
    return process;
  }
  QProcess& socketEnd(bool asOther, const QStringList& args) {
    const QStringList python = QStringList{"-c", kSocketScript} + args;
    if (!asOther) return launch(python, "/usr/bin/python3");
    return launch(QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/python3"} + python,
                  "setpriv");
  }
  QProcess& send(bool asOther, const std::string& request = "{\"open\":[]}\n") {
    QProcess& client = socketEnd(asOther, {"send", q(socket_), QString::fromStdString(request)});
    if (!client.waitForFinished(10000)) hung("a socket client", 10);
    return client;
  }
  // The paths the running window lists, as bytes.
  std::set<std::string> listed() {
    std::set<std::string> paths;
    for (const QJsonValue& v : QJsonDocument::fromJson(send(false).readAllStandardOutput())["filesBytes"].toArray())
      paths.insert(QByteArray::fromBase64(v.toString().toLatin1()).toStdString());
    return paths;
  }

  fixtures::ScratchDir tmp_;
  const fs::path shared_ = tmp_ / "shared";
  const fs::path own_ = shared_ / ("kivotra-" + std::to_string(::getuid()));
  const fs::path socket_ = own_ / "window.sock";
  std::list<QProcess> processes_;
};

// Everything another account can plant or try against the window, in one session: our folder made
// by it, then (ours again, but open) a socket squatted in it and markers of its own, then a connection
// once a permission slip lets it in. Meanwhile names that are not UTF-8 reach the window byte for
// byte, from the first launch and handed over by a later one.
TEST_F(SharedMachine, WhatAnotherAccountPlantsOrSendsGetsNothingAndNamesArriveByteForByte) {
  fs::create_directory(own_);
  fs::permissions(own_, fs::perms::all);
  ASSERT_EQ(::chown(own_.c_str(), kOther, kOther), 0);
  QProcess& stranded = launch({q(tmp_ / "secret.mp4")});
  EXPECT_FALSE(stranded.waitForFinished(3000)) << "ended: " << stranded.readAllStandardError().toStdString();
  EXPECT_NE(stranded.readAllStandardError().toStdString().find("no private runtime folder"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(own_)) << "something of ours went into the other user's folder";
  for (const auto& entry : fs::recursive_directory_iterator(shared_)) EXPECT_FALSE(entry.is_socket()) << entry.path();
  stranded.kill();

  ASSERT_EQ(::chown(own_.c_str(), ::getuid(), ::getgid()), 0);  // ours, still open for the planting
  for (const fs::path& marker : {shared_ / "run_selftest", own_ / "run_selftest"}) {
    std::ofstream(marker) << "";
    ASSERT_EQ(::chown(marker.c_str(), kOther, kOther), 0);
  }
  QProcess& squatter = socketEnd(true, {"serve", q(socket_)});
  ASSERT_TRUE(waitUntil([&] { return fs::exists(fs::symlink_status(socket_)); }, 5000));
  fs::permissions(own_, fs::perms::owner_all);  // closed again, the socket stays

  // Through the shell's glob the argument arrives as the raw bytes of the name.
  const fs::path gbk = tmp_ / "in0" / "\xC4\xE3\xBA\xC3.mp4", decomposed = tmp_ / "in1" / "e\xCC\x81t\xC3\xA9.m4v";
  auto openWith = [&](const fs::path& file) -> QProcess& {
    fs::create_directory(file.parent_path());
    std::ofstream(file) << "";
    return launch({"-c", "exec \"$0\" \"$1\"/*", KIVOTRA_BIN, q(file.parent_path())}, "sh");
  };
  QProcess& window = openWith(gbk);
  // Up and serving: our own socket answers.
  struct stat st {};
  EXPECT_TRUE(waitUntil([&] {
    return ::lstat(socket_.c_str(), &st) == 0 && st.st_uid == ::getuid() && send(false).exitCode() == 0;
  }, 20000)) << window.readAllStandardError().toStdString();
  EXPECT_EQ(window.readAllStandardOutput().toStdString().find("自检"), std::string::npos);
  EXPECT_FALSE(fs::exists(own_ / "run_selftest")) << "what another user put into our folder is cleared";
  QProcess& later = openWith(decomposed);
  EXPECT_TRUE(later.waitForFinished(10000) && later.exitCode() == 0) << "a later launch hands its file over and ends";
  const std::set<std::string> expected{gbk, decomposed};
  EXPECT_TRUE(waitUntil([&] { return listed() == expected; }, 5000));
  EXPECT_EQ(squatter.readAllStandardOutput().toStdString(), "") << "the planted socket received our files";

  // A permission slip: the folder and the socket opened to everyone.
  fs::permissions(own_, fs::perms(0711));
  fs::permissions(socket_, fs::perms::all);
  QProcess& peer = send(true, R"({"open":["/tmp/evil.mp4"],"openBytes":["L3RtcC9ldmlsLm1wNA=="]})" "\n");
  EXPECT_EQ(peer.exitCode(), 0) << "the other user could not even connect: the case tests nothing";
  EXPECT_EQ(peer.readAllStandardOutput().toStdString(), "") << "another user read our list";
  EXPECT_EQ(listed(), expected);
  EXPECT_EQ(window.state(), QProcess::Running);
}

}  // namespace
}  // namespace kivotra::test
