// Which device a COM port opens and what the connection dialog says it is,
// over a /dev and sysfs of the test's own: USB adapters with and without
// by-id links, on-board ports with and without a UART, INI/comports lines,
// and a port that exists but may not be opened.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/port_operations.h"
#include "link/port_discovery.h"
#include "tests/support/fake_device_tree.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/pty_peer.h"

using namespace vkt53;

namespace {

const std::string kFtdiText = "FTDI FT232R USB UART (0403:6001), № A50285BI";

class PortDiscoveryTest : public ::testing::Test {
 protected:
  PortDiscoveryTest() : tree(folder.Devices()) {}

  std::vector<std::string> DevicePaths(int count = 8) const {
    std::vector<std::string> paths;
    for (const PortInfo& port : DiscoverPorts(count)) paths.push_back(port.devicePath);
    return paths;
  }
  std::vector<std::string> ShownTexts(int count = 8) const {
    std::vector<std::string> texts;
    for (const PortInfo& port : DiscoverPorts(count)) texts.push_back(PortShownText(port));
    return texts;
  }
  std::string Node(const std::string& name) const { return tree.Node(name); }

  ProgramFolderFixture folder;
  FakeDeviceTree tree;
};

FakeUsbAdapter Adapter(const std::string& kernelName, const std::string& byIdName,
                       const std::string& serial) {
  FakeUsbAdapter adapter;
  adapter.kernelName = kernelName;
  adapter.byIdName = byIdName;
  adapter.serial = serial;
  return adapter;
}

}  // namespace

// ---------------------------------------------------------------- what is found

TEST_F(PortDiscoveryTest, NothingPresentMapsEveryPortToNothing) {
  tree.AddVirtual("tty0");
  tree.AddVirtual("console");
  tree.AddOnBoard("ttyS1", 0);  // the 8250 driver's placeholders
  tree.AddOnBoard("ttyS2", 0);
  EXPECT_TRUE(FindSerialDevices(tree.roots()).empty());
  const std::vector<PortInfo> ports = DiscoverPorts(8);
  ASSERT_EQ(ports.size(), 8u);
  for (const PortInfo& port : ports) {
    EXPECT_EQ(port.devicePath, "");
    EXPECT_FALSE(port.present);
    EXPECT_EQ(PortShownText(port), "нет устройства");
  }
  EXPECT_EQ(ports[7].number, 8);
  EXPECT_EQ(PortDeviceName(1), "");
  EXPECT_FALSE(OpenPort(1, 1200, 8, 0, 0, 1000, 1000, 1, 1));
}

TEST_F(PortDiscoveryTest, OneUsbAdapterIsCom1WithItsDescription) {
  tree.AddOnBoard("ttyS0", 4);
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "A50285BI"), 2);
  const std::vector<PortInfo> ports = DiscoverPorts(3);
  EXPECT_EQ(ports[0].devicePath, Node("ttyUSB0"));
  EXPECT_EQ(ports[0].description, kFtdiText);
  EXPECT_TRUE(ports[0].present);
  EXPECT_FALSE(ports[0].listedInComportsFile);
  EXPECT_EQ(PortShownText(ports[0]), Node("ttyUSB0") + " — " + kFtdiText);
  EXPECT_EQ(PortShownText(ports[1]), Node("ttyS0") + " — последовательный порт ПК (UART 16550A)");
  EXPECT_EQ(PortShownText(ports[2]), "нет устройства");
  EXPECT_EQ(PortDeviceName(1), Node("ttyUSB0"));
}

