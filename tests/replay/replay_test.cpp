#include "replay/replay.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace orbek {
namespace {

TEST(Replay, BadLinesAreReportedWithTheirNumbersAndNothingIsPlayed) {
    const auto scenario = replay::parse("# comment\n"
                                        "100 rx 253 1\n"
                                        "abc rx 253 1\n"
                                        "200 fly away\n"
                                        "50 rx 254 0\n"
                                        "99999999999999999999 rx 1 1\n"
                                        "+50 show Start.Label22\n");
    ASSERT_EQ(scenario.errors.size(), 4u);
    EXPECT_NE(scenario.errors[0].find("line 3"), std::string::npos);
    EXPECT_NE(scenario.errors[1].find("line 4"), std::string::npos);
    EXPECT_NE(scenario.errors[2].find("line 5"), std::string::npos); // time goes backwards
    EXPECT_NE(scenario.errors[3].find("line 6"), std::string::npos);
    ASSERT_EQ(scenario.steps.size(), 2u);
    EXPECT_EQ(scenario.steps[1].time, 150); // relative to the step before

    test::TempFolder folder;
    std::ostringstream out;
    EXPECT_FALSE(replay::run(scenario, {folder.path() / "S", folder.path() / "U"}, out));
    EXPECT_EQ(out.str().find("TX"), std::string::npos);
}

TEST(Replay, UnknownTargetsAndHiddenControlsAreSaidInTheOutput) {
    test::TempFolder folder;
    std::ostringstream out;
    const bool ok = replay::run(replay::parse("0 start\n"
                                              "100 click Start.Stopbouton\n"
                                              "200 show Nowhere.Label1\n"
                                              "300 bytes 000, 253, 001, S\\r\\n\n"),
                                {folder.path() / "S", folder.path() / "U"}, out);
    EXPECT_FALSE(ok);
    const std::string text = out.str();
    EXPECT_NE(text.find("     100 IGNORED Start.Stopbouton is hidden"), std::string::npos);
    EXPECT_NE(text.find("     200 ERROR line 3: no window Nowhere"), std::string::npos);
    EXPECT_NE(text.find("     300 LIST  Stamp --> PC      000    253    001    S"),
              std::string::npos);
}

} // namespace
} // namespace orbek
