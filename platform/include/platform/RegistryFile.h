#pragma once
// The file behind one hive. Reads never lock: every write replaces the file by a rename, so
// a reader sees the old or the new file whole. Writes take an advisory lock on a lock file
// beside it, re-read the file under that lock and write a temporary file that is then
// renamed over it, so writers in several processes never lose each other's changes.

#include <functional>
#include <string>

#include "platform/RegistryHive.h"

namespace qmt {

class RegistryFile {
  public:
    enum class Status { Missing, Loaded, Corrupt, Unreadable };

    RegistryFile(std::string path, std::string hiveName);

    // Fills `hive`; it is left empty unless the status is Loaded.
    Status load(RegistryHive& hive) const;
    // Applies `change` to the current contents and stores the result. Nothing is written when
    // the change reports false or the file cannot be read; a corrupt file is first copied
    // aside (see backupPath()) so that nothing it held is lost.
    bool modify(const std::function<bool(RegistryHive&)>& change);

    const std::string& path() const { return path_; }
    // Where the copy of a corrupt file goes: "<file>.bad", or "<file>.bad.N" when that is taken.
    std::string backupPath() const;

  private:
    bool keepCorruptCopy() const;
    // Permission bits of the hive's files.
    unsigned fileMode() const;
    bool writeAtomically(const std::string& text) const;

    std::string path_;
    std::string hiveName_;
};

}  // namespace qmt