// USB adapters by their by-id names, then those without a link by kernel
// name, then the on-board ports with a UART by number; the placeholders,
// the kernel's console and terminals without a device are none of them.
TEST_F(PortDiscoveryTest, DevicesComeInAStableOrder) {
  tree.AddOnBoard("ttyS10", 4);
  tree.AddOnBoard("ttyS2", 3);
  tree.AddOnBoard("ttyS0", 4, /*console=*/true);
  tree.AddOnBoard("ttyS3", 0);
  tree.AddVirtual("tty1");
  FakeUsbAdapter acm = Adapter("ttyACM0", "usb-Arduino_Uno_85736323-if00", "85736323");
  acm.acm = true;
  acm.manufacturer = "Arduino (www.arduino.cc)";
  acm.product = "";
  acm.idVendor = "2341";
  acm.idProduct = "0043";
  tree.AddUsb(Adapter("ttyUSB1", "usb-FTDI_FT232R_USB_UART_B1-if00-port0", "B1"), 3);
  tree.AddUsb(acm, 4);
  tree.AddUsb(Adapter("ttyUSB0", "usb-Prolific_PL2303-if00-port0", ""), 5);
  tree.AddUsb(Adapter("ttyUSB9", "", "C9"), 6);
  tree.AddUsb(Adapter("ttyUSB3", "", "C3"), 7);

  const std::vector<FoundDevice> found = FindSerialDevices(tree.roots());
  std::vector<std::string> names;
  for (const FoundDevice& device : found) names.push_back(device.kernelName);
  EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyUSB1", "ttyUSB0", "ttyUSB3", "ttyUSB9",
                                             "ttyS2", "ttyS10"}));
  EXPECT_EQ(found[0].byIdName, "usb-Arduino_Uno_85736323-if00");
  EXPECT_EQ(found[0].description, "Arduino (www.arduino.cc) (2341:0043), № 85736323");
  EXPECT_EQ(found[3].byIdName, "");
  EXPECT_EQ(found[5].description, "последовательный порт ПК (UART 16550)");
  // The same tree read again gives the same order.
  std::vector<std::string> again;
  for (const FoundDevice& device : FindSerialDevices(tree.roots()))
    again.push_back(device.kernelName);
  EXPECT_EQ(again, names);
}

TEST_F(PortDiscoveryTest, DescriptionsSayWhatTheDeviceIs) {
  FakeUsbAdapter repeated = Adapter("ttyUSB0", "usb-Silicon_Labs_CP2102-if00-port0", "");
  repeated.manufacturer = "Silicon Labs";
  repeated.product = "Silicon Labs CP2102 USB to UART Bridge Controller";
  repeated.idVendor = "10c4";
  repeated.idProduct = "ea60";
  FakeUsbAdapter bare = Adapter("ttyUSB1", "usb-1a86_USB_Serial-if00-port0", "");
  bare.manufacturer = "";
  bare.product = "";
  bare.idVendor = "1a86";
  bare.idProduct = "7523";
  tree.AddUsb(repeated, 2);
  tree.AddUsb(bare, 3);
  tree.AddNode("ttyUSB2");  // udev's link and node, but no sysfs (a container)
  tree.AddById("usb-QinHeng_CH340_serial-if00-port0", "ttyUSB2");
  tree.AddOnBoard("ttyS0", 99);

  const std::vector<FoundDevice> found = FindSerialDevices(tree.roots());
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].description, "USB-адаптер (1a86:7523)");
  EXPECT_EQ(found[1].description, "usb-QinHeng_CH340_serial-if00-port0");
  EXPECT_EQ(found[1].kind, DeviceKind::Usb);
  EXPECT_EQ(found[2].description, "Silicon Labs CP2102 USB to UART Bridge Controller (10c4:ea60)");
  EXPECT_EQ(found[3].description, "последовательный порт ПК");
  EXPECT_EQ(found[3].kind, DeviceKind::OnBoard);
}

TEST_F(PortDiscoveryTest, ADeviceWithoutItsNodeIsNotOffered) {
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI-if00-port0", "A1"), 2);
  tree.AddOnBoard("ttyS0", 4);
  std::filesystem::remove(Node("ttyUSB0"));
  std::filesystem::remove(Node("ttyS0"));
  EXPECT_TRUE(FindSerialDevices(tree.roots()).empty());
}

// ---------------------------------------------------------------- INI/comports and the order

