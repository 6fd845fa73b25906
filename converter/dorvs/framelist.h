// TDorvFrameList: the document. It owns its frames, which own their layers;
// it reads and writes the container file.
#pragma once

#include <cstdint>

#include "converter/dorvs/frames.h"
#include "converter/dorvs/header_info.h"
#include "converter/dorvs/read_context.h"
#include "converter/dorvs/save_context.h"

namespace dorv {

class TStream;

class TDorvFrameList {
 public:
  explicit TDorvFrameList(int32_t code = 0) : Code(code) {}

  int32_t BGColor = 0;     // 0x00BBGGRR
  bool NotFillBG = false;  // bottom visible layer drawn without its key
  int32_t Code;            // identification code; 0 means none
  // Keeps every frame's layers after a load (they are dropped by default,
  // once their frame has been composed).
  bool KeepLayers = false;
  // The header values of the last load (a legacy file's as far as it has
  // them), for callers that describe how the planes were stored.
  THeaderInfo LoadedHeader;

  int Count() const { return frames_.Count(); }
  TDorvFrame& AddFrame() { return frames_.Add(); }
  // Raises "Error:TDorvFrameList.GetFrame" outside 0 to Count() - 1.
  TDorvFrame& GetFrame(int index) const { return frames_.Get(index); }
  // Drops every frame's layers, keeping the composites.
  void ReleaseLayers() { frames_.ReleaseLayers(); }

  // Reads a current or legacy file from the stream's position, its work run
  // by runner. After a failure the document holds the frames created so
  // far. rows, when given, may take the first frame's bottom layer.
  void LoadFromStream(TStream& stream, bool firstFrameOnly, const TCallerRows* rows = nullptr,
                      const TRunner& runner = TRunner());
  // Reads a file of the older layout (one that does not start "DorvX").
  void LoadLegacy(TStream& stream, bool firstFrameOnly, const TRunner& runner = TRunner());
  // Writes a current-format file at the stream's position.
  void SaveToStream(TStream& stream, const TSaveOptions& options, const TRunner& runner = TRunner()) const;
  void SaveToStream(TStream& stream, int32_t compType, int32_t compLevel) const {
    SaveToStream(stream, TSaveOptions{compType, compLevel, nullptr});
  }
  void GetHeaderInfo(THeaderInfo& info, int32_t compType, int32_t compLevel) const;
  // The coding that a save asked for compType stores: a document with a code
  // stores its planes raw and scrambled.
  int32_t StoredCompType(int32_t compType) const { return Code != 0 ? kCompNone : compType; }

 private:
  void LoadCurrent(TStream& stream, const TCallerRows* rows, const TRunner& runner);

  TFrames frames_;
};

}  // namespace dorv
