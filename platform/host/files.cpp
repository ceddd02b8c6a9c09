// Host stand-ins for file access and profile (.ini) reading.
#include "platform/host/state.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>

using tolma::host::FailPoint;
using tolma::host::detail::ShouldFail;

namespace {

struct HostFile {
  std::FILE* stream;
};

std::set<HostFile*>& OpenFiles() {
  static std::set<HostFile*> files;
  return files;
}

HostFile* FindFile(HANDLE handle) {
  std::lock_guard lock(tolma::host::detail::HostMutex());
  auto* f = static_cast<HostFile*>(handle);
  return OpenFiles().count(f) ? f : nullptr;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

}  // namespace

extern "C" {

HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
  if (name == nullptr || ShouldFail(FailPoint::CreateFile)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = tolma::host::HostPath(name);
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const char* mode = nullptr;
  switch (disposition) {
    case OPEN_EXISTING:
      if (!exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
      }
      mode = (access & GENERIC_WRITE) ? "r+b" : "rb";
      break;
    case CREATE_ALWAYS:
      mode = "w+b";
      break;
    case CREATE_NEW:
      if (exists) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
      }
      mode = "w+b";
      break;
    case OPEN_ALWAYS:
      mode = exists ? "r+b" : "w+b";
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  std::FILE* stream = std::fopen(path.c_str(), mode);
  if (stream == nullptr) {
    SetLastError(exists ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto* f = new HostFile{stream};
  std::lock_guard lock(tolma::host::detail::HostMutex());
  OpenFiles().insert(f);
  return f;
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD high) {
  HostFile* f = FindFile(handle);
  struct stat st {};
  if (f == nullptr || ShouldFail(FailPoint::GetFileSize) || ::fstat(fileno(f->stream), &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  if (high != nullptr) *high = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
  HostFile* f = FindFile(handle);
  if (read != nullptr) *read = 0;
  if (f == nullptr || ShouldFail(FailPoint::ReadFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::fflush(f->stream);
  const size_t n = std::fread(buffer, 1, toRead, f->stream);
  if (read != nullptr) *read = static_cast<DWORD>(n);
  return std::ferror(f->stream) ? FALSE : TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
  HostFile* f = FindFile(handle);
  if (written != nullptr) *written = 0;
  if (f == nullptr || ShouldFail(FailPoint::WriteFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const size_t n = std::fwrite(buffer, 1, toWrite, f->stream);
  if (written != nullptr) *written = static_cast<DWORD>(n);
  return n == toWrite ? TRUE : FALSE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  HostFile* f = FindFile(handle);
  if (f == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard lock(tolma::host::detail::HostMutex());
    OpenFiles().erase(f);
  }
  std::fclose(f->stream);
  delete f;
  return TRUE;
}

// Reads one value of an .ini file: sections and keys match without regard to case, values are trimmed.
DWORD WINAPI GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR out, DWORD size,
                                      LPCWSTR fileName) {
  if (out == nullptr || size == 0) return 0;
  std::basic_string<WCHAR> value = defaultValue ? defaultValue : TOLMA_WIDE("");
  if (section != nullptr && key != nullptr && fileName != nullptr) {
    std::ifstream in(tolma::host::HostPath(fileName), std::ios::binary);
    const std::string wantSection = Lower(tolma::host::Utf8(section));
    const std::string wantKey = Lower(tolma::host::Utf8(key));
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
      line = Trim(line);
      if (line.empty() || line[0] == ';') continue;
      if (line.front() == '[') {
        const auto close = line.find(']');
        inSection = close != std::string::npos && Lower(Trim(line.substr(1, close - 1))) == wantSection;
        continue;
      }
      const auto eq = line.find('=');
      if (inSection && eq != std::string::npos && Lower(Trim(line.substr(0, eq))) == wantKey) {
        value = tolma::host::Wide(Trim(line.substr(eq + 1)));
        break;
      }
    }
  }
  const size_t n = std::min<size_t>(value.size(), size - 1);
  std::copy_n(value.begin(), n, out);
  out[n] = 0;
  return static_cast<DWORD>(n);
}

}  // extern "C"
