#include "transcoder/detail/stages.h"

#include <pthread.h>

#include <exception>
#include <utility>

namespace kivotra::detail {

void Stages::add(const std::string& name, std::function<void()> body) {
  try {
    threads_.emplace_back([this, name, body = std::move(body)] {
      // Thread names hold 15 characters.
      pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
      control_.guard(body);
    });
  } catch (...) {
    control_.fail(std::current_exception());  // stops the stages that did start
  }
}

}  // namespace kivotra::detail
