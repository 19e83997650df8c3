// What the fuzz driver module offered in the selected tables of the blocks it filled.
#pragma once
#include <cstdint>

struct FuzzDriverLog {
  bool spoiled, selectSecond, offeredCode[65536];
  uint32_t offered, filledBlocks;
};
