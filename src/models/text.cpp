#include "models/text.h"

#include <atomic>

namespace kivotra {

namespace {
std::atomic<TextTranslator> installed{nullptr};
}

void setTextTranslator(TextTranslator translator) { installed.store(translator); }

std::string translate(const char* context, const char* source) {
  const TextTranslator translator = installed.load();
  return translator != nullptr ? translator(context, source) : std::string(source);
}

std::string fillIn(const std::string& pattern, std::initializer_list<std::string> args) {
  std::string result;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char digit = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const std::size_t index = static_cast<std::size_t>(digit - '1');
    if (pattern[i] == '%' && digit >= '1' && digit <= '9' && index < args.size()) {
      result += *(args.begin() + index);
      ++i;
    } else {
      result += pattern[i];
    }
  }
  return result;
}

}  // namespace kivotra
