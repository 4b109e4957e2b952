#include "ntsim/registry_resource_list.h"

#include <stdexcept>

namespace ntsim {

namespace {

template <class Number>
void PutLittleEndian(BYTE* at, Number number) {
  for (std::size_t i = 0; i < sizeof(Number); ++i) {
    at[i] = static_cast<BYTE>(static_cast<ULONGLONG>(number) >> (8 * i));
  }
}

template <class Number>
void AppendLittleEndian(std::vector<BYTE>& out, Number number) {
  BYTE bytes[sizeof(Number)];
  PutLittleEndian(bytes, number);
  out.insert(out.end(), bytes, bytes + sizeof(Number));
}

}  // namespace

ResourceListBuilder& ResourceListBuilder::Full(InterfaceType bus, ULONG bus_number,
                                               USHORT version, USHORT revision) {
  lists_.push_back(FullDescriptor{bus, bus_number, version, revision, {}, {}, false});
  return *this;
}

std::array<BYTE, 16>& ResourceListBuilder::Partial(UCHAR type, ShareDisposition share,
                                                   USHORT flags) {
  if (lists_.empty()) throw std::logic_error("a partial descriptor before any full descriptor");
  FullDescriptor& full = lists_.back();
  if (full.closed) {
    throw std::logic_error("a partial descriptor after the device-specific data of its list");
  }
  std::array<BYTE, 16>& partial = full.partials.emplace_back();
  partial.fill(0);
  partial[0] = type;
  partial[1] = static_cast<BYTE>(share);
  PutLittleEndian(&partial[2], flags);
  return partial;
}

ResourceListBuilder& ResourceListBuilder::Range(UCHAR type, ULONGLONG start, ULONG length,
                                                ShareDisposition share, USHORT flags) {
  auto& partial = Partial(type, share, flags);
  PutLittleEndian(&partial[4], start);
  PutLittleEndian(&partial[12], length);
  return *this;
}

ResourceListBuilder& ResourceListBuilder::Port(ULONGLONG start, ULONG length,
                                               ShareDisposition share, USHORT flags) {
  return Range(kResourcePort, start, length, share, flags);
}

ResourceListBuilder& ResourceListBuilder::Interrupt(ULONG level, ULONG vector, ULONG affinity,
                                                    USHORT flags, ShareDisposition share) {
  auto& partial = Partial(kResourceInterrupt, share, flags);
  PutLittleEndian(&partial[4], level);
  PutLittleEndian(&partial[8], vector);
  PutLittleEndian(&partial[12], affinity);
  return *this;
}

ResourceListBuilder& ResourceListBuilder::Memory(ULONGLONG start, ULONG length,
                                                 ShareDisposition share, USHORT flags) {
  return Range(kResourceMemory, start, length, share, flags);
}

ResourceListBuilder& ResourceListBuilder::Dma(ULONG channel, ULONG port, ShareDisposition share) {
  auto& partial = Partial(kResourceDma, share, 0);
  PutLittleEndian(&partial[4], channel);
  PutLittleEndian(&partial[8], port);
  return *this;
}

ResourceListBuilder& ResourceListBuilder::DeviceSpecific(std::vector<BYTE> data) {
  auto& partial = Partial(kResourceDeviceSpecific, ShareDisposition::Undetermined, 0);
  PutLittleEndian(&partial[4], static_cast<ULONG>(data.size()));
  lists_.back().device_specific_data = std::move(data);
  lists_.back().closed = true;
  return *this;
}

std::vector<BYTE> ResourceListBuilder::Build() const {
  std::vector<BYTE> out;
  AppendLittleEndian(out, static_cast<ULONG>(lists_.size()));
  for (const FullDescriptor& full : lists_) {
    AppendLittleEndian(out, static_cast<LONG>(full.bus));
    AppendLittleEndian(out, full.bus_number);
    AppendLittleEndian(out, full.version);
    AppendLittleEndian(out, full.revision);
    AppendLittleEndian(out, static_cast<ULONG>(full.partials.size()));
    for (const auto& partial : full.partials) out.insert(out.end(), partial.begin(), partial.end());
    out.insert(out.end(), full.device_specific_data.begin(), full.device_specific_data.end());
  }
  return out;
}

}  // namespace ntsim
