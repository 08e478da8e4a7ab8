#pragma once
// The maker's buffer lengths: 1 to 40 ms, 6 ms by default.

#include "asio/AsioBufferSizeModelAbs.h"

namespace qmt {

class QmtAsioBufferSizeModel final : public AsioBufferSizeModelAbs {
  public:
    QmtAsioBufferSizeModel() : AsioBufferSizeModelAbs(40, 0.001, 5) {}
};

}  // namespace qmt
