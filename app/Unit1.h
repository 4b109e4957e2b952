// The main window: the IDT table, the log and the menu, and the snapshot state the window
// holds for the whole run.
#pragma once

#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"
#include "winapi/windef.h"

#include <cstddef>
#include <string>

// The records of the snapshot. The list file stores the tables as raw bytes, so these
// layouts are also the file's format: packed, little-endian, and pinned by the asserts below.
// They must not move.
#pragma pack(push, 1)

// One IDT gate exactly as the processor stores it.
struct TGateDescriptor {
  WORD OffsetLow;
  WORD Selector;
  BYTE Reserved;
  BYTE Access;
  WORD OffsetHigh;
};

// A raw copy of one partial resource descriptor of a registry resource list; the variant
// part's meaning is chosen by Type (1 port, 2 interrupt, 3 memory, 4 DMA, 5 device-specific).
struct TPartialDescriptor {
  BYTE Type;
  BYTE ShareDisposition;
  WORD Flags;
  union {
    struct {
      LONGLONG Start;
      LONG Length;
    } Port;
    struct {
      LONG Level;
      LONG Vector;
      LONG Affinity;
    } Interrupt;
    struct {
      LONGLONG Start;
      LONG Length;
    } Memory;
    struct {
      LONG Channel;
      LONG Port;
      LONG Reserved1;
    } Dma;
    struct {
      LONG DataSize;
      LONG Reserved1;
      LONG Reserved2;
    } DeviceSpecificData;
  } u;
};

// A name of at most 80 characters behind its length byte. The bytes after the first Length
// characters are left-over content and not part of the name.
struct TShortString80 {
  BYTE Length;
  char Chars[80];

  // The name's text. A length byte above 80, as a damaged list file can hold, never reads
  // past the 80 characters.
  std::string Text() const { return std::string(Chars, Length <= 80 ? Length : 80); }
  void Assign(const std::string& text);
};

// One device found by the resource map scan.
struct TDeviceRecord {
  TShortString80 Name;
  LONG ResourceCount;
  TPartialDescriptor Resources[256];
};

// The devices that use one interrupt vector. DeviceIndex[0] to DeviceIndex[Count - 1] are
// 0-based indices into Devices, in the order the scan found them; DeviceIndex[0] is the
// first user.
struct TVectorUsage {
  LONG Count;
  LONG DeviceIndex[128];
};

#pragma pack(pop)

static_assert(sizeof(TGateDescriptor) == 8);
static_assert(offsetof(TGateDescriptor, Selector) == 2);
static_assert(offsetof(TGateDescriptor, Reserved) == 4);
static_assert(offsetof(TGateDescriptor, Access) == 5);
static_assert(offsetof(TGateDescriptor, OffsetHigh) == 6);

static_assert(sizeof(TPartialDescriptor) == 16);
static_assert(offsetof(TPartialDescriptor, ShareDisposition) == 1);
static_assert(offsetof(TPartialDescriptor, Flags) == 2);
static_assert(offsetof(TPartialDescriptor, u.Port.Start) == 4);
static_assert(offsetof(TPartialDescriptor, u.Port.Length) == 12);
static_assert(offsetof(TPartialDescriptor, u.Interrupt.Level) == 4);
static_assert(offsetof(TPartialDescriptor, u.Interrupt.Vector) == 8);
static_assert(offsetof(TPartialDescriptor, u.Interrupt.Affinity) == 12);
static_assert(offsetof(TPartialDescriptor, u.Memory.Start) == 4);
static_assert(offsetof(TPartialDescriptor, u.Memory.Length) == 12);
static_assert(offsetof(TPartialDescriptor, u.Dma.Channel) == 4);
static_assert(offsetof(TPartialDescriptor, u.Dma.Port) == 8);
static_assert(offsetof(TPartialDescriptor, u.DeviceSpecificData.DataSize) == 4);

static_assert(sizeof(TShortString80) == 81);
static_assert(sizeof(TDeviceRecord) == 4181);
static_assert(offsetof(TDeviceRecord, ResourceCount) == 81);
static_assert(offsetof(TDeviceRecord, Resources) == 85);

static_assert(sizeof(TVectorUsage) == 516);
static_assert(offsetof(TVectorUsage, DeviceIndex) == 4);

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* Owner);

  TMemo* Memo1;
  TStringGrid* StringGrid1;
  TMainMenu* MainMenu1;
  TMenuItem* File1;
  TMenuItem* SaveList1;
  TMenuItem* OpenList1;
  TMenuItem* N1;
  TMenuItem* Exit1;
  TMenuItem* View1;
  TMenuItem* Refresh1;
  TMenuItem* Info1;
  TMenuItem* About1;
  TSaveDialog* SaveDialog1;
  TOpenDialog* OpenDialog1;
  TMenuItem* Help1;
  TMenuItem* N2;

  void FormCreate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void Refresh1Click(TObject* Sender);
  void Exit1Click(TObject* Sender);
  void Help1Click(TObject* Sender);
  void SaveList1Click(TObject* Sender);
  void OpenList1Click(TObject* Sender);
  void About1Click(TObject* Sender);
  void StringGrid1DblClick(TObject* Sender);

  // Called from code only: they keep the names of buttons the window no longer has.
  // Button1Click reads the IDT (from the driver, or from a list file just loaded) and renders
  // the table; Button3Click scans the registry's resource map into Devices and VectorUsage.
  void Button1Click(TObject* Sender);
  void Button3Click(TObject* Sender);
  void LoadDeviceResources(const std::string& KeyPath, const std::string& ValueName,
                           LONG DeviceNumber);

  // The snapshot state, all zero when the window is created. The list file holds the three
  // tables IdtBuffer, VectorUsage and Devices back to back.
  HANDLE DriverHandle = nullptr;
  TVectorUsage VectorUsage[256] = {};
  TDeviceRecord Devices[256] = {};
  // The IDT image: entry v is the gate of vector v. Only entries 0-255 are ever shown; the
  // rest is carried along by the list file.
  TGateDescriptor IdtBuffer[2048] = {};
  // True only while the table is rendered from a list file just loaded.
  bool FromFile = false;
};

extern TForm1* Form1;
