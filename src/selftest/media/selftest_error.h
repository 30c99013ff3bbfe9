#pragma once

#include <string>

#include "models/errors.h"

namespace kivotra::SelfTest {

// A failure of the self tests and their media generator: the "SelfTest"
// domain with a numeric code; the message is the whole description.
class SelfTestError : public Error {
 public:
  static constexpr const char* domain = "SelfTest";

  SelfTestError(int code, std::string message) : code_(code), message_(std::move(message)) {}

  int code() const { return code_; }
  std::string description() const override { return message_; }

 private:
  int code_;
  std::string message_;
};

}  // namespace kivotra::SelfTest
