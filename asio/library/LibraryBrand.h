#pragma once
// The brand one build of the driver library is made for: each library links one definition
// (QmtLibraryBrand.cpp in libqmtasio.so, BrxLibraryBrand.cpp in libbrxasio.so).

#include <memory>

#include "asio/AsioBrandIf.h"

namespace qmt {

std::unique_ptr<AsioBrandIf> makeLibraryBrand();

}  // namespace qmt