TEST_F(PortDiscoveryTest, ComportsLinesWinAndTheirDevicesAreNotGivenTwice) {
  PtyPeer emulator;
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI_A-if00-port0", "A"), 2);
  tree.AddUsb(Adapter("ttyUSB1", "usb-FTDI_B-if00-port0", "B"), 3);
  tree.AddOnBoard("ttyS0", 4);
  // COM1 the emulator; the first adapter, named through its by-id link, COM6.
  folder.WritePortMap("COM1=" + emulator.slavePath() + "\nCOM6=" + tree.roots().dev +
                      "/serial/by-id/usb-FTDI_A-if00-port0\nCOM3=/dev/vkt53-gone\n");
  const std::vector<PortInfo> ports = DiscoverPorts(8);
  EXPECT_EQ(DevicePaths(),
            (std::vector<std::string>{
                emulator.slavePath(), Node("ttyUSB1"), "/dev/vkt53-gone", Node("ttyS0"), "",
                tree.roots().dev + "/serial/by-id/usb-FTDI_A-if00-port0", "", ""}));
  EXPECT_TRUE(ports[0].listedInComportsFile);
  EXPECT_FALSE(ports[1].listedInComportsFile);
  EXPECT_EQ(PortShownText(ports[0]), emulator.slavePath() + " — псевдотерминал (INI/comports)");
  EXPECT_EQ(PortShownText(ports[2]), "/dev/vkt53-gone — нет устройства (INI/comports)");
  EXPECT_FALSE(ports[2].present);
  // A line naming a found device takes that device's description.
  EXPECT_EQ(ports[5].description, "FTDI FT232R USB UART (0403:6001), № A");
  EXPECT_EQ(PortShownText(ports[4]), "нет устройства");
}

TEST_F(PortDiscoveryTest, TheMappingIsReadAfreshAndDoesNotDependOnHowManyPortsAreAsked) {
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI_B-if00-port0", "B"), 2);
  tree.AddOnBoard("ttyS0", 4);
  folder.WritePortMap("COM10=/dev/ttyUSB7\n");
  const std::vector<std::string> before = DevicePaths(3);
  EXPECT_EQ(before, (std::vector<std::string>{Node("ttyUSB0"), Node("ttyS0"), ""}));
  EXPECT_EQ(DevicePaths(3), before);
  EXPECT_EQ(PortDeviceName(2), Node("ttyS0"));
  EXPECT_EQ(PortDeviceName(10), "/dev/ttyUSB7");
  EXPECT_EQ(DevicePaths(12)[1], Node("ttyS0"));

  // A second adapter whose by-id name sorts first is plugged in: it is COM1 now.
  tree.AddUsb(Adapter("ttyUSB1", "usb-FTDI_A-if00-port0", "A"), 3);
  EXPECT_EQ(DevicePaths(3),
            (std::vector<std::string>{Node("ttyUSB1"), Node("ttyUSB0"), Node("ttyS0")}));
  // And pulled out again.
  tree.Remove("ttyUSB1");
  EXPECT_EQ(DevicePaths(3), before);
}

// COM1 .. COM8 always; above them the ports that have a device or a line
// of INI/comports, and the one chosen now, whatever it maps to.
TEST_F(PortDiscoveryTest, PortsAboveEightAreOfferedWhenThereOrChosen) {
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI_A-if00-port0", "A"), 2);
  for (int n = 0; n <= 8; ++n) tree.AddOnBoard("ttyS" + std::to_string(n), 4);
  folder.WritePortMap("COM3=/dev/vkt53-gone\nCOM12=" + Node("ttyS8") + "\nCOM30=/dev/vkt53-gone\n");

  std::vector<int> numbers;
  std::vector<std::string> paths;
  for (const PortInfo& port : OfferedPorts()) {
    numbers.push_back(port.number);
    paths.push_back(port.devicePath);
  }
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 30}));
  EXPECT_EQ(paths[0], Node("ttyUSB0"));
  EXPECT_EQ(paths[8], Node("ttyS6"));
  EXPECT_EQ(paths[9], Node("ttyS7"));
  EXPECT_EQ(paths[10], Node("ttyS8"));
  EXPECT_EQ(PortDeviceName(10), Node("ttyS7")) << "offered as it is opened";

  const std::vector<PortInfo> chosen = OfferedPorts(40);
  ASSERT_EQ(chosen.size(), 13u);
  EXPECT_EQ(chosen.back().number, 40);
  EXPECT_EQ(PortShownText(chosen.back()), "нет устройства");

  tree.Remove("ttyS7");  // COM10's device goes: COM10 with it
  EXPECT_EQ(OfferedPorts().size(), 11u);
}

