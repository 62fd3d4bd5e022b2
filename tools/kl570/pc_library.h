// The music manager's PC library as kl570 works on it: the application
// object of the Virelo program on the selected machine, and its collection
// loaded from DATA\VIRELO.LST beside the program.
#pragma once

#include <memory>

#include "music/core/music_collection.h"
#include "music/core/virelo_app.h"
#include "music/core/virelo_library_services.h"

namespace kl570 {

class PcLibrary {
 public:
  PcLibrary();
  virelo::MusicCollection& collection() { return collection_; }
  virelo::VireloApp& app() { return *app_; }

 private:
  std::unique_ptr<virelo::VireloApp> app_;
  virelo::VireloLibraryServices services_;
  virelo::MusicCollection collection_;
};

}  // namespace kl570
