#include "converter/streams/zlib_fail.h"

#include <zlib.h>

#include "converter/core/errors.h"
#include "converter/core/messages.h"

namespace dorv {

void FailZlib(int code) {
  if (code == Z_MEM_ERROR) throw EOutOfMemory(msg::kOutOfMemory);
  const char* text = zError(code);
  throw EZlibError(text != nullptr && *text != '\0' ? text : "stream error");
}

}  // namespace dorv
