// The terminal of terminal.h on POSIX systems: /dev/tty with termios.
#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/terminal.h"

namespace platform {

struct Terminal::State {
  int fd = -1;
  termios saved{};
};

namespace {

// How long to wait for the rest of an escape sequence.
constexpr int kSequenceWaitMs = 60;

enum class ByteResult { Ok, Timeout, Eof };

ByteResult ReadByte(int fd, int timeoutMs, unsigned char* out) {
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return ByteResult::Eof;
    if (r == 0) return ByteResult::Timeout;
    ssize_t n = ::read(fd, out, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return ByteResult::Eof;
    return ByteResult::Ok;
  }
}

KeyEvent Make(Key key) {
  KeyEvent e;
  e.key = key;
  return e;
}

// After ESC '[' or ESC 'O': parameters, then the final byte.
KeyEvent ReadSequence(int fd) {
  std::string params;
  for (int guard = 0; guard < 16; ++guard) {
    unsigned char c = 0;
    if (ReadByte(fd, kSequenceWaitMs, &c) != ByteResult::Ok) return Make(Key::None);
    if (c >= 0x40 && c <= 0x7E) {
      switch (c) {
        case 'A': return Make(Key::Up);
        case 'B': return Make(Key::Down);
        case 'C': return Make(Key::Right);
        case 'D': return Make(Key::Left);
        case 'H': return Make(Key::Home);
        case 'F': return Make(Key::End);
        case 'Z': return Make(Key::BackTab);
        case '~': {
          int n = std::atoi(params.c_str());
          if (n == 1 || n == 7) return Make(Key::Home);
          if (n == 4 || n == 8) return Make(Key::End);
          if (n == 3) return Make(Key::Delete);
          if (n == 5) return Make(Key::PageUp);
          if (n == 6) return Make(Key::PageDown);
          return Make(Key::None);
        }
        default: return Make(Key::None);
      }
    }
    params += static_cast<char>(c);
  }
  return Make(Key::None);
}

// The remaining bytes of a UTF-8 character whose first byte is lead.
std::string ReadUtf8(int fd, unsigned char lead) {
  std::string text(1, static_cast<char>(lead));
  int more = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
  for (int i = 0; i < more; ++i) {
    unsigned char c = 0;
    if (ReadByte(fd, kSequenceWaitMs, &c) != ByteResult::Ok || (c & 0xC0) != 0x80) break;
    text += static_cast<char>(c);
  }
  return text;
}

KeyEvent FromByte(int fd, unsigned char c) {
  switch (c) {
    case '\r':
    case '\n': return Make(Key::Enter);
    case '\t': return Make(Key::Tab);
    case 0x7F:
    case 0x08: return Make(Key::Backspace);
    case 0x03: return Make(Key::Interrupt);
    default: break;
  }
  if (c < 0x20) return Make(Key::None);
  KeyEvent e = Make(Key::Char);
  e.text = c < 0x80 ? std::string(1, static_cast<char>(c)) : ReadUtf8(fd, c);
  return e;
}

}  // namespace

Terminal::Terminal(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<Terminal> Terminal::Open(std::string* why) {
  auto fail = [why](const std::string& reason) -> std::unique_ptr<Terminal> {
    if (why != nullptr) *why = reason;
    return nullptr;
  };
  int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(std::strerror(errno));
  auto state = std::make_unique<State>();
  state->fd = fd;
  if (!::isatty(fd) || ::tcgetattr(fd, &state->saved) != 0) {
    std::string reason = std::strerror(errno);
    ::close(fd);
    return fail(reason);
  }
  // Changing the mode of a terminal from the background would stop the
  // process; a background process gets no dialog.
  if (::tcgetpgrp(fd) != ::getpgrp()) {
    ::close(fd);
    return fail("the process is not in the foreground of its terminal");
  }
  termios raw = state->saved;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cflag |= CS8;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // TCSANOW keeps keys typed ahead.
  if (::tcsetattr(fd, TCSANOW, &raw) != 0) {
    std::string reason = std::strerror(errno);
    ::close(fd);
    return fail(reason);
  }
  return std::unique_ptr<Terminal>(new Terminal(std::move(state)));
}

Terminal::~Terminal() {
  ::tcsetattr(state_->fd, TCSADRAIN, &state_->saved);
  ::close(state_->fd);
}

bool Terminal::Write(std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(state_->fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

KeyEvent Terminal::ReadKey() {
  unsigned char c = 0;
  if (ReadByte(state_->fd, -1, &c) != ByteResult::Ok) return Make(Key::Eof);
  if (c != 0x1B) return FromByte(state_->fd, c);
  unsigned char next = 0;
  ByteResult r = ReadByte(state_->fd, kSequenceWaitMs, &next);
  if (r != ByteResult::Ok || next == 0x1B) return Make(Key::Escape);
  if (next == '[' || next == 'O') return ReadSequence(state_->fd);
  KeyEvent e = FromByte(state_->fd, next);
  e.alt = true;
  return e;
}

void Terminal::Size(int* columns, int* rows) const {
  winsize ws{};
  bool known = ::ioctl(state_->fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0;
  if (columns != nullptr) *columns = known ? ws.ws_col : 80;
  if (rows != nullptr) *rows = known ? ws.ws_row : 24;
}

}  // namespace platform
#endif
