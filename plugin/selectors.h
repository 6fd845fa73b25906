// The working selectors. Each returns the result code for the host; the
// dispatcher writes it.
#pragma once

#include "plugin/host_api.h"
#include "plugin/host_buffer.h"
#include "plugin/host_suites.h"
#include "plugin/plugin_state.h"

namespace dorv::plugin {

// True when the image size and rectangles go through the 32-bit fields.
inline bool Uses32BitCoordinates(const host_api::FormatRecord& record) {
  return record.HostSupports32BitCoordinates != 0 && record.PluginUsing32BitCoordinates != 0;
}

// Read start: has the converter read the host's file and hands the whole
// image to the host through `data`, kept alive in `readBuffer`.
host_api::OSErr ReadStart(host_api::FormatRecord& record, const PathChar* pluginPath,
                          HostBuffer& readBuffer);

// Read finish: frees the read buffer and the host's image-resource handle.
void ReadFinish(host_api::FormatRecord& record, HostBuffer& readBuffer, HostSuites& suites);

// Options start: asks the converter's dialog for the save options; they
// change only when the dialog is confirmed. Documents of more than 8 bits a
// channel are refused (formatBadParameters), as at write start.
host_api::OSErr OptionsStart(const host_api::FormatRecord& record, const PathChar* pluginPath,
                             SaveOptions& options);

// Estimate start: the expected file size, in minDataBytes and maxDataBytes.
void EstimateStart(host_api::FormatRecord& record);

// Write start: takes the whole image from the host and has the converter
// write it to the host's file.
host_api::OSErr WriteStart(host_api::FormatRecord& record, const PathChar* pluginPath,
                           const SaveOptions& options);

}  // namespace dorv::plugin
