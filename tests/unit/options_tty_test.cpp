// The terminal presenter, driven through a pseudo-terminal: the dialog runs
// in a child process whose controlling terminal is the pty, the test types
// keys into the master side and checks what the dialog handed back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "converter/core/messages.h"
#include "converter/options/config_write.h"
#include "converter/options/form_option.h"
#include "converter/options/tty_presenter.h"

namespace dorv {
namespace {

struct Outcome {
  int32_t confirmed = -1;
  int32_t compType = 0, quality = 0, code = 0;
};

struct PtyResult {
  Outcome outcome;
  std::string screen;      // all that the dialog wrote
  std::string errors;      // the child's standard error
  bool canonicalRestored = false;
  bool timedOut = false;
};

// Every full drawing of the form ends with "erase below".
size_t Draws(const std::string& screen) {
  size_t n = 0;
  for (size_t at = screen.find("\x1b[J"); at != std::string::npos; at = screen.find("\x1b[J", at + 1))
    ++n;
  return n;
}

// Reads from fd into out until done() holds, the fd closes or 10 s pass.
bool ReadUntil(int fd, std::string& out, const std::function<bool()>& done) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[4096];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return done();  // EIO once the child has closed its side
    out.append(buf, static_cast<size_t>(n));
  }
  return true;
}

// Runs body in a child on a new pty (or with no terminal at all) and types
// keys one at a time, each after the dialog has drawn itself again.
PtyResult RunDialog(const std::function<Outcome()>& body, const std::vector<std::string>& keys,
                    bool withTerminal = true, bool hangUp = false) {
  PtyResult r;
  int master = -1;
  std::string slaveName;
  if (withTerminal) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(::grantpt(master), 0);
    EXPECT_EQ(::unlockpt(master), 0);
    slaveName = ::ptsname(master);
    winsize ws{};
    ws.ws_col = 100;
    ws.ws_row = 30;
    ::ioctl(master, TIOCSWINSZ, &ws);
  }
  int results[2], errors[2];
  EXPECT_EQ(::pipe(results), 0);
  EXPECT_EQ(::pipe(errors), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    // A hang-up must end the dialog as a cancel rather than kill the process.
    if (hangUp) ::signal(SIGHUP, SIG_IGN);
    if (withTerminal) {
      ::close(master);
      int slave = ::open(slaveName.c_str(), O_RDWR);
      if (slave < 0 || ::ioctl(slave, TIOCSCTTY, 0) != 0) ::_exit(3);
      // Keep a descriptor open so the mode can be read back after the dialog.
    }
    ::dup2(errors[1], 2);
    ::close(results[0]);
    ::close(errors[0]);
    Outcome o = body();
    ssize_t w = ::write(results[1], &o, sizeof o);
    ::_exit(w == static_cast<ssize_t>(sizeof o) ? 0 : 4);
  }
  ::close(results[1]);
  ::close(errors[1]);
  if (withTerminal) {
    r.timedOut = !ReadUntil(master, r.screen, [&] { return Draws(r.screen) >= 1; });
    for (size_t i = 0; i < keys.size() && !r.timedOut; ++i) {
      size_t before = Draws(r.screen);
      EXPECT_EQ(::write(master, keys[i].data(), keys[i].size()),
                static_cast<ssize_t>(keys[i].size()));
      if (i + 1 < keys.size())
        r.timedOut = !ReadUntil(master, r.screen, [&] { return Draws(r.screen) > before; });
    }
    if (hangUp) {
      ::close(master);
      master = -1;
    }
  }
  // The child writes its outcome once the dialog has closed; keep draining
  // the terminal meanwhile so it never blocks on a full pty.
  std::string raw;
  if (!r.timedOut) {
    int fds[2] = {results[0], master};
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (raw.size() < sizeof(Outcome) && std::chrono::steady_clock::now() < until) {
      pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
      if (::poll(p, fds[1] >= 0 ? 2 : 1, 100) <= 0) continue;
      char buf[4096];
      if (p[0].revents) {
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        raw.append(buf, static_cast<size_t>(n));
      }
      if (fds[1] >= 0 && p[1].revents) {
        ssize_t n = ::read(fds[1], buf, sizeof buf);
        if (n > 0) r.screen.append(buf, static_cast<size_t>(n));
        else fds[1] = -1;
      }
    }
    r.timedOut = raw.size() < sizeof(Outcome);
  }
  if (r.timedOut) ::kill(pid, SIGKILL);
  if (raw.size() >= sizeof(Outcome)) std::memcpy(&r.outcome, raw.data(), sizeof(Outcome));
  if (master >= 0) {
    termios t{};
    if (::tcgetattr(master, &t) == 0) r.canonicalRestored = (t.c_lflag & (ICANON | ECHO)) == (ICANON | ECHO);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  char buf[4096];
  for (ssize_t n; (n = ::read(errors[0], buf, sizeof buf)) > 0;) r.errors.append(buf, static_cast<size_t>(n));
  ::close(results[0]);
  ::close(errors[0]);
  if (master >= 0) ::close(master);
  return r;
}

