#include "app/generation_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mesh/mesh_shapes.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

using test::CollectedLines;
using test::TestFolder;

// Records what the run asked of its host; optionally requests a stop after
// a given frame index.
struct RecordingHost : RunHost {
    FrameSettings settings;
    std::vector<int32_t> indices;
    int32_t stopAfterIndex = -2;
    int32_t lastIndex = -2;

    FrameSettings frameSettings() override { return settings; }
    void frameDone(const FrameReport& report) override {
        indices.push_back(report.frameIndex);
        lastIndex = report.frameIndex;
    }
    bool stopRequested() override { return lastIndex == stopAfterIndex; }
};

class GenerationRun : public ::testing::Test {
protected:
    void SetUp() override {
        auto mesh = std::make_unique<MeshObject>();
        ASSERT_TRUE(makeTorus(*mesh, 1800.0, 700.0, 16, 12));
        ASSERT_TRUE(saveAsc(*mesh, folder_ / "torus.asc"));
        parameters.objectPath = (folder_ / "torus.asc").string();
    }

    RunResult run() { return runGeneration(*stores, parameters, host, pacing, messages); }

    TestFolder folder_;
    std::unique_ptr<AppStores> stores = makeAppStores();
    RunParameters parameters;
    RecordingHost host;
    NoPacing pacing;
    CollectedLines messages;
};

TEST(FrameParams, CountsAndPerFrameValues) {
    AnimationSequence sequence;
    RunParameters p;  // the window's defaults: 60 frames, step 1, AY + 6
    normaliseFrameCounts(p, sequence);
    EXPECT_EQ(computeFrameParams(p, sequence, -1).ay, 354);
    EXPECT_EQ(computeFrameParams(p, sequence, 10).ay, 60);
    EXPECT_EQ(computeFrameParams(p, sequence, 10).px, 160);

    p.frameCount = 500;
    p.frameStep = 400;
    p.firstFrame = 1000;
    normaliseFrameCounts(p, sequence);
    EXPECT_EQ(p.frameCount, 359);
    EXPECT_EQ(p.frameStep, 359);
    EXPECT_EQ(p.firstFrame, 359);

    p.frameCount = 60;
    p.frameStep = 0;  // guarded: a step of 0 would never advance
    p.firstFrame = -4;
    normaliseFrameCounts(p, sequence);
    EXPECT_EQ(p.frameStep, 1);
    EXPECT_EQ(p.firstFrame, 0);

    // With the sequence: its rows, whatever the counts say; empty: the start.
    p.useSequence = true;
    normaliseFrameCounts(p, sequence);
    EXPECT_EQ(p.frameCount, 0);
    EXPECT_EQ(computeFrameParams(p, sequence, -1), p.start);
    for (int32_t i = 0; i < 5; ++i) sequence.append({i, 0, 0, 0, 0, 0, 0});
    normaliseFrameCounts(p, sequence);
    EXPECT_EQ(p.frameCount, 5);
    EXPECT_EQ(computeFrameParams(p, sequence, -1).px, 4);
    EXPECT_EQ(computeFrameParams(p, sequence, 2).px, 2);
}

TEST_F(GenerationRun, DefaultRunDrawsPreRollAndSixtyFrames) {
    const RunResult result = run();
    EXPECT_EQ(result.outcome, RunCompleted);
    EXPECT_EQ(result.framesDrawn, 61);
    ASSERT_EQ(host.indices.size(), 61u);
    EXPECT_EQ(host.indices.front(), -1);
    EXPECT_EQ(host.indices.back(), 59);
    // Sixty frame lines, then the total of their sizes.
    ASSERT_EQ(messages.lines.size(), 61u);
    int32_t sum = 0;
    for (size_t i = 0; i < 60; ++i) {
        const std::string& line = messages.lines[i];
        ASSERT_EQ(line.rfind("Frame ", 0), 0u) << line;
        sum += std::stoi(line.substr(line.find('=') + 1));
    }
    EXPECT_EQ(sum, result.totalBytes);
    EXPECT_EQ(messages.lines.back(), "Total = " + std::to_string(sum) + " octets");
}

TEST_F(GenerationRun, StepFirstAndStop) {
    parameters.frameCount = 10;
    parameters.frameStep = 2;
    parameters.firstFrame = 1;
    run();
    EXPECT_EQ(host.indices, (std::vector<int32_t>{-1, 1, 3, 5, 7, 9}));

    host.indices.clear();
    messages.lines.clear();
    parameters.frameStep = 1;
    parameters.firstFrame = 0;
    host.stopAfterIndex = 7;
    const RunResult stopped = run();
    EXPECT_EQ(stopped.outcome, RunStopped);
    EXPECT_EQ(host.indices.back(), 7);  // frame 7 is completed, no frame 8
    EXPECT_EQ(messages.lines.size(), 9u);  // frames 0..7 and the total
}

