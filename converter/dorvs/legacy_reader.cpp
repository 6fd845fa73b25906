#include "converter/dorvs/legacy_reader.h"

#include "converter/core/errors.h"
#include "converter/core/messages.h"
#include "converter/dorvs/framelist.h"

namespace dorv {

void LoadLegacy(TDorvFrameList& document, TStream&, bool) {
  document.Clear();
  // The older binary layout is read by its own reader; until it is in place
  // such files are refused as unreadable.
  throw EFormatError(msg::kUnreadableFormat);
}

}  // namespace dorv
