// A fresh folder on the real file system, removed with everything in it on destruction.
#pragma once

#include <string>

namespace lumiro::test {

class TempDir {
  public:
    TempDir();  // under $TMPDIR (or /tmp), named lumiro-test-XXXXXX
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path()/name
    std::string file(const std::string& name) const;

  private:
    std::string path_;
};

}  // namespace lumiro::test
