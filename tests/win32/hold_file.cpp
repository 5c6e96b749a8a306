// Holds a file the way another program would, until told to let go; the
// installer's check of an upgrade over a saver in use runs it.
//   hold_file image PATH STOP   maps PATH as a program image, as a running
//                               saver (the settings' preview) holds its .scr
//   hold_file open PATH STOP    opens PATH for reading and shares only
//                               reading: it can be neither written, renamed
//                               nor deleted while held
// Prints "held" once it holds the file, then waits until the file STOP
// exists (at most five minutes). Exits with 1 when it cannot hold the file.
#include <cstdio>
#include <cwchar>

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: hold_file image|open PATH STOP\n", stderr);
    return 2;
  }
  const wchar_t* mode = argv[1];
  const wchar_t* path = argv[2];
  const wchar_t* stop = argv[3];
  HMODULE image = nullptr;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (std::wcscmp(mode, L"image") == 0) {
    image = LoadLibraryExW(path, nullptr, DONT_RESOLVE_DLL_REFERENCES);
  } else if (std::wcscmp(mode, L"open") == 0) {
    file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    std::fputs("hold_file: the mode is image or open\n", stderr);
    return 2;
  }
  if (image == nullptr && file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: cannot hold the file (error %lu)\n", GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  for (int i = 0; i < 5 * 60 * 20 && GetFileAttributesW(stop) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  if (image != nullptr) FreeLibrary(image);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return 0;
}
