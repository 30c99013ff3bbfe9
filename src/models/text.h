#pragma once

#include <initializer_list>
#include <string>

// User-visible texts are written in Chinese, the product's own language. The
// layers that have Qt install a translator at start-up; without one (the self
// tests, the engine's own tests) every text stays as written. lupdate collects
// the calls by their shape: translate("Context", "text").
// Marks a text for the catalogue where it is also a stored value or a table
// entry; whoever shows it translates it with the same context.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace kivotra {

using TextTranslator = std::string (*)(const char* context, const char* source);

// Set once, before any worker thread starts; nullptr restores the written texts.
void setTextTranslator(TextTranslator translator);

// source in the chosen language; source itself when it has no translation.
std::string translate(const char* context, const char* source);

// pattern with %1, %2, ... replaced by args in order, as QString::arg does.
std::string fillIn(const std::string& pattern, std::initializer_list<std::string> args);

}  // namespace kivotra
