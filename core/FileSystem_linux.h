#pragma once

#include <string>

namespace bf {

// The exclusive rename where the file system has no RENAME_NOREPLACE: a second name for `from`
// made with link(), which fails with EEXIST where the name is taken, then `from` dropped. 0 or
// the errno value of the link.
int LinkNoReplace(const std::string& from, const std::string& to);

} // namespace bf
