#include "platform/windows/ElevationRights.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WideText.h"

namespace drivecopy {
namespace windows_backend {
namespace {

// One argument as the C runtime of the new process splits its command line:
// quoted, with backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

class ElevationRights final : public AdministratorRights {
 public:
  bool Held() override {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    UniqueHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(owned.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
  }

  RightsRerun RerunWithRights(const std::vector<std::string>& arguments) override {
    wchar_t program[MAX_PATH + 1] = {};
    if (::GetModuleFileNameW(nullptr, program, MAX_PATH + 1) == 0)
      return {RightsRerun::Ending::NoWayToAsk, 0};
    std::wstring parameters;
    for (const std::string& argument : arguments)
      parameters += (parameters.empty() ? L"" : L" ") + Quoted(Widen(argument));
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NO_CONSOLE;
    request.lpVerb = L"runas";
    request.lpFile = program;
    request.lpParameters = parameters.c_str();
    request.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&request) || request.hProcess == nullptr) return {RightsRerun::Ending::Refused, 0};
    UniqueHandle process(request.hProcess);
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return {RightsRerun::Ending::Finished, static_cast<int>(exitCode)};
  }
};

}  // namespace
}  // namespace windows_backend

std::unique_ptr<AdministratorRights> MakeElevationRights() {
  return std::make_unique<windows_backend::ElevationRights>();
}

}  // namespace drivecopy
