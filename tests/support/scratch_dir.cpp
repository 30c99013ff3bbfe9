#include "support/scratch_dir.h"

#include <stdlib.h>

#include <string>

#include "support/fixture_tool.h"

namespace kivotra::fixtures {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kivotra-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) detail::fail("cannot make a scratch folder in " + pattern);
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kivotra::fixtures
