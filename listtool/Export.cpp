#include "listtool/Export.h"

#include <cstring>
#include <vector>

#include "app/IdtText.h"
#include "app/ResourceText.h"
#include "listtool/ResourceLines.h"
#include "vcl/AnsiCodePage.h"
#include "vcl/SysUtils.h"

namespace {

// The bytes as upper-case hex digits, two per byte, in file order.
std::string HexBytes(const void* Data, std::size_t Size) {
  const auto* Bytes = static_cast<const unsigned char*>(Data);
  std::string Text;
  for (std::size_t i = 0; i < Size; ++i) Text += IntToHex(std::uint32_t{Bytes[i]}, 2);
  return Text;
}

// What the export says of a gate besides the table's texts.
struct TGateFields {
  DWORD Selector;
  DWORD Offset;
  DWORD Size;
  DWORD Dpl;
  DWORD Type;
  bool Present;
};

TGateFields GateFields(const TGateDescriptor& Gate) {
  return {Gate.Selector,          GateOffset(Gate),         GateSize(Gate.Access),
          GateDpl(Gate.Access),   GateType(Gate.Access),    GatePresent(Gate.Access)};
}

// A JSON string of a UTF-8 text.
std::string JsonString(const std::string& Utf8) {
  std::string Text = "\"";
  for (const char Byte : Utf8) {
    const auto Code = static_cast<unsigned char>(Byte);
    if (Byte == '"' || Byte == '\\') {
      Text += '\\';
      Text += Byte;
    } else if (Code < 0x20) {
      Text += "\\u" + IntToHex(std::uint32_t{Code}, 4);
    } else {
      Text += Byte;
    }
  }
  return Text + "\"";
}

// The snapshot's texts are in the ANSI code page; both forms of the export are UTF-8.
std::string Utf8(const std::string& Ansi) { return vcl::AnsiToUtf8(Ansi); }

template <typename Item, typename Write>
std::string JsonList(const std::vector<Item>& Items, Write WriteItem) {
  std::string Text = "[";
  for (std::size_t i = 0; i < Items.size(); ++i) Text += (i > 0 ? ", " : "") + WriteItem(Items[i]);
  return Text + "]";
}

std::string JsonTexts(const std::vector<std::string>& AnsiTexts) {
  return JsonList(AnsiTexts, [](const std::string& Text) { return JsonString(Utf8(Text)); });
}

std::string JsonVector(const TListSnapshot& Snapshot, DWORD v) {
  const TGateDescriptor& Gate = Snapshot.IdtBuffer[v];
  const auto Row = IdtRowTexts(v, Gate, Snapshot.VectorUsage[v], Snapshot.Devices);
  const TGateFields Fields = GateFields(Gate);
  return "    {\n"
         "      \"vector\": " + IntToStr(v) + ",\n"
         "      \"row\": " + JsonTexts({Row.begin(), Row.end()}) + ",\n"
         "      \"gate\": {\n"
         "        \"bytes\": \"" + HexBytes(&Gate, sizeof Gate) + "\",\n"
         "        \"selector\": " + IntToStr(Fields.Selector) + ",\n"
         "        \"offset\": " + IntToStr(Fields.Offset) + ",\n"
         "        \"size\": " + IntToStr(Fields.Size) + ",\n"
         "        \"dpl\": " + IntToStr(Fields.Dpl) + ",\n"
         "        \"type\": " + IntToStr(Fields.Type) + ",\n"
         "        \"present\": " + (Fields.Present ? "true" : "false") + "\n"
         "      },\n"
         "      \"users\": " + JsonList(VectorUsers(Snapshot.VectorUsage[v]),
                                      [](LONG Index) { return IntToStr(Index); }) + "\n"
         "    }";
}

std::string JsonResource(const TPartialDescriptor& Resource) {
  const TResourceEntry Entry = ResourceEntry(Resource);
  return "        {\n"
         "          \"bytes\": \"" + HexBytes(&Resource, sizeof Resource) + "\",\n"
         "          \"type\": " + IntToStr(Resource.Type) + ",\n"
         "          \"share_disposition\": " + IntToStr(Resource.ShareDisposition) + ",\n"
         "          \"flags\": " + IntToStr(Resource.Flags) + ",\n"
         "          \"place\": \"" + PlaceName(Entry.Place) + "\",\n"
         "          \"texts\": " + JsonTexts(Entry.Texts) + "\n"
         "        }";
}

std::string JsonDevice(const TListSnapshot& Snapshot, LONG i) {
  const TDeviceRecord& Device = Snapshot.Devices[i];
  std::string Resources;
  const LONG Count = ListedResourceCount(Device);
  for (LONG k = 0; k < Count; ++k) {
    Resources += (k > 0 ? ",\n" : "\n") + JsonResource(Device.Resources[k]);
  }
  return "    {\n"
         "      \"index\": " + IntToStr(i) + ",\n"
         "      \"name\": " + JsonString(Utf8(Device.Name.Text())) + ",\n"
         "      \"resources\": [" + Resources + (Count > 0 ? "\n      ]\n" : "]\n") +
         "    }";
}

// A field of a CSV row: quoted when it holds a separator, a quote or a line break, with its
// quotes doubled.
std::string CsvField(const std::string& Utf8Text) {
  if (Utf8Text.find_first_of(",\"\r\n") == std::string::npos) return Utf8Text;
  std::string Text = "\"";
  for (const char Byte : Utf8Text) {
    if (Byte == '"') Text += '"';
    Text += Byte;
  }
  return Text + "\"";
}

std::string CsvRow(const std::vector<std::string>& Fields) {
  std::string Row;
  for (std::size_t i = 0; i < Fields.size(); ++i) Row += (i > 0 ? "," : "") + CsvField(Fields[i]);
  return Row + "\n";
}

constexpr const char* kCsvHeader[] = {
    "vector", "gate_bytes",  "selector", "offset",   "size",           "dpl",   "type",
    "present", "device",     "user",     "device_index", "device_name", "resource",
    "resource_bytes", "resource_type", "place", "text_1", "text_2", "text_3"};

}  // namespace

