// The port listing from sysfs: each tty's driver and device, and udev's stable names.

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "host/serial_devices.h"

namespace host {

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// A USB device reports its maker and product a few levels above the tty's device.
std::string UsbProduct(const fs::path& ttyDevice, const fs::path& root) {
  std::error_code error;
  fs::path dir = fs::canonical(ttyDevice, error);
  if (error) return {};
  const fs::path sys = fs::weakly_canonical(root / "sys", error);
  for (int level = 0; level < 4 && dir != sys && dir.has_relative_path(); ++level) {
    const std::string product = FirstLine(dir / "product");
    if (!product.empty()) {
      const std::string maker = FirstLine(dir / "manufacturer");
      return maker.empty() ? product : maker + " " + product;
    }
    dir = dir.parent_path();
  }
  return {};
}

// Since Linux 6.5 a built-in port's device belongs to the serial core's own "port" driver; the
// driver that knows the hardware sits on the controller above it.
std::string DriverName(const fs::path& ttyDevice) {
  std::error_code error;
  fs::path dir = fs::canonical(ttyDevice, error);
  if (error) return {};
  std::string coreName;
  for (int level = 0; level < 3 && dir.has_relative_path(); ++level, dir = dir.parent_path()) {
    const fs::path driver = fs::read_symlink(dir / "driver", error);
    if (error) continue;
    if (driver.parent_path().parent_path().filename() != "serial-base") {
      return driver.filename().string();
    }
    if (coreName.empty()) coreName = driver.filename().string();
  }
  return coreName;
}

bool IsUsbName(const std::string& name) {
  return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

// The names that the kernel's serial drivers (their uart_driver's dev_name) give their UARTs,
// besides the 8250 family's ttyS: the UARTs of SoCs and boards, and a few cards. Left out are the
// consoles that are no line: hypervisor (ttyHV), JTAG (ttyJ) and mailbox (ttyTCU).
constexpr std::array<std::string_view, 49> kOwnNamedUarts = {
    "duart",   // sb1250-duart
    "ttyA",    // icom (PCI card)
    "ttyAL",   // altera_uart
    "ttyAM",   // amba-pl010
    "ttyAMA",  // amba-pl011: Raspberry Pi, Arm's own boards, QEMU's virt
    "ttyAML",  // meson_uart: Amlogic
    "ttyAPP",  // mxs-auart
    "ttyARC",  // arc_uart
    "ttyAS",   // st-asc
    "ttyAT",   // atmel_serial, where not ttyS
    "ttyATH",  // ar933x_uart
    "ttyB",    // mux
    "ttyCL",   // clps711x
    "ttyCPM",  // cpm_uart
    "ttyFB",   // 21285
    "ttyHS",   // qcom_geni_serial, high-speed
    "ttyHSU",  // men_z135_uart
    "ttyLF",   // fsl_linflexuart
    "ttyLP",   // fsl_lpuart: i.MX 8, Layerscape
    "ttyLTQ",  // lantiq
    "ttyLXU",  // liteuart
    "ttyMAX",  // max310x, max3100: SPI UARTs on boards
    "ttyMPS",  // mps2-uart
    "ttyMSM",  // msm_serial, qcom_geni_serial
    "ttyMV",   // mvebu-uart: Marvell Armada
    "ttyO",    // omap-serial
    "ttyOWL",  // owl-uart
    "ttyPCH",  // pch_uart
    "ttyPIC",  // pic32_uart
    "ttyPS",   // xilinx_uartps: Zynq
    "ttyPSC",  // mpc52xx_uart
    "ttyPZ",   // pmac_zilog
    "ttyQE",   // ucc_uart
    "ttyRDA",  // rda-uart
    "ttyRP",   // rp2 (PCI card)
    "ttySA",   // sa1100
    "ttySAC",  // samsung_tty: Exynos
    "ttySC",   // sh-sci; sc16is7xx, sccnxp: I2C/SPI UARTs on boards
    "ttySIF",  // sifive
    "ttySTM",  // stm32-usart
    "ttySUP",  // sunplus-uart
    "ttyTHS",  // serial-tegra
    "ttyTU",   // timbuart
    "ttyTX",   // lpc32xx_hs, serial_txx9
    "ttyUL",   // uartlite
    "ttyUSI",  // milbeaut_usio
    "ttyWMT",  // vt8500_serial
    "ttymxc",  // imx: i.MX
    "ttyn",    // jsm (PCI card)
};

// A prefix and a number, nothing else: ttySAC0 is no ttyS port.
bool IsNumbered(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && name.starts_with(prefix) &&
         name.find_first_not_of("0123456789", prefix.size()) == std::string_view::npos;
}

bool IsOwnNamedUart(const std::string& name) {
  return std::any_of(kOwnNamedUarts.begin(), kOwnNamedUarts.end(),
                     [&](std::string_view prefix) { return IsNumbered(name, prefix); });
}

// The 8250 driver registers its ports whether or not a UART answers; type 0 is none. Other
// drivers register a port only for a UART found, but keep to the same rule.
bool HasUart(const fs::path& ttyDir, const std::string& driver) {
  return !driver.empty() && FirstLine(ttyDir / "type") != "0";
}

enum class Kind { kUsb, kBuiltIn, kOwnNamed };

std::optional<Kind> KindOf(const std::string& name) {
  if (IsUsbName(name)) return Kind::kUsb;
  if (IsNumbered(name, "ttyS")) return Kind::kBuiltIn;
  if (IsOwnNamedUart(name)) return Kind::kOwnNamed;
  return std::nullopt;
}

std::optional<SerialDevice> Describe(const std::string& name, const fs::path& root, Kind kind) {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(root / "dev" / name, error))) return std::nullopt;
  const fs::path ttyDir = root / "sys" / "class" / "tty" / name;
  const std::string driver = DriverName(ttyDir / "device");
  const bool usb = kind == Kind::kUsb;
  if (!usb && !HasUart(ttyDir, driver)) return std::nullopt;
  SerialDevice device;
  device.path = "/dev/" + name;
  device.usb = usb;
  device.ownName = kind == Kind::kOwnNamed;
  device.driver = driver;
  if (usb) device.product = UsbProduct(ttyDir / "device", root);
  return device;
}

}  // namespace

