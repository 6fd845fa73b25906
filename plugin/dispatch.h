// The entry point's work: bookkeeping around every call and the dispatch of
// selectors.
#pragma once

#include <cstdint>

namespace dorv::plugin {

void Dispatch(int16_t selector, void* parameterBlock, intptr_t* data, int16_t* result);

}  // namespace dorv::plugin
