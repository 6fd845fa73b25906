// The reader of the older binary layout. The first byte sets the
// first-frame-only flag; the rest is the file.
#include "converter/core/errors.h"
#include "converter/dorvs/framelist.h"
#include "converter/streams/stream.h"
#include "fuzz_check.h"

int dorv::fuzz::RunLegacyReader(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool firstFrameOnly = data[0] & 1;
  dorv::TSpanStream stream(data + 1, size - 1);
  dorv::TDorvFrameList doc(static_cast<int32_t>(data[0] >> 1));
  try {
    doc.LoadLegacy(stream, firstFrameOnly);
    if (firstFrameOnly && doc.Count() > 1) dorv::fuzz::Fail("legacy_reader");
    for (int i = 0; i < doc.Count(); ++i)
      if (doc.GetFrame(i).LayerCount() != 0) dorv::fuzz::Fail("legacy_reader");  // layers are released
  } catch (const dorv::Exception&) {
  }
  return 0;
}

DORV_FUZZ_ENTRY(dorv::fuzz::RunLegacyReader)