// A port on a device server is named by its URL, under any number: there is
// no path to look for, so it is offered whether or not the server answers.
TEST_F(PortDiscoveryTest, ComportsLinesMapPortsToDeviceServers) {
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI_A-if00-port0", "A"), 2);
  folder.WritePortMap("COM3=rfc2217://10.0.5.21:4001\nCOM12=tcp://127.0.0.1:1\n");

  std::vector<int> numbers;
  for (const PortInfo& port : OfferedPorts()) numbers.push_back(port.number);
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
  EXPECT_EQ(PortDeviceName(1), Node("ttyUSB0"));
  EXPECT_EQ(PortDeviceName(3), "rfc2217://10.0.5.21:4001");
  EXPECT_EQ(PortDeviceName(12), "tcp://127.0.0.1:1");
  const std::vector<PortInfo> ports = DiscoverPorts(12);
  EXPECT_EQ(PortShownText(ports[2]),
            "rfc2217://10.0.5.21:4001 — сервер портов (RFC 2217) (INI/comports)");
  EXPECT_EQ(PortShownText(ports[11]), "tcp://127.0.0.1:1 — сервер портов (TCP) (INI/comports)");
}

// The RTS mode after the device, or alone for the port the system has; a
// mode not known is said beside the port, not guessed.
TEST_F(PortDiscoveryTest, ComportsLinesNameEachPortsRtsMode) {
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI_A-if00-port0", "A"), 2);
  folder.WritePortMap(
      "COM1=rts=inverted\nCOM2=/dev/vkt53-gone  rts=off \n"
      "COM3=rfc2217://10.0.5.21:4001 rts=off\nCOM4=/dev/ttyS9 rts=sideways\n");
  const std::vector<PortInfo> ports = DiscoverPorts(5);
  EXPECT_EQ(ports[0].devicePath, Node("ttyUSB0"));
  EXPECT_EQ(ports[0].rts, RtsMode::Inverted);
  EXPECT_EQ(PortShownText(ports[0]),
            Node("ttyUSB0") + " — FTDI FT232R USB UART (0403:6001), № A, rts=inverted");
  EXPECT_EQ(ports[1].devicePath, "/dev/vkt53-gone");
  EXPECT_EQ(ports[1].rts, RtsMode::Off);
  EXPECT_EQ(PortShownText(ports[2]),
            "rfc2217://10.0.5.21:4001 — сервер портов (RFC 2217) (INI/comports), rts=off");
  EXPECT_EQ(ports[3].devicePath, "/dev/ttyS9");
  EXPECT_EQ(ports[3].rts, RtsMode::Normal);
  EXPECT_NE(PortShownText(ports[3]).find("неизвестный режим «rts=sideways»"), std::string::npos);
  EXPECT_EQ(ports[4].rts, RtsMode::Normal);
  EXPECT_TRUE(ports[4].entryProblem.empty());
}

// "COMn" is read one way wherever it is written (a line of INI/comports, the
// port a person names, the system's own names): in any letter case, n from 1
// to 255, as the settings file keeps it in a byte.
TEST(ComPortNumber, IsOneTo255InAnyLetterCase) {
  EXPECT_EQ(ComPortNumber("COM1"), 1);
  EXPECT_EQ(ComPortNumber("com12"), 12);
  EXPECT_EQ(ComPortNumber("Com255"), 255);
  for (const char* name : {"COM256", "COM0", "COM", "COM1a", "COM 1", "LPT1", "/dev/ttyS0"})
    EXPECT_EQ(ComPortNumber(name), 0) << name;
}

TEST_F(PortDiscoveryTest, OpenPortOpensTheDiscoveredDevice) {
  PtyPeer line;
  tree.AddUsb(Adapter("ttyUSB0", "usb-FTDI-if00-port0", "A1"), 2, line.slavePath());
  PortHandle port = OpenPort(1, 19200, 8, 0, 0, 1000, 1000, 1, 1);
  ASSERT_TRUE(port);
  EXPECT_EQ(line.SlaveBitRate(), 19200);
  EXPECT_FALSE(OpenPort(2, 1200, 8, 0, 0, 1000, 1000, 1, 1));
}

