#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "models/video_item.h"

// Pieces the three suites share; not for use outside them.
namespace kivotra::SelfTest {

// One report line on standard output, flushed so a pipe sees it at once.
void say(const std::string& line);

// Turns the event loop for this long (never a sleep without it).
void runLoopFor(std::chrono::milliseconds slice);

// Probes source and builds a ready queue item from the result the way the
// queue suites need it: the probe's facts, 44100 Hz stereo, nothing else.
VideoItem probedItem(const std::filesystem::path& source);

// Creates the folder with its parents; throws PlatformError when it cannot.
void createFolder(const std::filesystem::path& folder);

// "true" / "false".
inline const char* boolText(bool value) { return value ? "true" : "false"; }
// A frame rate as the report prints it: truncated to a whole number.
inline long long fpsText(double fps) { return static_cast<long long>(fps); }

}  // namespace kivotra::SelfTest
