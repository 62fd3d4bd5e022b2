#include "platform/host/host_scsi_targets.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/host/sysfs_scsi.h"

namespace host {
namespace {

std::string padded(std::string text, std::size_t width) {
  text = text.substr(0, width);
  text.resize(width, ' ');
  return text;
}

std::vector<devices::AttachedTarget> scan(const HostScsiSources& sources, const std::vector<win::DriveMapping>& drives,
                                          const std::function<std::shared_ptr<SgIoTarget>(
                                              const std::string&, std::vector<std::string>)>& targetFor) {
  std::vector<SysfsScsiDevice> found = ScanSysfsScsi(sources.sysfsRoot);
  std::vector<MountEntry> mounts = ReadMountInfo(sources.mountInfo);
  std::vector<devices::AttachedTarget> out;
  std::map<unsigned, std::uint8_t> ports;
  for (const SysfsScsiDevice& d : found) {
    if (d.blockName.empty()) continue;
    if (!ports.count(d.host)) {
      if (ports.size() >= 256) break;
      ports[d.host] = static_cast<std::uint8_t>(ports.size());
    }
    devices::AttachedTarget t;
    t.port = ports[d.host];
    t.path = static_cast<std::uint8_t>(d.channel);
    t.target = static_cast<std::uint8_t>(d.target);
    t.lun = static_cast<std::uint8_t>(d.lun);
    t.deviceType = static_cast<std::uint8_t>(d.type);
    t.identifier = padded(d.vendor, 8) + padded(d.model, 16) + padded(d.rev, 4);
    t.portDriver = d.driver;
    std::vector<std::string> points;
    const std::string prefix = sources.devFolder + "/";
    for (const MountEntry& m : mounts) {
      if (m.source.rfind(prefix, 0) != 0) continue;
      if (WholeDiskOf(sources.sysfsRoot, m.source.substr(prefix.size())) != d.blockName) continue;
      points.push_back(m.mountPoint);
      for (const win::DriveMapping& drive : drives)
        if (drive.hostFolder == m.mountPoint && !t.driveLetter) t.driveLetter = drive.letter;
    }
    t.device = targetFor(prefix + d.blockName, std::move(points));
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace

std::vector<devices::AttachedTarget> HostScsiTargets(const HostScsiSources& sources,
                                                     const std::vector<win::DriveMapping>& drives,
                                                     const HostDiskCalls& calls) {
  return scan(sources, drives, [&](const std::string& node, std::vector<std::string> points) {
    return std::make_shared<SgIoTarget>(node, std::move(points), calls);
  });
}

std::vector<devices::AttachedTarget> HostScsiTargets() {
  static std::mutex m;
  static std::map<std::string, std::shared_ptr<SgIoTarget>> targets;
  std::vector<win::DriveMapping> drives = win::CurrentMachine().drives();
  std::lock_guard lock(m);
  return scan(HostScsiSources{}, drives, [&](const std::string& node, std::vector<std::string> points) {
    auto& t = targets[node];
    if (!t)
      t = std::make_shared<SgIoTarget>(node, std::move(points), RealHostDiskCalls());
    else
      t->setMountPoints(std::move(points));
    return t;
  });
}

}  // namespace host
