// What each selector lets the module write in the format record, and the
// check of a record against a copy taken before the selector ran.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dorv::host {

struct RecordField {
  const char* name;
  std::size_t offset;
  std::size_t size;
};

// The fields that `selector` may write. `thirtyTwoBit` tells whether the host
// offered 32-bit coordinates, which the module then takes up (and which
// decide between `theRect` and `theRect32`).
std::vector<RecordField> WritableFields(int16_t selector, bool thirtyTwoBit);

// The bytes of a record (or of any block the module must leave alone) as
// they were before a call.
class RecordSnapshot {
 public:
  RecordSnapshot(const void* record, std::size_t size);

  // What changed since the snapshot although `selector` may not write it:
  // field names, or "byte N" / "bytes N to M" outside the fields the module
  // uses. Each appears once, in the order of the record.
  std::vector<std::string> ForbiddenChanges(const void* record, int16_t selector,
                                            bool thirtyTwoBit) const;
  // Everything that changed, as runs of bytes: for blocks other than a
  // format record.
  std::vector<std::string> Changes(const void* record) const;

 private:
  std::vector<std::string> ChangesOutside(const void* record,
                                          const std::vector<RecordField>& allowed,
                                          bool formatRecord) const;
  std::vector<uint8_t> bytes_;
};

}  // namespace dorv::host
