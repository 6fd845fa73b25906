// A small text terminal: the process's controlling terminal in raw mode,
// keys read one at a time and text written as it is (UTF-8 with ANSI escape
// sequences). The terminal's previous mode is restored when the object goes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class Key {
  None,       // an unknown sequence
  Char,       // text holds one character (UTF-8); alt is set for Alt+character
  Up, Down, Left, Right, Home, End, PageUp, PageDown, Delete,
  Enter, Escape, Tab, BackTab, Backspace,
  Interrupt,  // Ctrl+C
  Eof,        // the terminal hung up or failed
};

struct KeyEvent {
  Key key = Key::None;
  std::string text;  // for Key::Char
  bool alt = false;
};

class Terminal {
 public:
  // Opens the controlling terminal and puts it in raw mode. Returns null,
  // with the reason in why, when the process has no controlling terminal or
  // is not in its foreground.
  static std::unique_ptr<Terminal> Open(std::string* why);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Writes all of text; false when the terminal fails.
  bool Write(std::string_view text);
  // Blocks until a key arrives. A lone Escape is told apart from the start of
  // an escape sequence by a short wait for the next byte.
  KeyEvent ReadKey();
  // Columns and rows of the window (80 x 24 when unknown).
  void Size(int* columns, int* rows) const;

  struct State;

 private:
  explicit Terminal(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace platform
