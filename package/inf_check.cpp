// Checks a driver package with Windows' own INF parser: the printer INF opens, its manufacturer, model and
// install sections are found, and the package folder holds exactly the files the INF names.
// Usage (a Windows program, run under Wine on Linux): tolma-inf-check PACKAGE_FOLDER INF_NAME MODEL
#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

using WString = std::wstring;

// File names compare as Windows compares them: without regard to case.
struct NoCase {
  bool operator()(const WString& a, const WString& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return std::towlower(x) < std::towlower(y); });
  }
};
using NameSet = std::set<WString, NoCase>;

int g_faults = 0;

void Fault(const char* what, const WString& detail = L"") {
  std::printf("inf-check: FAIL %s %ls\n", what, detail.c_str());
  ++g_faults;
}

WString Field(INFCONTEXT& line, DWORD index) {
  wchar_t text[512] = {};
  DWORD needed = 0;
  if (!SetupGetStringFieldW(&line, index, text, 512, &needed)) return L"";
  return text;
}

// The value of KEY in SECTION, or empty when the line is missing.
WString Value(HINF inf, const wchar_t* section, const wchar_t* key, DWORD index = 1) {
  INFCONTEXT line;
  if (!SetupFindFirstLineW(inf, section, key, &line)) return L"";
  return Field(line, index);
}

// Every line of a section, as the field at INDEX (0: the key, 1: the first value).
std::vector<WString> Lines(HINF inf, const WString& section, DWORD index) {
  std::vector<WString> out;
  INFCONTEXT line;
  if (!SetupFindFirstLineW(inf, section.c_str(), nullptr, &line)) return out;
  do {
    WString text = Field(line, index);
    if (text.empty() && index == 0) text = Field(line, 1);  // a line without a key
    if (!text.empty()) out.push_back(text);
  } while (SetupFindNextLine(&line, &line));
  return out;
}

NameSet FolderFiles(const WString& folder) {
  NameSet names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.insert(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

WString Widen(const char* text) {
  WString out;
  for (; *text != 0; ++text) out.push_back(static_cast<unsigned char>(*text));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: tolma-inf-check PACKAGE_FOLDER INF_NAME MODEL\n");
    return 2;
  }
  const WString folder = Widen(argv[1]);
  const WString infName = Widen(argv[2]);
  const WString model = Widen(argv[3]);

  // Windows' parser refuses a file that is not a Windows NT INF of the printer class.
  UINT errorLine = 0;
  HINF inf = SetupOpenInfFileW((folder + L"\\" + infName).c_str(), L"Printer", INF_STYLE_WIN4, &errorLine);
  if (inf == INVALID_HANDLE_VALUE) {
    std::printf("inf-check: FAIL the INF does not open as a printer INF (error %lu, line %u)\n", GetLastError(),
                errorLine);
    return 1;
  }
  const WString className = Value(inf, L"Version", L"Class");
  if (_wcsicmp(className.c_str(), L"Printer") != 0) Fault("class is not Printer:", className);
  const WString classGuid = Value(inf, L"Version", L"ClassGUID");
  if (_wcsicmp(classGuid.c_str(), L"{4D36E979-E325-11CE-BFC1-08002BE10318}") != 0)
    Fault("class GUID is not the printer class:", classGuid);
  const WString driverVer = Value(inf, L"Version", L"DriverVer", 2);
  if (driverVer.empty()) Fault("no DriverVer version");

  // Manufacturer -> model section for x64 -> the model's install section.
  INFCONTEXT line;
  WString modelsSection;
  if (SetupFindFirstLineW(inf, L"Manufacturer", nullptr, &line)) {
    const WString base = Field(line, 1);
    for (DWORD i = 2; i < 8; ++i) {
      const WString decoration = Field(line, i);
      if (_wcsicmp(decoration.c_str(), L"NTamd64") == 0) modelsSection = base + L".NTamd64";
    }
    std::printf("inf-check: manufacturer \"%ls\"\n", Field(line, 0).c_str());
  }
  if (modelsSection.empty()) {
    Fault("no manufacturer with a models section decorated for NTamd64");
    SetupCloseInfFile(inf);
    return 1;
  }
  WString installSection, hardwareId;
  if (SetupFindFirstLineW(inf, modelsSection.c_str(), model.c_str(), &line)) {
    installSection = Field(line, 1);
    hardwareId = Field(line, 2);
  }
  if (installSection.empty() || SetupGetLineCountW(inf, installSection.c_str()) <= 0) {
    Fault("model or its install section not found:", model);
    SetupCloseInfFile(inf);
    return 1;
  }
  std::printf("inf-check: model \"%ls\" in [%ls], install section [%ls], hardware id %ls\n", model.c_str(),
              modelsSection.c_str(), installSection.c_str(), hardwareId.c_str());

  // The three driver files and what CopyFiles copies.
  NameSet copied;
  INFCONTEXT copy;
  if (SetupFindFirstLineW(inf, installSection.c_str(), L"CopyFiles", &copy)) {
    for (DWORD i = 1; i <= SetupGetFieldCount(&copy); ++i) {
      const WString entry = Field(copy, i);
      if (!entry.empty() && entry[0] == L'@') {
        copied.insert(entry.substr(1));
      } else {
        for (const WString& f : Lines(inf, entry, 1)) copied.insert(f);
      }
    }
  }
  for (const wchar_t* key : {L"DriverFile", L"ConfigFile", L"DataFile"}) {
    const WString file = Value(inf, installSection.c_str(), key);
    if (file.empty())
      Fault("install section lacks", key);
    else if (copied.count(file) == 0)
      Fault("not copied by CopyFiles:", file);
    std::printf("inf-check: %ls=%ls\n", key, file.c_str());
  }
  if (Value(inf, L"DestinationDirs", L"DefaultDestDir") != L"66000")
    Fault("files do not go to the printer driver directory (DefaultDestDir=66000)");

  // Every copied file has a source on the disk, and the folder holds exactly those files and the INF.
  NameSet sources;
  for (const WString& f : Lines(inf, L"SourceDisksFiles.amd64", 0)) sources.insert(f);
  for (const WString& f : copied)
    if (sources.count(f) == 0) Fault("copied but not in [SourceDisksFiles.amd64]:", f);
  NameSet named = copied;
  named.insert(sources.begin(), sources.end());
  named.insert(infName);
  const NameSet present = FolderFiles(folder);
  for (const WString& f : named)
    if (present.count(f) == 0) Fault("named by the INF but missing from the package:", f);
  for (const WString& f : present)
    if (named.count(f) == 0) Fault("in the package but not named by the INF:", f);
  const WString catalog = Value(inf, L"Version", L"CatalogFile");
  if (!catalog.empty() && present.count(catalog) == 0)
    std::printf("inf-check: catalog %ls is not in the package: the package is unsigned\n", catalog.c_str());

  SetupCloseInfFile(inf);
  std::printf("inf-check: %zu files named, %zu in the folder: %s\n", named.size(), present.size(),
              g_faults == 0 ? "consistent" : "FAULTS");
  return g_faults == 0 ? 0 : 1;
}
