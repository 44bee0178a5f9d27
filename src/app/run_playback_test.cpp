#include "app/run_playback.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "app/run_setup.h"
#include "export/dsk_image.h"
#include "export/player_binary.h"
#include "mesh/mesh_shapes.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

TEST(RunPlayback, OnlyARunThatWroteWholeFilesHasFilesToPlay) {
    const struct {
        const char* prefix;
        RunOutcome outcome;
        bool outputFailed;
        bool wrote;
    } cases[] = {
        {"out/anim", RunCompleted, false, true},
        {"out/anim", RunStopped, false, true},
        {"out/anim", RunExportFailed, false, true},  // full memory: the frames stored are whole
        {"", RunCompleted, false, false},             // nothing named
        {"out/anim", RunLoadFailed, false, false},
        {"out/anim", RunNothingToDo, false, false},
        {"out/anim", RunOutputFailed, true, false},
        {"out/anim", RunCompleted, true, false},
    };
    for (const auto& c : cases) {
        PlayableRun run;
        run.parameters.cpcPath = c.prefix;
        run.result.outcome = c.outcome;
        run.result.outputFailed = c.outputFailed;
        EXPECT_EQ(wroteRunFiles(run), c.wrote) << c.prefix << ' ' << c.outcome << ' ' << c.outputFailed;
    }
}

TEST(RunPlayback, RefusesBeforeReadingThenNamesTheFileItCouldNotRead) {
    const test::TestFolder folder;
    PlayableRun run;
    run.parameters.cpcPath = (folder / "anim").string();
    run.parameters.format.frames = PointFrames{};
    RunPlayback playback;
    EXPECT_EQ(playback.open(run, 1).code, FailurePointsNotPlayed);
    EXPECT_FALSE(playback.opened());

    run.parameters.format.frames = DeltaFrames{};
    const Failure missing = playback.open(run, 1);
    EXPECT_EQ(missing.code, FailureSystem);
    EXPECT_EQ(missing.systemError, ENOENT);
    EXPECT_EQ(missing.path, run.parameters.cpcPath);
    EXPECT_FALSE(playback.opened());
}

// A run's files played at a rate, then at another: only the player's rate
// changes, and every layout the snapshot would hold is the same.
TEST(RunPlayback, ARateChangeLaysTheSameFilesOutWithTheNewRate) {
    const test::TestFolder folder;
    auto stores = makeAppStores();
    auto mesh = std::make_unique<MeshObject>();
    ASSERT_TRUE(makeTorus(*mesh, 1800.0, 700.0, 16, 12));
    ASSERT_TRUE(saveAsc(*mesh, folder / "torus.asc"));
    PlayableRun run;
    run.parameters.objectPath = (folder / "torus.asc").string();
    run.parameters.cpcPath = (folder / "anim").string();
    run.parameters.frameCount = 4;
    run.settings = fixedFrameSettings(run.parameters, DefaultInks, nullptr);
    test::CollectedLines lines;
    NoPacing pacing;
    struct Host : RunHost {
        FrameSettings settings;
        FrameSettings frameSettings() override { return settings; }
    } host;
    host.settings = run.settings;
    run.result = runGeneration(*stores, run.parameters, host, pacing, lines);
    ASSERT_EQ(run.result.outcome, RunCompleted);

    RunPlayback playback;
    ASSERT_FALSE(playback.open(run, 1).failed());
    const std::vector<uint8_t> atOne = playback.snapshot();
    ASSERT_FALSE(playback.setRate(3).failed());
    EXPECT_EQ(playback.rate(), 3);
    const std::vector<uint8_t> atThree = playback.snapshot();
    ASSERT_EQ(atOne.size(), atThree.size());
    size_t differences = 0;
    for (size_t k = 0; k < atOne.size(); ++k) differences += atOne[k] != atThree[k];
    EXPECT_EQ(differences, 1u);  // the player's rate parameter
    EXPECT_EQ(playback.setRate(PlayerRateMax + 1).code, FailureRateOutOfRange);
    EXPECT_FALSE(playback.opened());

    ASSERT_FALSE(playback.setRate(1).failed());
    EXPECT_TRUE(playback.snapshot() == atOne);
    std::vector<uint8_t> image;
    std::string name;
    ASSERT_FALSE(playback.diskImage(image, &name).failed());
    EXPECT_EQ(image.size(), static_cast<size_t>(DataDiskImageBytes));
    EXPECT_EQ(name, "ANIM");
}

}  // namespace
}  // namespace volumix
