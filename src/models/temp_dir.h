#pragma once

#include <filesystem>

namespace kivotra {

// Where the user's private runtime folder is: $XDG_RUNTIME_DIR/kivotra when
// that is set, else $TMPDIR/kivotra-<uid>, else /tmp/kivotra-<uid>. Always a
// folder of our own, never $TMPDIR itself. Nothing is created or checked.
std::filesystem::path runtimeDirPath();

// The private runtime folder, created with mode 0700 when missing. One that
// exists is used only when it is a real directory (not a link) owned by this
// user with mode exactly 0700; anything in it that belongs to someone else is
// removed before it is handed out. Throws PlatformError (noPermission) for a
// folder it refuses, and the platform's error when it cannot be created.
std::filesystem::path privateTempDir();

// Removes every entry of dir (a folder we own) whose owner is not this user.
// Entries that will not go are left; the next call tries again.
void removeForeignEntries(const std::filesystem::path& dir);

}  // namespace kivotra