std::function<Outcome()> ConfigWriteAt(int32_t bpp) {
  return [bpp] {
    Outcome o;
    o.compType = o.quality = o.code = -9;
    o.confirmed = RunConfigWrite(bpp, &o.compType, &o.quality, &o.code) ? 1 : 0;
    return o;
  };
}

const std::string kUp = "\x1b[A", kDown = "\x1b[B", kEnd = "\x1b[F", kTab = "\t", kEnter = "\r",
                  kEsc = "\x1b", kBackspace = "\x7f", kCtrlC = "\x03";

struct KeysCase {
  const char* name;
  int32_t bpp;
  std::vector<std::string> keys;
  bool confirmed;
  int32_t compType, quality;
};

class TerminalDialog : public ::testing::TestWithParam<KeysCase> {};

TEST_P(TerminalDialog, KeysGiveTheseOptions) {
  const KeysCase& c = GetParam();
  PtyResult r = RunDialog(ConfigWriteAt(c.bpp), c.keys);
  ASSERT_FALSE(r.timedOut) << r.errors;
  EXPECT_EQ(r.outcome.confirmed, c.confirmed ? 1 : 0);
  if (c.confirmed) {
    EXPECT_EQ(r.outcome.compType, c.compType);
    EXPECT_EQ(r.outcome.quality, c.quality);
    EXPECT_EQ(r.outcome.code, 0);
  } else {
    EXPECT_EQ(r.outcome.compType, -9);  // outputs untouched
    EXPECT_EQ(r.outcome.quality, -9);
  }
  EXPECT_NE(r.screen.find("DorvStudio Format Options"), std::string::npos);
  EXPECT_NE(r.screen.find("キャンセル"), std::string::npos);
  EXPECT_TRUE(r.canonicalRestored);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TerminalDialog,
    ::testing::Values(
        KeysCase{"EnterAtOnce", 24, {kEnter}, true, 0, 70},
        KeysCase{"EscapeCancels", 24, {kEsc}, false, 0, 0},
        KeysCase{"CtrlCCancels", 24, {kCtrlC}, false, 0, 0},
        KeysCase{"DownPicksNone", 24, {kDown, kEnter}, true, 1, 70},
        KeysCase{"NoLossyAt16Bits", 16, {kDown, kDown, kDown, kEnter}, true, 1, 70},
        KeysCase{"ArrowsSetQuality", 24, {kDown, kDown, kTab, kUp, kUp, kUp, kEnter}, true, 2, 73},
        KeysCase{"AltAccessKeyThenTyping", 32, {kEnd, "\x1bq", "9", "5", kEnter}, true, 2, 95},
        KeysCase{"PlainAccessKeyClampsTyped", 32, {kEnd, "q", "1", "5", "0", kEnter}, true, 2, 100},
        KeysCase{"BackspaceThenSpaceOnOk", 32,
                 {kEnd, kTab, kBackspace, "8", kTab, " "}, true, 2, 8},
        KeysCase{"EnterOnFocusedCancel", 24, {kTab, kTab, kEnter}, false, 0, 0},
        KeysCase{"QualityHiddenAgain", 24, {kEnd, "c", kUp, kEnter}, true, 1, 70}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TerminalDialogCode, BadCodeWarnsAndKeepsTheDialogOpen) {
  auto body = [] {
    Outcome o;
    std::string why;
    auto presenter = CreateTerminalPresenter(&why);
    if (!presenter) return o;
    TFormOption form;
    form.LabelCode.Visible = form.EditCode.Visible = true;
    o.confirmed = presenter->ShowModal(form) == TModalResult::Ok ? 1 : 0;
    o.code = form.Code();
    return o;
  };
  PtyResult r = RunDialog(body, {"\x1bo", "A", "B", "C", kEnter, kEnter, "D", kEnter});
  ASSERT_FALSE(r.timedOut) << r.errors;
  EXPECT_NE(r.screen.find(msg::kCodeWarning), std::string::npos);
  EXPECT_EQ(r.outcome.confirmed, 1);
  EXPECT_EQ(static_cast<uint32_t>(r.outcome.code), 0x41424344u);
}

TEST(TerminalDialogCode, HangUpCancels) {
  PtyResult r = RunDialog(ConfigWriteAt(24), {}, true, true);
  ASSERT_FALSE(r.timedOut) << r.errors;
  EXPECT_EQ(r.outcome.confirmed, 0);
}

TEST(TerminalDialogCode, WithoutTerminalSaysSoAndFails) {
  PtyResult r = RunDialog(ConfigWriteAt(24), {}, false);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.outcome.confirmed, 0);
  EXPECT_EQ(r.outcome.compType, -9);
  EXPECT_NE(r.errors.find(msg::kNoTerminal), std::string::npos) << r.errors;
}

}  // namespace
}  // namespace dorv
