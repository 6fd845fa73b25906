// The registry entries that make the shell use the handler for documents.
#pragma once

#include <windows.h>

namespace dorv::thumbs {

// The class with `module` as its in-process server, and the handler under
// the extension's ShellEx key, for all users.
HRESULT RegisterHandler(HINSTANCE module);
// Removes the class and the handler's entry, and the extension's keys when
// nothing else is left in them.
HRESULT UnregisterHandler();

}  // namespace dorv::thumbs
