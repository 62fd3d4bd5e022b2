#include "music/core/virelo_library_services.h"

namespace virelo {

const char* VireloLibraryServices::text(int number) const {
  const char* t = app_.LanguageText(number);
  return t ? t : "";
}

}  // namespace virelo
