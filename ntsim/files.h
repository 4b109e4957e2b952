// Host files behind the platform's file calls.
#pragma once

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

}  // namespace ntsim
