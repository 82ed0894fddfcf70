// The process on the Win32 API: the raw command line, the module path and
// the standard handles, written to with WriteFile so that no C runtime text
// mode stands between the program's bytes and the file or console.
#include "platform/process.h"

#include <windows.h>

#include <string>

namespace tovrix::platform {

namespace {

// Writes all of `bytes` to a standard handle; a failure (no console, a
// closed pipe) silently ends the write, as the program has nowhere to
// report it.
void WriteAll(DWORD which, std::string_view bytes) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(bytes.size() < kMaxPiece ? bytes.size() : kMaxPiece);
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), piece, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

// UTF-8 to UTF-16 to the given code page.
std::string Utf8To(UINT codePage, std::string_view utf8) {
  std::string out;
  if (utf8.empty() || utf8.size() > static_cast<std::size_t>(MAXINT / 2)) return out;
  const int wideLength =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (wideLength <= 0) return out;
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      wideLength);
  const int need =
      WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return out;
  out.resize(static_cast<std::size_t>(need));
  const int made =
      WideCharToMultiByte(codePage, 0, wide.data(), wideLength, out.data(), need, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(made > 0 ? made : 0));
  return out;
}

}  // namespace

void InitProcess(int /*argc*/, char** /*argv*/) {
  // Windows reads everything it needs from the process itself.
}

CommandLineSource GetCommandLineSource() {
  CommandLineSource source;
  const char* raw = GetCommandLineA();
  source.raw = std::string(raw != nullptr ? raw : "");
  return source;
}

std::string ProgramPath() {
  // GetModuleFileNameA fills the buffer to the brim and answers its size
  // when the path is longer; grow until the whole path fits.
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 0x10000) {  // beyond every path the system allows
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string_view PathSeparators() { return "\\:"; }

void WriteStdout(std::string_view bytes) { WriteAll(STD_OUTPUT_HANDLE, bytes); }

void FlushStdout() {
  // WriteStdout hands every byte to the system at once; nothing waits here.
}

void WriteFailureReport(std::string_view utf8) {
  WriteAll(STD_ERROR_HANDLE, Utf8To(CP_OEMCP, utf8));
}

void WriteWarning(std::string_view utf8) {
  FlushStdout();
  WriteFailureReport(utf8);
}

int OrderlyExitCode() { return -1; }

// Console control events arrive on a thread the system makes for them.
std::thread StartWorkerThread(std::function<void()> work) { return std::thread(std::move(work)); }

}  // namespace tovrix::platform
