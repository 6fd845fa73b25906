#include "plugin/dispatch.h"

#include "plugin/about.h"
#include "plugin/host_api.h"
#include "plugin/plugin_state.h"
#include "plugin/selectors.h"
#include "platform/module_path.h"

namespace dorv::plugin {

using namespace host_api;

namespace {

void FetchPluginPath(PluginState& state) {
  // A name that does not fit in the buffer cannot lead to the converter.
  state.pluginPathKnown = platform::ModuleFileName(static_cast<HMODULE>(state.module),
                                                   state.pluginPath.data(),
                                                   state.pluginPath.size()) > 0;
}

// The host must offer these; the plug-in relies on them.
bool HostIsSufficient(const FormatRecord& record) {
  const ResourceProcs* procs = record.resourceProcs;
  return record.advanceState != nullptr && procs != nullptr && procs->countProc != nullptr &&
         procs->getProc != nullptr && procs->addProc != nullptr;
}

bool IsReleasePoint(int16_t selector) {
  return selector == formatSelectorReadFinish || selector == formatSelectorOptionsFinish ||
         selector == formatSelectorEstimateFinish || selector == formatSelectorWriteFinish ||
         selector == formatSelectorFilterFile;
}

void RunSelector(int16_t selector, FormatRecord& record, PluginState& state, int16_t& result) {
  switch (selector) {
    case formatSelectorReadPrepare:
    case formatSelectorOptionsPrepare:
    case formatSelectorEstimatePrepare:
    case formatSelectorWritePrepare:
      // No memory needs to be held back for the plug-in.
      record.maxData = 0;
      break;
    case formatSelectorReadStart:
      result = ReadStart(record, state.PluginPath(), state.readBuffer);
      break;
    case formatSelectorReadContinue:
      record.data = nullptr;  // the whole image went over at read start
      break;
    case formatSelectorReadFinish:
      ReadFinish(record, state.readBuffer, state.suites);
      break;
    case formatSelectorOptionsStart:
      result = OptionsStart(record, state.PluginPath(), state.saveOptions);
      record.data = nullptr;
      break;
    case formatSelectorEstimateStart:
      EstimateStart(record);
      break;
    case formatSelectorWriteStart:
      result = WriteStart(record, state.PluginPath(), state.saveOptions);
      break;
    default:
      // Continue and finish selectors of options, estimate and write, the
      // filter selector (every file offered is accepted) and unknown
      // selectors: nothing to do, and the result stays as the host set it.
      break;
  }
}

}  // namespace

void Dispatch(int16_t selector, void* parameterBlock, intptr_t* data, int16_t* result) {
  PluginState& state = State();
  FetchPluginPath(state);
  state.parameterBlock = parameterBlock;
  state.result = result;
  state.data = data;

  if (selector == formatSelectorAbout) {
    ShowAbout();
    state.suites.ReleaseAll();
    return;
  }
  if (result == nullptr) return;
  auto* record = static_cast<FormatRecord*>(parameterBlock);
  if (record == nullptr) {
    *result = errPlugInHostInsufficient;
    return;
  }
  state.suites.SetBasicSuite(record->sSPBasic);
  if (!HostIsSufficient(*record)) {
    *result = errPlugInHostInsufficient;
    return;
  }
  if (record->HostSupports32BitCoordinates != 0) record->PluginUsing32BitCoordinates = 1;

  RunSelector(selector, *record, state, *result);

  if (IsReleasePoint(selector) || *result != noErr) state.suites.ReleaseAll();
}

}  // namespace dorv::plugin
