// Emptying and removing folders of test files with the system's own calls,
// read-only files included.
#pragma once

#include <string>

namespace testfolders {

// Removes everything in `folder`, and the folder itself when asked.
void removeTree(const std::string& folder, bool removeFolder = true);

}  // namespace testfolders