// ---------------------------------------------------------------- permission

TEST(PermissionReason, NamesTheMissingGroupAndTheCommand) {
  AccessFacts facts;
  facts.denied = true;
  facts.devicePath = "/dev/ttyUSB0";
  facts.userName = "ivan";
  facts.groupName = "dialout";
  facts.groupMayReadWrite = true;
  EXPECT_EQ(PermissionReasonText(facts),
            "Нет прав на чтение и запись /dev/ttyUSB0:\n"
            "пользователь ivan не входит в группу dialout.\n"
            "Добавьте его в группу командой\n"
            "sudo usermod -aG dialout $USER\n"
            "и войдите в систему заново.");

  facts.groupName = "uucp";  // the group is the device's own, whatever its name
  EXPECT_NE(PermissionReasonText(facts).find("sudo usermod -aG uucp $USER"), std::string::npos);
}

TEST(PermissionReason, AddedButNotLoggedInAgainSaysToLogInAgain) {
  AccessFacts facts;
  facts.denied = true;
  facts.devicePath = "/dev/ttyUSB0";
  facts.userName = "ivan";
  facts.groupName = "dialout";
  facts.groupMayReadWrite = true;
  facts.userListedInGroup = true;
  EXPECT_EQ(PermissionReasonText(facts),
            "Нет прав на чтение и запись /dev/ttyUSB0:\n"
            "пользователь ivan уже добавлен в группу dialout,\n"
            "но это действует только после нового входа в систему.\n"
            "Выйдите и войдите в систему заново.");
}

TEST(PermissionReason, NoGroupAdviceWhereAGroupWouldNotHelp) {
  AccessFacts facts;
  facts.devicePath = "/dev/ttyS0";
  facts.groupName = "dialout";
  facts.groupMayReadWrite = true;
  EXPECT_EQ(PermissionReasonText(facts), "");  // not denied: not a permission matter

  facts.denied = true;
  facts.processInGroup = true;  // in the group, and still refused
  EXPECT_EQ(PermissionReasonText(facts),
            "Нет прав на чтение и запись /dev/ttyS0 (группа устройства dialout).");
  facts.processInGroup = false;
  facts.groupMayReadWrite = false;  // crw------- : only its owner
  EXPECT_EQ(PermissionReasonText(facts),
            "Нет прав на чтение и запись /dev/ttyS0 (группа устройства dialout).");
  facts.groupName = "root";
  facts.groupMayReadWrite = true;
  EXPECT_EQ(PermissionReasonText(facts),
            "Нет прав на чтение и запись /dev/ttyS0 (группа устройства root).");
}

TEST(PermissionReason, GatheredFromTheDevicesModeAndTheUsersGroups) {
  ProgramFolderFixture folder;
  const std::string device = folder.File("ttyUSB0");
  FakeDeviceTree(folder.Devices()).AddNode("ttyUSB0");
  std::filesystem::copy_file(folder.Devices().dev + "/ttyUSB0", device);
  EXPECT_FALSE(GatherAccessFacts(device).denied);
  EXPECT_EQ(PortPermissionReason(device), "");
  EXPECT_EQ(PortPermissionReason(folder.File("absent")), "");  // absent is not a permission matter

  if (geteuid() == 0)
    GTEST_SKIP() << "root may open anything; run as another user to see the refusal";
  ASSERT_EQ(chmod(device.c_str(), 0060),
            0);  // the group may, its owner (this user, outside it) not
  const AccessFacts facts = GatherAccessFacts(device);
  EXPECT_TRUE(facts.denied);
  EXPECT_FALSE(facts.userName.empty());
  EXPECT_FALSE(facts.groupName.empty());
  EXPECT_TRUE(facts.groupMayReadWrite);
  EXPECT_TRUE(facts.processInGroup);  // the file's group is the user's own
  EXPECT_EQ(PortPermissionReason(device), "Нет прав на чтение и запись " + device +
                                              " (группа устройства " + facts.groupName + ").");
}
