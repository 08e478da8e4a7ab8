#pragma once
// The registry kept in two .reg-style text files, one per hive. Every call reads the file
// afresh, so changes made by other processes are seen at once; see RegistryFile for how
// writes stay atomic and how a corrupt file is kept aside. Safe to use from several threads.

#include <memory>
#include <mutex>
#include <string>

#include "platform/Registry.h"

namespace qmt {

class RegistryFile;
class RegistryHive;

class FileRegistry final : public RegistryIf {
  public:
    FileRegistry(const std::string& userFile, const std::string& machineFile);
    ~FileRegistry() override;

    // The files named by the environment: both in $QMT_REGISTRY_DIR when it is set, else
    // $XDG_CONFIG_HOME/qmt/user.reg (or ~/.config/qmt/user.reg) and /etc/qmt/machine.reg.
    // Null when no user folder can be found.
    static std::unique_ptr<FileRegistry> fromEnvironment();
    static bool pathsFromEnvironment(std::string& userFile, std::string& machineFile);

    bool keyExists(Hive hive, const std::string& key) override;
    bool createKey(Hive hive, const std::string& key) override;
    bool deleteKey(Hive hive, const std::string& key) override;
    bool enumSubkeys(Hive hive, const std::string& key, std::vector<std::string>& names) override;
    bool queryString(Hive hive, const std::string& key, const std::string& name,
                     std::string& value) override;
    bool queryDword(Hive hive, const std::string& key, const std::string& name,
                    uint32_t& value) override;
    bool setString(Hive hive, const std::string& key, const std::string& name,
                   const std::string& value) override;
    bool setDword(Hive hive, const std::string& key, const std::string& name,
                  uint32_t value) override;
    bool deleteValue(Hive hive, const std::string& key, const std::string& name) override;

  private:
    RegistryFile& file(Hive hive);
    void read(Hive hive, RegistryHive& contents);
    bool findValue(Hive hive, const std::string& key, const std::string& name, bool wantDword,
                   std::string& text, uint32_t& dword);
    bool setValue(Hive hive, const std::string& key, const std::string& name, bool isDword,
                  const std::string& text, uint32_t dword);

    std::mutex mutex_;
    std::unique_ptr<RegistryFile> user_;
    std::unique_ptr<RegistryFile> machine_;
};

}  // namespace qmt
