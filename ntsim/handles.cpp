#include "ntsim/handles.h"

namespace ntsim {

HANDLE HandleTable::Insert(std::shared_ptr<KernelObject> object) {
  std::lock_guard lock(mutex_);
  const std::uintptr_t value = next_;
  next_ += 4;
  objects_.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::LookupObject(HANDLE handle) const {
  std::lock_guard lock(mutex_);
  const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  return found == objects_.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> HandleTable::Remove(HANDLE handle) {
  std::lock_guard lock(mutex_);
  const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == objects_.end()) return nullptr;
  auto object = std::move(found->second);
  objects_.erase(found);
  return object;
}

std::size_t HandleTable::Count() const {
  std::lock_guard lock(mutex_);
  return objects_.size();
}

void HandleTable::Clear() {
  std::map<std::uintptr_t, std::shared_ptr<KernelObject>> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(objects_);
  }
}

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

}  // namespace ntsim
