#pragma once

#include <mutex>
#include <unordered_set>

#include "models/uuid.h"

namespace kivotra {

// A set of item ids shared between the main thread and the queue's thread.
// Every access takes the lock; no callback ever runs under it.
class CancelFlags {
 public:
  void insert(const Uuid& id);
  void erase(const Uuid& id);
  bool contains(const Uuid& id) const;
  void clear();
  bool empty() const;

 private:
  mutable std::mutex lock_;
  std::unordered_set<Uuid> set_;  // guarded by lock_
};

}  // namespace kivotra
