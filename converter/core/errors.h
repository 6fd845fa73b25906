// Exception classes of the converter. Every failure is raised as one of these,
// carrying the message text that is shown to the user (UTF-8 here; the
// Windows message box converts it). Nothing is retried and nothing is logged.
#pragma once

#include <stdexcept>
#include <string>

namespace dorv {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Container format errors (Japanese texts of the format, plus our own checks
// of hostile input).
class EFormatError : public Exception { using Exception::Exception; };
// Stream layer: reading past the end or a failed write.
class EReadError : public Exception { using Exception::Exception; };
class EWriteError : public Exception { using Exception::Exception; };
// Surface errors.
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EOutOfMemory : public Exception { using Exception::Exception; };
// Runtime conversion and list errors.
class EConvertError : public Exception { using Exception::Exception; };
class EListError : public Exception { using Exception::Exception; };
// Codec errors carry the library's own message.
class EZlibError : public Exception { using Exception::Exception; };
class EJpegError : public Exception { using Exception::Exception; };

// Replaces the first "%d" or "%s" in a message template.
std::string FormatMessage(const char* pattern, long long value);
std::string FormatMessage(const char* pattern, const std::string& value);

}  // namespace dorv
