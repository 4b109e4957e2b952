// Host files behind the platform's file calls.
#pragma once

#include <cstdint>
#include <optional>

#include "ntsim/handles.h"

namespace ntsim {

// An open host file. The descriptor is closed when the last handle to it is closed.
class HostFile : public KernelObject {
 public:
  explicit HostFile(int descriptor) : descriptor_(descriptor) {}
  ~HostFile() override;
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  int descriptor() const { return descriptor_; }

 private:
  int descriptor_;
};

namespace testing {
// A fault for tests: from now on, writes to host files take at most `bytes` more bytes in all.
// The write that reaches the limit moves what fits and still reports success, a short
// transfer without an error; the writes after it move nothing. std::nullopt lifts the limit.
void LimitFileWrites(std::optional<std::uint64_t> bytes);
}  // namespace testing

}  // namespace ntsim
