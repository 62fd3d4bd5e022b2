#include "music/core/virelo_app.h"

#include "platform/win/paths.h"
#include "platform/win/system.h"

namespace virelo {
namespace {

std::string runningProgram() {
  char path[win::MAX_PATH] = {};
  win::DWORD length = win::GetModuleFileNameA(nullptr, path, sizeof path);
  if (length >= sizeof path) length = sizeof path - 1;
  return std::string(path, length);
}

}  // namespace

VireloApp::VireloApp() : VireloApp(runningProgram(), win::GetSystemDefaultLangID()) {}

VireloApp::VireloApp(const std::string& programPath, win::LANGID systemLanguage)
    : programPath_(programPath), systemLanguage_(systemLanguage) {
  std::size_t cut = programPath_.find_last_of('\\');
  programFolder_ = cut == std::string::npos ? std::string() : programPath_.substr(0, cut + 1);
  texts_.load(programFolder_, systemLanguage_);
}

}  // namespace virelo
