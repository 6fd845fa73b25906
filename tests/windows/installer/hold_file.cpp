// Holds a file open with no sharing, as a running host holds a module it
// has loaded, until the flag file it made is deleted (or ten minutes pass).
//
//   dorv_hold_file FILE FLAG
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dorv_hold_file FILE FLAG\n");
    return 2;
  }
  HANDLE held = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open %s: %lu\n", argv[1], GetLastError());
    return 1;
  }
  HANDLE flag = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  if (flag == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(flag);
  for (int i = 0; i < 6000 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(100);
  CloseHandle(held);
  return 0;
}
