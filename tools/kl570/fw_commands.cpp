// kl570 fw make-components | probe: our own test firmware and the
// updater's view of the player.
#include "tools/kl570/commands.h"

namespace kl570 {

int RunFwMakeComponents(const CommandLine& call);
int RunFwProbe(const CommandLine& call);

int RunFw(const CommandLine& call) {
  if (call.words().size() >= 2 && call.words()[1] == "make-components") return RunFwMakeComponents(call);
  if (call.words().size() >= 2 && call.words()[1] == "probe") return RunFwProbe(call);
  return Usage("fw takes make-components DIR or probe");
}

}  // namespace kl570
