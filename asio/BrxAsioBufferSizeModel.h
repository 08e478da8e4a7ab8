#pragma once
// The second brand's buffer lengths: 2 to 40 ms, 6 ms by default.

#include "asio/AsioBufferSizeModelAbs.h"

namespace qmt {

class BrxAsioBufferSizeModel final : public AsioBufferSizeModelAbs {
  public:
    BrxAsioBufferSizeModel() : AsioBufferSizeModelAbs(39, 0.002, 4) {}
};

}  // namespace qmt
