#include "listtool/ResourceLines.h"

#include "vcl/SysUtils.h"

const char* PlaceName(TResourcePlace Place) {
  switch (Place) {
    case TResourcePlace::Ports:
      return "ports";
    case TResourcePlace::Interrupts:
      return "interrupts";
    case TResourcePlace::Memory:
      return "memory";
    case TResourcePlace::Dma:
      return "dma";
    case TResourcePlace::DeviceSpecific:
      return "device-specific";
    case TResourcePlace::None:
      break;
  }
  return "none";
}

std::string ResourceLine(const TPartialDescriptor& Resource) {
  const TResourceEntry Entry = ResourceEntry(Resource);
  std::string Line = std::string(PlaceName(Entry.Place)) + ": ";
  if (Entry.Place == TResourcePlace::None) return Line + "type " + IntToStr(Resource.Type);
  const auto Headings = ResourceHeadings(Entry.Place);
  for (std::size_t Col = 0; Col < Entry.Texts.size(); ++Col) {
    if (Col > 0) Line += ", ";
    if (Col < Headings.size()) Line += std::string(Headings[Col]) + " ";
    Line += Entry.Texts[Col];
  }
  return Line;
}
