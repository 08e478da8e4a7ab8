#pragma once
// A one-entry mapping for one controller model whose presets come from the fuzz input: the
// slots the model uses get a preset read from the input when it parses and validates (as
// the driver would accept it), otherwise the factory preset of the slot's kind, so that
// every input drives a working controller. Channels are substituted as a mapping load does.

#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "model/Mapping.h"

namespace qmt::fuzz {

// The five models with a decoder, chosen by any byte.
uint8_t ModelFromByte(uint8_t byte);
// The mapping slots a model type uses (one for KV5/KV10, two for the ARDO models).
std::vector<int> SlotsOf(uint8_t modelType);

// Reads a channel byte and one preset block per slot of the model.
MappingPtr FuzzedMapping(uint8_t modelType, FuzzInput& input);

// What the presets of an entry may send: the channels their messages name (all sixteen
// when one says "Omni") and their extended messages byte for byte.
struct NameableOutput {
    std::array<bool, 16> channels{};
    std::set<std::vector<uint8_t>> extended;
};
NameableOutput NameableOutputOf(const MappingEntry& entry);

// A seed's preamble for FuzzedMapping: the channel byte and the given preset files.
void WriteMappingSeed(SeedWriter& seed, uint8_t channels,
                      const std::vector<std::vector<uint8_t>>& presets);

}  // namespace qmt::fuzz
