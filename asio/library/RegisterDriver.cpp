// qmtasio-register: writes a driver build's registration into a machine hive at install
// time (the ASIO driver list entry, the class registration naming the library, and the
// install folder the driver starts its control panel from).
//
//   qmtasio-register --brand qmt|brx --library PATH --panel-folder DIR --hive FILE

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "asio/AsioDriverRegistration.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "platform/FileRegistry.h"
#include "platform/Registry.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: qmtasio-register --brand qmt|brx --library PATH "
                 "--panel-folder DIR --hive FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string brandName, library, panelFolder, hive;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        std::string* target = option == "--brand"          ? &brandName
                              : option == "--library"      ? &library
                              : option == "--panel-folder" ? &panelFolder
                              : option == "--hive"         ? &hive
                                                           : nullptr;
        if (target == nullptr) return usage();
        *target = argv[i + 1];
    }
    if (argc % 2 == 0 || library.empty() || panelFolder.empty() || hive.empty()) return usage();
    std::unique_ptr<qmt::AsioBrandIf> brand;
    if (brandName == "qmt") brand = std::make_unique<qmt::QmtAsioBrand>();
    if (brandName == "brx") brand = std::make_unique<qmt::BrxAsioBrand>();
    if (!brand) return usage();

    // Only the machine hive is written; the user hive is never touched.
    qmt::FileRegistry registry(hive + ".unused-user-hive", hive);
    qmt::AsioDriverEntry entry;
    entry.name = brand->getDriverName();
    entry.classIdText = qmt::FormatGuid(brand->getClassId());
    entry.classId = brand->getClassId();
    entry.description = brand->getProductName();
    entry.library = library;
    const bool written =
        qmt::registerAsioDriver(registry, entry) &&
        registry.setString(qmt::Hive::LocalMachine, brand->getRegistryKey(), "", panelFolder);
    if (!written) {
        std::fprintf(stderr, "qmtasio-register: cannot write %s\n", hive.c_str());
        return 1;
    }
    std::printf("registered \"%s\" %s -> %s in %s\n", entry.name.c_str(), entry.classIdText.c_str(),
                library.c_str(), hive.c_str());
    return 0;
}