bool ListingTellsAdapters() { return true; }

std::string BuiltInSerialDeviceRule() {
  return "/dev/ttyS0 (/dev/ttyS1), or where no UART answers there the board's first (second)\n"
         "UART under its driver's own name, such as /dev/ttyAMA0";
}

std::vector<SerialDevice> ListSerialDevices(const std::string& rootName) {
  const fs::path root = rootName;
  std::vector<SerialDevice> devices;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(root / "sys" / "class" / "tty", error)) {
    const std::string name = entry.path().filename().string();
    const std::optional<Kind> kind = KindOf(name);
    if (!kind) continue;
    if (std::optional<SerialDevice> device = Describe(name, root, *kind)) {
      devices.push_back(std::move(*device));
    }
  }
  // udev names every USB serial adapter here, also those of drivers with names of their own.
  const fs::path byId = root / "dev" / "serial" / "by-id";
  for (const auto& entry : fs::directory_iterator(byId, error)) {
    const fs::path target = (byId / fs::read_symlink(entry.path(), error)).lexically_normal();
    if (error) continue;
    const std::string name = target.filename().string();
    auto found = std::find_if(devices.begin(), devices.end(), [&](const SerialDevice& device) {
      return device.path == "/dev/" + name;
    });
    if (found == devices.end()) {
      std::optional<SerialDevice> device = Describe(name, root, Kind::kUsb);
      if (!device) continue;
      devices.push_back(std::move(*device));
      found = devices.end() - 1;
    }
    found->stableNames.push_back("/dev/serial/by-id/" + entry.path().filename().string());
  }
  SortSerialDevices(devices);
  return devices;
}

}  // namespace host
