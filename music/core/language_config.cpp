#include "music/core/language_config.h"

#include <cstdio>

#include "platform/win/profile.h"

namespace virelo {

std::string ConfigIniPath(const std::string& programFolder) { return programFolder + "config.ini"; }

std::string ReadConfigForLanguage(const std::string& configIniPath, const char* section, const char* prefix,
                                  win::LANGID language) {
  char key[32];
  char value[win::MAX_PATH] = {};
  std::snprintf(key, sizeof key, "%s%.4x", prefix, static_cast<unsigned>(language));
  win::GetPrivateProfileStringA(section, key, "", value, sizeof value, configIniPath.c_str());
  value[sizeof value - 1] = '\0';
  if (value[0] == '\0') {
    std::snprintf(key, sizeof key, "%sDEFAULT", prefix);
    win::GetPrivateProfileStringA(section, key, "", value, sizeof value, configIniPath.c_str());
    value[sizeof value - 1] = '\0';
  }
  return value;
}

}  // namespace virelo
