#include "plugin/plugin_state.h"

namespace dorv::plugin {

namespace {
constinit PluginState g_state;
}  // namespace

PluginState& State() { return g_state; }

}  // namespace dorv::plugin
