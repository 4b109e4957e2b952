#include "app/IdtText.h"

#include "vcl/SysUtils.h"

const std::array<const char*, 6> IdtHeaderTexts = {"",       "Segm.Descriptor", "Offset",
                                                   "GateSize/DPL", "GateType", "Device"};

std::string VectorText(DWORD v) { return "Interrupt " + IntToHex(v, 2) + "/" + IntToStr(v); }

DWORD GateOffset(const TGateDescriptor& Gate) {
  return DWORD{Gate.OffsetHigh} << 16 | Gate.OffsetLow;
}

DWORD GateSize(BYTE Access) { return (Access & 0x08) != 0 ? 32 : 16; }

DWORD GateDpl(BYTE Access) { return (Access >> 5) & 3u; }

DWORD GateType(BYTE Access) { return Access & 7u; }

bool GatePresent(BYTE Access) { return (Access & 0x80) != 0; }

const char* GateSizeText(BYTE Access) { return GateSize(Access) == 32 ? " 32 bit" : " 16 Bit"; }

const char* GateTypeText(BYTE Access) {
  switch (GateType(Access)) {
    case 5:
      return " TaskGate";
    case 6:
      return " InterruptGate";
    case 7:
      return " TrapGate";
    default:
      return " Unknown ";
  }
}

// A list file is loaded without checks, so a first user that names no device record is
// skipped as if the vector had none.
std::string DeviceText(const TVectorUsage& Usage, const TDeviceRecord (&Devices)[256], DWORD v) {
  if (v < 32) return "reserved";
  if (Usage.Count <= 0) return "";
  const LONG first = Usage.DeviceIndex[0];
  if (first < 0 || first >= 256) return "";
  return Devices[first].Name.Text();
}

std::array<std::string, 6> IdtRowTexts(DWORD v, const TGateDescriptor& Gate,
                                       const TVectorUsage& Usage,
                                       const TDeviceRecord (&Devices)[256]) {
  return {VectorText(v),
          IntToHex(DWORD{Gate.Selector}, 5),
          IntToHex(GateOffset(Gate), 9),
          GateSizeText(Gate.Access) + std::string(" / DPL=") + IntToStr(GateDpl(Gate.Access)),
          GateTypeText(Gate.Access),
          DeviceText(Usage, Devices, v)};
}
