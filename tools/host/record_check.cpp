#include "tools/host/record_check.h"

#include <cstring>
#include <initializer_list>

#include "plugin/host_api.h"

namespace dorv::host {

using namespace host_api;

namespace {

#define DORV_FIELD(name) \
  RecordField { #name, offsetof(FormatRecord, name), sizeof(FormatRecord::name) }

// The fields the module reads or writes, by which changes are named.
const RecordField kNamedFields[] = {
    DORV_FIELD(maxData),       DORV_FIELD(minDataBytes),
    DORV_FIELD(maxDataBytes),  DORV_FIELD(dataFork),
    DORV_FIELD(imageMode),     DORV_FIELD(imageSize),
    DORV_FIELD(depth),         DORV_FIELD(planes),
    DORV_FIELD(redLUT),        DORV_FIELD(greenLUT),
    DORV_FIELD(blueLUT),       DORV_FIELD(data),
    DORV_FIELD(theRect),       DORV_FIELD(loPlane),
    DORV_FIELD(hiPlane),       DORV_FIELD(colBytes),
    DORV_FIELD(rowBytes),      DORV_FIELD(planeBytes),
    DORV_FIELD(imageRsrcData), DORV_FIELD(imageRsrcSize),
    DORV_FIELD(resourceProcs), DORV_FIELD(advanceState),
    DORV_FIELD(descriptorParameters),
    DORV_FIELD(sSPBasic),      DORV_FIELD(transparentIndex),
    DORV_FIELD(canUseICCProfiles), DORV_FIELD(transparencyPlane),
    DORV_FIELD(HostSupports32BitCoordinates), DORV_FIELD(PluginUsing32BitCoordinates),
    DORV_FIELD(imageSize32),   DORV_FIELD(theRect32),
};

#undef DORV_FIELD

RecordField Named(const char* name) {
  for (const RecordField& field : kNamedFields)
    if (std::strcmp(field.name, name) == 0) return field;
  return {name, 0, 0};
}

std::vector<RecordField> Fields(std::initializer_list<const char*> names) {
  std::vector<RecordField> fields;
  for (const char* name : names) fields.push_back(Named(name));
  return fields;
}

// The named field that holds the byte at `offset`, or null.
const char* NameOfByte(std::size_t offset) {
  for (const RecordField& field : kNamedFields)
    if (offset >= field.offset && offset < field.offset + field.size) return field.name;
  return nullptr;
}

bool Inside(std::size_t offset, const std::vector<RecordField>& fields) {
  for (const RecordField& field : fields)
    if (offset >= field.offset && offset < field.offset + field.size) return true;
  return false;
}

}  // namespace

std::vector<RecordField> WritableFields(int16_t selector, bool thirtyTwoBit) {
  std::vector<RecordField> fields;
  switch (selector) {
    case formatSelectorAbout:
      return fields;  // the about record is not a format record
    case formatSelectorReadPrepare:
    case formatSelectorOptionsPrepare:
    case formatSelectorEstimatePrepare:
    case formatSelectorWritePrepare:
      fields = Fields({"maxData"});
      break;
    case formatSelectorReadStart:
      fields = Fields({"imageMode", "imageSize", "depth", "planes", "transparencyPlane",
                       "transparentIndex", "imageRsrcSize", "colBytes", "rowBytes",
                       "planeBytes", "data", "canUseICCProfiles", "redLUT", "greenLUT",
                       "blueLUT", "loPlane", "hiPlane"});
      for (const RecordField& field :
           thirtyTwoBit ? Fields({"imageSize32", "theRect32"}) : Fields({"theRect"}))
        fields.push_back(field);
      break;
    case formatSelectorReadContinue:
    case formatSelectorOptionsStart:
      fields = Fields({"data"});
      break;
    case formatSelectorReadFinish:
      fields = Fields({"imageRsrcData", "imageRsrcSize"});
      break;
    case formatSelectorEstimateStart:
      fields = Fields({"minDataBytes", "maxDataBytes", "data"});
      break;
    case formatSelectorWriteStart:
      fields = Fields({"loPlane", "hiPlane", "colBytes", "rowBytes", "planeBytes", "data",
                       thirtyTwoBit ? "theRect32" : "theRect"});
      break;
    default:
      break;
  }
  // Every selector but about takes up the host's 32-bit coordinates.
  if (thirtyTwoBit) fields.push_back(Named("PluginUsing32BitCoordinates"));
  return fields;
}

RecordSnapshot::RecordSnapshot(const void* record, std::size_t size)
    : bytes_(static_cast<const uint8_t*>(record), static_cast<const uint8_t*>(record) + size) {}

std::vector<std::string> RecordSnapshot::ForbiddenChanges(const void* record, int16_t selector,
                                                          bool thirtyTwoBit) const {
  return ChangesOutside(record, WritableFields(selector, thirtyTwoBit), true);
}

std::vector<std::string> RecordSnapshot::Changes(const void* record) const {
  return ChangesOutside(record, {}, false);
}

std::vector<std::string> RecordSnapshot::ChangesOutside(
    const void* record, const std::vector<RecordField>& allowed, bool formatRecord) const {
  const auto* now = static_cast<const uint8_t*>(record);
  std::vector<std::string> changes;
  // Bytes outside the named fields are reported as runs of changed bytes.
  std::size_t runStart = 0, runEnd = 0;
  auto endRun = [&] {
    if (runEnd == runStart) return;
    changes.push_back(runEnd - runStart == 1 ? "byte " + std::to_string(runStart)
                                             : "bytes " + std::to_string(runStart) + " to " +
                                                   std::to_string(runEnd - 1));
    runStart = runEnd = 0;
  };
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (now[i] == bytes_[i] || Inside(i, allowed)) continue;
    const char* field = formatRecord ? NameOfByte(i) : nullptr;
    if (field == nullptr) {
      if (runEnd != i) {
        endRun();
        runStart = i;
      }
      runEnd = i + 1;
      continue;
    }
    endRun();
    if (changes.empty() || changes.back() != field) changes.push_back(field);
  }
  endRun();
  return changes;
}

}  // namespace dorv::host
