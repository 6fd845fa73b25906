// The work behind the three exports. These raise exceptions; the exported
// wrappers turn every one of them into a false result.
#pragma once

#include <cstdint>

#include "converter/core/runner.h"
#include "converter/dorvs/frame.h"
#include "platform/win32.h"

namespace dorv {

bool ConvertReadImpl(HANDLE file, uint8_t* readInfo, HGLOBAL* block, uint8_t* palette,
                     int32_t* transparentIndex);
// Shows the message of a failed load to the user.
using TLoadFailureReport = void (*)(const char* message);
// ConvertRead over any stream; ConvertReadImpl passes the file's stream and
// a report through a message box.
bool ConvertReadFromStream(TStream& stream, uint8_t* readInfo, HGLOBAL* block, uint8_t* palette,
                           int32_t* transparentIndex, TLoadFailureReport report);

struct TWriteRequest {
  HANDLE File;
  int32_t Width, Height, Planes, Depth;
  const uint8_t* Pixels;
  const uint8_t *Red, *Green, *Blue;
  int32_t TransparentIndex;
  int32_t CompType, Quality, Code, ImageMode;
};
bool ConvertWriteImpl(const TWriteRequest& request);
// ConvertWrite into any stream (request.File is not used), of a frame shown
// for delay units, its work run by runner.
bool ConvertWriteToStream(const TWriteRequest& request, TStream& stream,
                          int32_t delay = TDorvFrame::kDefaultDelay, const TRunner& runner = TRunner());

// The bits per pixel of the block a composite is brought to: 8 for palette
// composites without an alpha plane, else 32.
int32_t BlockBpp(const TDIBSurface& composite);
// Brings a composite to the rows of the pixel block (8-bit indices or 32-bit
// B, G, R, A) and returns the block's bits per pixel.
int32_t ComposeBlockRows(TDIBSurface& composite, uint8_t* block, size_t stride, const TRunner& runner = TRunner());

}  // namespace dorv
