// Stands in for the default browser: appends the address it was asked to open to a file.
// Usage: record_browser.exe OUTPUT_FILE ADDRESS
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int main() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr || count < 3) return 2;
  const std::wstring address = argv[2];
  std::string line(static_cast<std::size_t>(
                       WideCharToMultiByte(CP_UTF8, 0, address.c_str(), -1, nullptr, 0, nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, address.c_str(), -1, line.data(), static_cast<int>(line.size()), nullptr, nullptr);
  line.back() = '\n';
  FILE* out = _wfopen(argv[1], L"ab");
  if (out == nullptr) return 3;
  std::fwrite(line.data(), 1, line.size(), out);
  std::fclose(out);
  return 0;
}
