#pragma once
// What the buffer switches ask of the desktop's audio graph: run one cycle now.

#include <cstdint>

namespace qmt {

class GraphCycleIf {
  public:
    virtual ~GraphCycleIf() = default;
    // Starts cycle `cycle` of `frames` frames whose inputs were captured at `nsec` on the
    // monotonic clock, and returns at once; the graph reports its end to the bridge with the
    // same number. False when no cycle can start (the graph is not driven from here).
    virtual bool startCycle(uint32_t frames, int64_t nsec, uint64_t cycle) = 0;
};

}  // namespace qmt
