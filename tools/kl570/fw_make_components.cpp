// kl570 fw make-components DIR [--product 1.2.3] [--component 4.5.6]:
// writes the four firmware component files into DIR.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/win/paths.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/fw_components.h"
#include "updater/device/kv_version_info.h"

namespace kl570 {
namespace {

// A fresh virtual player carries 1.0.0: these are newer.
constexpr FirmwareVersion kDefaultVersion{1, 1, 0};

bool versionOption(const CommandLine& call, const char* name, FirmwareVersion& out) {
  auto text = call.value(name);
  if (!text) return true;
  auto v = pendrel::ParseVersionText(*text);
  if (!v) return false;
  out = {v->m_major, v->m_minor, v->m_revision};
  return true;
}

}  // namespace

int RunFwMakeComponents(const CommandLine& call) {
  SelectMachineOf(call);
  if (call.words().size() != 3) return Usage("fw make-components takes one folder");
  FirmwareVersion product = kDefaultVersion, component = kDefaultVersion;
  if (!versionOption(call, "product", product)) return Usage("--product takes a version such as 1.2.3");
  if (!versionOption(call, "component", component)) return Usage("--component takes a version such as 4.5.6");

  std::string folder = WindowsPathArgument(call.words()[2]);
  std::filesystem::path host = folder.empty() ? std::string() : win::HostPathOf(folder);
  if (host.empty()) return Fail("no such folder on this machine: " + call.words()[2]);
  std::error_code ec;
  std::filesystem::create_directories(host, ec);
  if (ec) return Fail("cannot create " + host.string() + ": " + ec.message());
  const std::vector<ComponentFile>& files = FirmwareComponents();
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string bytes = ComponentFileBytes(files[i], i + 1, product, component);
    std::ofstream out(host / files[i].fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return Fail("cannot write " + (host / files[i].fileName).string());
    std::printf("%-16s %-18s product %u.%u.%u  component %u.%u.%u  image %zu bytes\n", files[i].fileName.c_str(),
                files[i].displayName.c_str(), product.major, product.minor, product.revision, component.major,
                component.minor, component.revision, files[i].imageBytes);
  }
  return 0;
}

}  // namespace kl570
