#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "transcoder/detail/run_control.h"

namespace kivotra::detail {

// The threads of one run's pipeline. Each stage runs under the run's stop
// guard: whatever it throws becomes the run's failure and stops the others.
// Leaving the scope waits for every stage to end.
class Stages {
 public:
  explicit Stages(RunControl& control) : control_(control) {}
  Stages(const Stages&) = delete;
  Stages& operator=(const Stages&) = delete;
  ~Stages() = default;  // the jthreads join

  // Starts `body` on a thread of its own, named `name` (as `top` and
  // debuggers show it). A thread that cannot start fails the run.
  void add(const std::string& name, std::function<void()> body);

 private:
  RunControl& control_;
  std::vector<std::jthread> threads_;
};

}  // namespace kivotra::detail
