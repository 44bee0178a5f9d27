// `volumix --version` prints the caption the core gives the window: one
// version, one build stamp.
#include <gtest/gtest.h>

#include "app/version.h"
#include "testing/cli_runner.h"
#include "testing/test_support.h"

namespace {

TEST(VersionOutput, IsTheWindowsCaption) {
    volumix::test::TestFolder folder;
    for (const char* flag : {"--version", "-V"}) {
        const volumix::test::CliOutcome outcome = volumix::test::runCli(folder.path(), flag);
        EXPECT_EQ(outcome.status, 0) << flag;
        EXPECT_EQ(outcome.outText, volumix::programCaption() + "\n") << flag;
    }
}

}  // namespace
