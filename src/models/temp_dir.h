#pragma once

#include <filesystem>

namespace kivotra {

// The per-user temporary directory: $TMPDIR when set, else /tmp/kivotra-<uid>
// created with mode 0700. A /tmp/kivotra-<uid> owned by someone else, or open
// to others, is refused. Throws PlatformError when it cannot be had.
std::filesystem::path privateTempDir();

}  // namespace kivotra
