#pragma once
// A fresh folder under /tmp that is removed with everything in it at the end of a test.

#include <string>

namespace qmt::vm {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // Creates (with parents) and returns path()/relative.
    std::string makeFolder(const std::string& relative, unsigned mode = 0755) const;

  private:
    std::string path_;
};

}  // namespace qmt::vm
