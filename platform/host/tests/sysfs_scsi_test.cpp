// The host's SCSI device map from a made-up sysfs tree and mount table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/host/host_scsi_targets.h"
#include "platform/host/sysfs_scsi.h"
#include "platform/testing/temp_machine.h"

namespace {

namespace fs = std::filesystem;

void put(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text;
}

class FakeSysfs : public ::testing::Test {
 protected:
  kltest::TempMachine machine;
  fs::path root = fs::path(machine.folder()) / "sys";
  std::string mountinfo = machine.folder() + "/mountinfo";

  void device(const std::string& hctl, int type, const std::string& vendor, const std::string& model,
              const std::string& block, const std::string& driver, unsigned host) {
    fs::path d = root / "class/scsi_device" / hctl / "device";
    put(d / "type", std::to_string(type) + "\n");
    put(d / "vendor", vendor + "\n");
    put(d / "model", model + "\n");
    put(d / "rev", "1.00\n");
    if (!block.empty()) fs::create_directories(d / "block" / block);
    put(root / "class/scsi_host" / ("host" + std::to_string(host)) / "proc_name", driver + "\n");
  }
  void partition(const std::string& disk, const std::string& part) {
    fs::path real = root / "devices/usb/block" / disk / part;
    put(real / "partition", "1\n");
    fs::create_directories(root / "class/block");
    fs::create_symlink(real, root / "class/block" / part);
  }
};

TEST_F(FakeSysfs, DevicesInAddressOrderWithTheirDrivers) {
  device("6:0:0:0", 0, "ORNEX   ", "KL570           ", "sdb", "usb-storage", 6);
  device("0:0:0:0", 0, "ATA     ", "DISK            ", "sda", "ahci", 0);
  device("2:0:1:0", 5, "HL-DT-ST", "DVDRAM          ", "sr0", "ahci", 2);
  device("3:0:0:0", 13, "ENCL", "BOX", "", "ses", 3);
  fs::create_directories(root / "class/scsi_device/garbage");
  auto found = host::ScanSysfsScsi(root.string());
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].blockName, "sda");
  EXPECT_EQ(found[1].type, 5u);
  EXPECT_EQ(found[1].target, 1u);
  EXPECT_EQ(found[3].blockName, "sdb");
  EXPECT_EQ(found[3].driver, "usb-storage");
  EXPECT_EQ(found[3].vendor, "ORNEX   ");
  EXPECT_TRUE(host::ScanSysfsScsi(machine.folder() + "/nothing").empty());
}

TEST_F(FakeSysfs, TargetsTakeTheLetterOfTheirMountedPartition) {
  device("0:0:0:0", 0, "ATA", "DISK", "sda", "ahci", 0);
  device("6:0:0:0", 0, "ORNEX", "KL570", "sdb", "usb-storage", 6);
  partition("sdb", "sdb1");
  partition("sda", "sda1");
  put(mountinfo,
      "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "40 22 8:17 / /media/u/KL\\040570 rw,nosuid - vfat /dev/sdb1 rw\n"
      "broken line\n");
  auto mounts = host::ReadMountInfo(mountinfo);
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[1].mountPoint, "/media/u/KL 570");
  EXPECT_EQ(host::WholeDiskOf(root.string(), "sdb1"), "sdb");
  EXPECT_EQ(host::WholeDiskOf(root.string(), "sdb"), "sdb");

  std::vector<win::DriveMapping> drives = {{'C', "/", win::DRIVE_FIXED, std::nullopt},
                                           {'E', "/media/u/KL 570", win::DRIVE_REMOVABLE, std::nullopt}};
  host::HostScsiSources sources{root.string(), mountinfo, "/dev"};
  auto targets = host::HostScsiTargets(sources, drives, host::RealHostDiskCalls());
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0].port, 0);
  EXPECT_EQ(targets[1].port, 1);  // host 6 is the second host: ports count from 0
  EXPECT_EQ(targets[1].driveLetter, 'E');
  EXPECT_EQ(targets[0].driveLetter, 'C');  // its partition is mounted on "/", the folder of C:
  EXPECT_EQ(targets[1].identifier, "ORNEX   KL570           1.00");
  EXPECT_EQ(targets[1].portDriver, "usb-storage");
  auto* sg = dynamic_cast<host::SgIoTarget*>(targets[1].device.get());
  ASSERT_NE(sg, nullptr);
  EXPECT_EQ(sg->node(), "/dev/sdb");
}

}  // namespace
