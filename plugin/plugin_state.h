// The plug-in's process-wide values. They live as long as the module stays
// loaded; nothing else of one call survives into the next.
#pragma once

#include <cstdint>

#include "converter/core/format_names.h"
#include "plugin/converter_binding.h"
#include "plugin/host_buffer.h"
#include "plugin/host_suites.h"
#include "platform/win32.h"

namespace dorv::plugin {

// The last confirmed save options; a save that no confirmed dialog preceded
// uses these initial values.
struct SaveOptions {
  int32_t compressionType = 1;
  int32_t quality = defaults::kQuality;
  int32_t code = 0;
};

struct PluginState {
  HINSTANCE module = nullptr;
  NativePathBuffer pluginPath{};
  bool pluginPathKnown = false;  // false when the module name did not fit
  void* parameterBlock = nullptr;
  int16_t* result = nullptr;
  intptr_t* data = nullptr;  // the host's data slot; never written
  HostSuites suites;
  SaveOptions saveOptions;
  HostBuffer readBuffer;  // from read start to read finish

  const PathChar* PluginPath() const { return pluginPathKnown ? pluginPath.data() : nullptr; }
};

PluginState& State();

}  // namespace dorv::plugin
