// Refusal of a frame or layer before anything is allocated for it: its size
// must stay within the surface cap, and a large one must have the bytes that
// its plane records need still in the file. A record can be no smaller than
// its coding allows (raw rows hold every byte of the plane, a zlib stream at
// least 1/2048 of what it inflates to), so a few bytes can never make the
// reader reserve and fill whole large planes. Frames and layers of up to a
// megapixel (a few MiB at any depth) are always read: a damaged file shows
// whatever was complete before the damage, over the frame's background.
#pragma once

#include <cstdint>

namespace dorv {

struct THeaderInfo;

// Planes of at most this many pixels are allocated whatever the file holds.
inline constexpr uint64_t kSmallPlanePixels = uint64_t{1} << 20;

// Fewest bytes that the records of one layer of a width x height frame at
// depth take in the file: fieldBytes of layer fields before the records,
// the colour record and, from Version 100 on, the alpha record's length.
uint64_t MinLayerBytes(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                       uint64_t fieldBytes);

// Raises a "file is corrupt" error when the frame has more pixels than a
// surface may, or when it announces layers, has more pixels than a small
// plane and not even its first layer's records fit in bytesLeft (a frame
// without layers shows its background only and is always read).
void CheckFrameFits(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                    int64_t layers, int64_t bytesLeft, uint64_t fieldBytes = 0);
// Pixels of the frames of one document read so far that show their
// background only; Charge raises a "file is corrupt" error, before the
// composite is allocated, once their sum would pass the document's limit.
class TBackgroundBudget {
 public:
  void Charge(int32_t width, int32_t height);

 private:
  uint64_t used_ = 0;
};

// Raises a "file is corrupt" error when a layer of the frame has more
// pixels than a small plane and its records cannot fit in bytesLeft. Called
// before each layer's surface is allocated, so layers fail one by one,
// keeping the ones before.
void CheckLayerFits(const THeaderInfo& header, int32_t width, int32_t height, int32_t depth,
                    int64_t bytesLeft, uint64_t fieldBytes = 0);

}  // namespace dorv
