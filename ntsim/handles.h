// The machine's handle table: every handle the machine hands out (files, devices, service
// manager and services, registry keys) names one kernel object here. Handles are counted so
// that a test can show that a run leaves none open.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>

#include "winapi/windef.h"

namespace ntsim {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

class HandleTable {
 public:
  // Hands out a new handle for the object. Handle values are multiples of four, as on NT,
  // so neither 0 nor the invalid-handle value is ever a valid handle.
  HANDLE Insert(std::shared_ptr<KernelObject> object);

  // The object behind the handle if it is open and of kind T, else null.
  template <class T>
  std::shared_ptr<T> Lookup(HANDLE handle) const {
    return std::dynamic_pointer_cast<T>(LookupObject(handle));
  }

  // Closes the handle; the object is returned so that the caller can finish it (a device
  // close reaches its driver). Null when the handle was not open.
  std::shared_ptr<KernelObject> Remove(HANDLE handle);

  std::size_t Count() const;

  // Drops every handle without finishing its object, as when the process that held them
  // ends: for tests that run several machines one after another.
  void Clear();

 private:
  std::shared_ptr<KernelObject> LookupObject(HANDLE handle) const;

  mutable std::mutex mutex_;
  std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects_;
  std::uintptr_t next_ = 4;
};

// The one handle table of this process's machine.
HandleTable& Handles();

}  // namespace ntsim