std::string JsonExport(const TListSnapshot& Snapshot) {
  std::string Text = "{\n  \"format\": \"quorvel-list\",\n  \"version\": " +
                     IntToStr(kExportSchemaVersion) + ",\n  \"vectors\": [\n";
  for (DWORD v = 0; v < 256; ++v) Text += JsonVector(Snapshot, v) + (v < 255 ? ",\n" : "\n");
  Text += "  ],\n  \"devices\": [";
  const std::vector<LONG> Used = UsedDevices(Snapshot);
  for (std::size_t n = 0; n < Used.size(); ++n) {
    Text += (n > 0 ? ",\n" : "\n") + JsonDevice(Snapshot, Used[n]);
  }
  return Text + (Used.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

std::string CsvExport(const TListSnapshot& Snapshot) {
  std::string Text = CsvRow({std::begin(kCsvHeader), std::end(kCsvHeader)});
  for (DWORD v = 0; v < 256; ++v) {
    const TGateDescriptor& Gate = Snapshot.IdtBuffer[v];
    const TGateFields Fields = GateFields(Gate);
    const std::vector<std::string> GateColumns = {
        IntToStr(v),           HexBytes(&Gate, sizeof Gate), IntToStr(Fields.Selector),
        IntToStr(Fields.Offset), IntToStr(Fields.Size),      IntToStr(Fields.Dpl),
        IntToStr(Fields.Type),   Fields.Present ? "1" : "0",
        Utf8(DeviceText(Snapshot.VectorUsage[v], Snapshot.Devices, v))};
    const auto Row = [&](std::vector<std::string> Later) {
      std::vector<std::string> Columns = GateColumns;
      Columns.insert(Columns.end(), Later.begin(), Later.end());
      Columns.resize(std::size(kCsvHeader));
      Text += CsvRow(Columns);
    };

    const std::vector<LONG> Users = VectorUsers(Snapshot.VectorUsage[v]);
    if (Users.empty()) Row({});
    for (std::size_t j = 0; j < Users.size(); ++j) {
      const TDeviceRecord& Device = Snapshot.Devices[Users[j]];
      const std::vector<std::string> UserColumns = {IntToStr(j + 1), IntToStr(Users[j]),
                                                    Utf8(Device.Name.Text())};
      const LONG Count = ListedResourceCount(Device);
      if (Count == 0) Row(UserColumns);
      for (LONG k = 0; k < Count; ++k) {
        const TPartialDescriptor& Resource = Device.Resources[k];
        const TResourceEntry Entry = ResourceEntry(Resource);
        std::vector<std::string> Later = UserColumns;
        Later.insert(Later.end(), {IntToStr(k), HexBytes(&Resource, sizeof Resource),
                                   IntToStr(Resource.Type), PlaceName(Entry.Place)});
        for (const std::string& Cell : Entry.Texts) Later.push_back(Utf8(Cell));
        Row(Later);
      }
    }
  }
  return Text;
}
