#include "state/cancel_flags.h"

namespace kivotra {

void CancelFlags::insert(const Uuid& id) {
  std::lock_guard guard(lock_);
  set_.insert(id);
}

void CancelFlags::erase(const Uuid& id) {
  std::lock_guard guard(lock_);
  set_.erase(id);
}

bool CancelFlags::contains(const Uuid& id) const {
  std::lock_guard guard(lock_);
  return set_.contains(id);
}

void CancelFlags::clear() {
  std::lock_guard guard(lock_);
  set_.clear();
}

bool CancelFlags::empty() const {
  std::lock_guard guard(lock_);
  return set_.empty();
}

}  // namespace kivotra
