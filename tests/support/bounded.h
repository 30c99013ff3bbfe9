#pragma once

// A time limit for a blocking call made inside the test program, as the tool
// runner has one for processes: a call still running at the limit fails the
// test and ends the program, since a stuck thread cannot be stopped from outside.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

namespace kivotra::test {

template <class Call>
auto bounded(Call&& call, std::chrono::seconds limit = std::chrono::seconds(60)) {
  std::packaged_task<std::invoke_result_t<Call&>()> task(std::ref(call));
  auto result = task.get_future();
  std::thread thread(std::move(task));
  if (result.wait_for(limit) != std::future_status::ready) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "%s.%s: a call is still running after %lld s (hung)\n", test ? test->test_suite_name() : "",
                 test ? test->name() : "", static_cast<long long>(limit.count()));
    std::_Exit(1);
  }
  thread.join();
  return result.get();
}

}  // namespace kivotra::test
