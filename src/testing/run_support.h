#pragma once

// Pieces of runs that tests and benchmarks build by hand.
#include <cstdint>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "export/cpc_snapshot.h"

namespace volumix::test {

// A run's records laid one after the other in main memory from &0200, with
// their index entries (bank 0).
inline RunData mainMemoryRun(const std::vector<std::vector<uint8_t>>& records) {
    RunData data;
    for (const std::vector<uint8_t>& record : records) {
        const uint16_t address = static_cast<uint16_t>(0x0200 + data.mainData.size());
        data.mainData.insert(data.mainData.end(), record.begin(), record.end());
        for (uint8_t byte : {uint8_t(address), uint8_t(address >> 8), uint8_t(0)}) data.index.push_back(byte);
    }
    return data;
}

// A message list nobody reads.
class NoLines : public MessageSink {
public:
    void addLine(const std::string&) override {}
};

// A host that gives every frame the same settings.
class FixedHost : public RunHost {
public:
    explicit FixedHost(const FrameSettings& settings) : settings_(settings) {}
    FrameSettings frameSettings() override { return settings_; }

private:
    FrameSettings settings_;
};

}  // namespace volumix::test
