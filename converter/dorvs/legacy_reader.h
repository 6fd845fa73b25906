// The reader of the older binary layout (files that do not start "DorvX").
#pragma once

namespace dorv {

class TDorvFrameList;
class TStream;

void LoadLegacy(TDorvFrameList& document, TStream& stream, bool firstFrameOnly);

}  // namespace dorv