TEST_F(GenerationRun, DoubleBufferingDrawsAPreRollForEachScreen) {
    // Frames 1, 4, 7, 10: screen 0 ends on frame 7, screen 1 on frame 10,
    // and each screen's pre-roll is that frame (AY + 6 a frame).
    parameters.frameCount = 11;
    parameters.frameStep = 3;
    parameters.firstFrame = 1;
    parameters.format.doubleBuffer = true;
    host.stopAfterIndex = -100;
    EXPECT_EQ(computeFrameParams(parameters, stores->sequence, -2).ay, 42);
    EXPECT_EQ(computeFrameParams(parameters, stores->sequence, -1).ay, 60);
    const RunResult result = run();
    EXPECT_EQ(result.outcome, RunCompleted);
    EXPECT_EQ(host.indices, (std::vector<int32_t>{-2, -1, 1, 4, 7, 10}));
    EXPECT_EQ(result.framesDrawn, 6);
    EXPECT_EQ(messages.lines.size(), 5u);  // four frames and the total

    // From a sequence: its last two rows.
    AnimationSequence sequence;
    for (int32_t i = 0; i < 6; ++i) sequence.append({i, 0, 0, 0, 0, 0, 0});
    parameters.useSequence = true;
    normaliseFrameCounts(parameters, sequence);
    EXPECT_EQ(computeFrameParams(parameters, sequence, -2).px, 4);
    EXPECT_EQ(computeFrameParams(parameters, sequence, -1).px, 5);
    // Without double buffering the one pre-roll is as before: the count's last.
    parameters.format.doubleBuffer = false;
    parameters.useSequence = false;
    parameters.frameCount = 11;
    parameters.frameStep = 3;
    parameters.firstFrame = 1;
    EXPECT_EQ(computeFrameParams(parameters, stores->sequence, -1).ay, 60);
}

TEST_F(GenerationRun, EmptyPathAndLoadFailures) {
    parameters.objectPath.clear();
    EXPECT_EQ(run().outcome, RunNothingToDo);
    EXPECT_TRUE(messages.lines.empty());

    parameters.objectPath = (folder_ / "missing.asc").string();
    EXPECT_EQ(run().outcome, RunLoadFailed);
    EXPECT_EQ(messages.lines, (std::vector<std::string>{"Erreur d'ouverture du fichier objet."}));
    EXPECT_TRUE(host.indices.empty());
}

// The mesh is read again at every start: an edited file is what the next
// run draws.
TEST_F(GenerationRun, EachRunReloadsTheObjectFile) {
    const RunResult first = run();
    auto cube = std::make_unique<MeshObject>();
    ASSERT_TRUE(makeCube(*cube, 400.0));
    ASSERT_TRUE(saveAsc(*cube, parameters.objectPath));
    const RunResult second = run();
    EXPECT_EQ(stores->runMesh.faceCount, 12);
    EXPECT_NE(first.totalBytes, second.totalBytes);
}

TEST_F(GenerationRun, EmptySequenceDrawsOnlyThePreRoll) {
    parameters.useSequence = true;
    const RunResult result = run();
    EXPECT_EQ(result.framesDrawn, 1);
    EXPECT_EQ(result.totalBytes, 0);
    EXPECT_EQ(messages.lines, (std::vector<std::string>{"Total = 0 octets"}));
}

struct FakeClock : Clock {
    uint32_t now = 100000;
    std::vector<uint32_t> sleeps;
    uint32_t milliseconds() override { return now; }
    // Yielding takes a little time too.
    void sleep(uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms == 0 ? 1 : ms;
    }
};

struct CountingPump : MessagePump {
    int dispatched = 0;
    bool dispatchOne() override { return ++dispatched > 0; }
};

TEST(IntervalPacing, FramesEndTwentyMillisecondsApart) {
    FakeClock clock;
    CountingPump pump;
    IntervalPacing pacing(clock, pump);
    pacing.endOfFrame();  // the first frame does not wait
    EXPECT_LE(clock.now, 100001u);
    EXPECT_EQ(pump.dispatched, 1);
    clock.now = 100000;
    clock.now += 5;  // the next frame took 5 ms to draw
    pacing.endOfFrame();
    EXPECT_GE(clock.now, 100020u);
    EXPECT_LE(clock.now, 100022u);
    EXPECT_GE(pump.dispatched, 15);  // the window was pumped while waiting
    // Across the clock's wrap the interval still holds.
    clock.now = 0xFFFFFFF0u;
    pacing.endOfFrame();
    clock.now += 1;
    pacing.endOfFrame();
    EXPECT_GE(clock.now, 0x00000004u);
    EXPECT_LE(clock.now, 0x00000006u);
}

}  // namespace
}  // namespace volumix
