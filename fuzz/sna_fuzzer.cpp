#include "harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return volumix::fuzzSnapshotReplay(data, size); }
