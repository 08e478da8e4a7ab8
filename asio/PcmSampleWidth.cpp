#include "asio/PcmSampleWidth.h"

namespace qmt {

namespace {

// Table index of a width: 16, 24 and 32 bits are 0, 1 and 2.
int widthIndex(uint32_t bits) {
    switch (bits) {
        case 16:
            return 0;
        case 24:
            return 1;
        case 32:
            return 2;
        default:
            return -1;
    }
}

template <template <unsigned, unsigned> class Pick>
auto pick(uint32_t fromBits, uint32_t toBits) -> decltype(Pick<2, 2>::function) {
    using Function = decltype(Pick<2, 2>::function);
    static constexpr Function table[3][3] = {
        {Pick<2, 2>::function, Pick<2, 3>::function, Pick<2, 4>::function},
        {Pick<3, 2>::function, Pick<3, 3>::function, Pick<3, 4>::function},
        {Pick<4, 2>::function, Pick<4, 3>::function, Pick<4, 4>::function}};
    const int from = widthIndex(fromBits);
    const int to = widthIndex(toBits);
    return from < 0 || to < 0 ? nullptr : table[from][to];
}

template <unsigned Hw, unsigned Asio>
struct PickDeinterleave {
    static constexpr DeinterleaveFunction function = &pcm_detail::deinterleave<Hw, Asio>;
};

template <unsigned Asio, unsigned Hw>
struct PickInterleave {
    static constexpr InterleaveFunction function = &pcm_detail::interleave<Asio, Hw>;
};

}  // namespace

DeinterleaveFunction deinterleaveFunction(uint32_t hardwareBits, uint32_t asioBits) {
    return pick<PickDeinterleave>(hardwareBits, asioBits);
}

InterleaveFunction interleaveFunction(uint32_t asioBits, uint32_t hardwareBits) {
    return pick<PickInterleave>(asioBits, hardwareBits);
}

AccumulateFunction accumulateFunction(uint32_t asioBits) {
    switch (widthIndex(asioBits)) {
        case 0:
            return &pcm_detail::accumulate<2>;
        case 1:
            return &pcm_detail::accumulate<3>;
        case 2:
            return &pcm_detail::accumulate<4>;
        default:
            return nullptr;
    }
}

}  // namespace qmt
