// File names as the file system gives them, matched without regard to letter case: the
// program's paths come from Windows, where "Zakł pracy", "ZAKŁ PRACY" and "zakł Pracy" are
// one folder. On Linux names are UTF-8; a name that is not valid UTF-8 is read as code page
// 1250, which is how folders copied from an old Windows disk often arrive.
#pragma once

#include <string>
#include <string_view>

#include "env.h"

namespace lumiro::engine {

// The name folded to one letter case (lower, UTF-8): two names that differ only in case
// give the same key.
std::string fileNameKey(std::string_view name);
bool sameFileName(std::string_view a, std::string_view b);

struct PathResolution {
    std::string path;       // '/'-separated
    bool complete = false;  // every component exists
};

// The existing file or folder named by `path` ('/'-separated; a leading '/' is kept), each
// component matched without regard to case, an exact spelling winning over others. When a
// component is missing it and the rest are kept as written; "." components are dropped.
PathResolution resolveExisting(Env& env, const std::string& path);

}  // namespace lumiro::engine
