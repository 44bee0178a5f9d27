#include "cli/failure_text.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace volumix {
namespace {

TEST(FailureText, EveryCodeIsWordedAndCarriesItsFacts) {
    for (int32_t code = FailureNone + 1; code < FailureCodeCount; ++code) {
        Failure failure;
        failure.code = static_cast<FailureCode>(code);
        failure.detail = "library words";
        EXPECT_FALSE(failureReason(failure).empty()) << code;
    }
    const struct {
        Failure failure;
        std::string text;
    } cases[] = {
        {fileFailure(FailureSystem, "out/a.SCR", ENOENT), "cannot write out/a.SCR: No such file or directory"},
        {[] {
             Failure f = fileFailure(FailureTooManyPoints, "big.obj");
             f.count = 65536;
             return f;
         }(),
         "cannot read big.obj: more than 65536 points"},
    };
    EXPECT_EQ(cannotWrite(cases[0].failure), cases[0].text);
    EXPECT_EQ(cannotRead(cases[1].failure), cases[1].text);

    Failure layout;
    layout.code = FailureReachesScreen;
    layout.area = MemoryAreaIndex;
    layout.begin = 0xE400;
    layout.end = 0xE403;
    layout.otherBegin = 0xC000;
    layout.otherEnd = 0x10000;
    layout.advice = LayoutAdviceBase0000;
    EXPECT_EQ(failureReason(layout), "the index (&E400-&E402) reaches the screen at &C000-&FFFF; use --base 0000");
}

}  // namespace
}  // namespace volumix
