// Small snapshots for the list tool's tests: a machine with four devices, the same machine
// after some changes, and what a damaged file brings. make_list_fixtures writes them as list
// files; the in-process tests use them as they are.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "listtool/ListSnapshot.h"

namespace list_fixtures {

// Resources as the resource map scan copies them from the registry.
TPartialDescriptor Port(LONGLONG Start, LONG Length);
TPartialDescriptor Interrupt(LONG Level, LONG Vector);
TPartialDescriptor Memory(LONGLONG Start, LONG Length);
TPartialDescriptor Dma(LONG Channel, LONG Port);
TPartialDescriptor DeviceSpecific(LONG DataSize);

// Puts a device into record Index and makes it a user of every vector its interrupts name,
// in the order they stand.
void AddDevice(TListSnapshot& Snapshot, LONG Index, const std::string& Name,
               std::initializer_list<TPartialDescriptor> Resources);

// 256 gates laid out as NT lays them out (task gates at 2 and 8, DPL 3 at 3, 4 and 2A-2E,
// interrupt gates elsewhere) and, in records 0 to 3: Serial0 on vector 34, Sound on 35,
// PciEther on 3B and "Gerät, \"neu\"" (code page 1252), a second user of 3B.
std::unique_ptr<TListSnapshot> Base();

// Base after a driver hooked vector 2E (its offset), vector 3B moved to selector 10 and lost
// its present bit, Serial0 moved to port 2F8, Sound was taken out and ScsiPort0 came in on
// vector 3E; the scan found the devices in another order, so their indices differ.
std::unique_ptr<TListSnapshot> Changed();

// Base with a user count of 200 on vector 40, a first user of vector 41 that is device 300,
// and a used device with a name length of 90 and a resource count of 300. Record 200, which
// no vector uses, holds left-over bytes that are not reported.
std::unique_ptr<TListSnapshot> Damaged();

// The snapshot's bytes as a list file holds them.
std::string FileBytes(const TListSnapshot& Snapshot);

}  // namespace list_fixtures
