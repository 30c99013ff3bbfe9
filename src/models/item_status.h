#pragma once

#include <string>

namespace kivotra {

// Where one listed file stands. Equal by case and, for failed, by message.
class ItemStatus {
 public:
  enum class Kind { loading, ready, compressing, done, failed };

  static ItemStatus loading() { return ItemStatus(Kind::loading); }
  static ItemStatus ready() { return ItemStatus(Kind::ready); }
  static ItemStatus compressing() { return ItemStatus(Kind::compressing); }
  static ItemStatus done() { return ItemStatus(Kind::done); }
  static ItemStatus failed(std::string message) { return ItemStatus(Kind::failed, std::move(message)); }

  Kind kind() const { return kind_; }
  // The full text to show; empty unless failed.
  const std::string& message() const { return message_; }

  bool is(Kind kind) const { return kind_ == kind; }
  bool operator==(const ItemStatus&) const = default;

 private:
  explicit ItemStatus(Kind kind, std::string message = {}) : kind_(kind), message_(std::move(message)) {}

  Kind kind_;
  std::string message_;
};

}  // namespace kivotra
