#include "tools/kl570/pc_library.h"

#include "platform/win/machine.h"

namespace kl570 {
namespace {

std::unique_ptr<virelo::VireloApp> makeApp() {
  win::SetProgramIdentity("Virelo");
  return std::make_unique<virelo::VireloApp>();
}

}  // namespace

PcLibrary::PcLibrary() : app_(makeApp()), services_(*app_), collection_(services_) {
  collection_.setup(virelo::CollectionKind::PcLibrary, 0);
  collection_.load(services_.text(61208));
}

}  // namespace kl570
