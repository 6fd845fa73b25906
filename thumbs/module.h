// What the handler's module keeps for its lifetime: its own handle and the
// count of objects and locks that keep it loaded.
#pragma once

#include <windows.h>

namespace dorv::thumbs {

HINSTANCE ModuleHandle();
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);

}  // namespace dorv::thumbs
