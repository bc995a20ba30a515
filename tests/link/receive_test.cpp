#include "link/frame.hpp"
#include "support/fake_port.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

using test::FakePort;

struct Receive : test::StationFixture {
    Receive() { port.open(2); }
    std::string f(int code, int value) { return FakePort::frame(code, value); }

    // Delivers the text a character at a time, so every read boundary the line can produce is
    // met, and returns the frames decoded, as "code,value", in order.
    std::vector<std::string> feed(const std::vector<std::string>& chunks) {
        std::vector<std::string> got;
        for (const auto& chunk : chunks) {
            for (char c : chunk) {
                start().Label7[0].caption.clear();
                port.deliver(std::string(1, c));
                // Every decoded frame refreshes the link label.
                if (start().Label7[0].caption == "RS232 Activated...")
                    got.push_back(std::to_string(st().RxFrame[1]) + "," +
                                  std::to_string(st().RxFrame[2]));
            }
        }
        return got;
    }
};

TEST_F(Receive, ACleanFrameDecodesLogsAndRefreshesTheLink) {
    start().Timer33.setInterval(0);
    port.deliver("000, 253, 001, S\r\n");
    EXPECT_EQ(st().RxFrame, (std::array<int16_t, 4>{0, 253, 1, 0}));
    EXPECT_EQ(st().RxMarker, "S");
    EXPECT_EQ(st().RxText, "");
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(lastEvent(), " Stamp --> PC      000    253    001    S");
    EXPECT_EQ(start().Label7[0].caption, "RS232 Activated...");
    EXPECT_EQ(start().Label7[0].backColour, 0x00FF00u);
    EXPECT_EQ(start().Timer33.interval(), 20000);
    EXPECT_TRUE(start().Timer33.enabled());
    EXPECT_FALSE(start().Label11.visible);
    EXPECT_TRUE(start().Label5[10].visible);

    // Blanks in the fields are taken as received, leading blanks skipped by the reading.
    port.deliver("  0xx255yy  2zzS\r\n");
    EXPECT_EQ(st().RxFrame[1], 255);
    EXPECT_EQ(st().RxFrame[2], 2);
    EXPECT_EQ(lastEvent(), " Stamp --> PC        0    255      2    S");
}

TEST_F(Receive, AReadWithoutMarkerChangesNothingVisible) {
    port.deliver(f(251, 40));
    start().Timer33.setInterval(20000);
    scheduler.advanceBy(15000);
    start().Label7[0].caption = "RS232 Interrupted !   ";
    port.deliver("000, 253, 001, X\r\n");
    EXPECT_EQ(st().RxFrame[1], 251);
    EXPECT_EQ(st().RxFrame[2], 40);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(start().Label7[0].caption, "RS232 Interrupted !   ");
    EXPECT_EQ(st().RxMarker, "X");
    // The watchdog was not restarted by the garbage: it fires 20 s after the good frame.
    scheduler.advanceBy(5000);
    EXPECT_FALSE(start().Label5[10].visible);
}

TEST_F(Receive, ResynchronisesAfterALostOrAddedByteAndAGarbledMarker) {
    std::string lost = f(251, 10);
    lost.erase(4, 1); // a separator lost on the line
    std::string garbled = f(251, 11);
    garbled[15] = 'Q';
    EXPECT_EQ(feed({f(251, 1), lost, f(251, 2), f(251, 3), "\x7f", f(251, 4), garbled, f(251, 5),
                    "\n", f(251, 6)}),
              (std::vector<std::string>{"251,1", "251,2", "251,3", "251,4", "251,5", "251,6"}));
}

TEST_F(Receive, AfterDamageAFrameIsTakenAsACleanStreamTakesItAndNoiseNeverWinsOverIt) {
    // Lenient fields: a sign, a point, an empty field, taken whatever came before.
    const std::string lenient[] = {"000, 251, +8 , S\r\n", "000, 249, 1.5, S\r\n",
                                   "000, 250,    , S\r\n"};
    const std::string decoded[] = {"251,8", "249,2", "250,0"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(feed({lenient[i]}), std::vector<std::string>{decoded[i]}) << lenient[i];
        EXPECT_EQ(feed({"\x7f", lenient[i]}), std::vector<std::string>{decoded[i]}) << lenient[i];
    }
    // Noise whose digits and marker line up as (857, 310, 382): no controller sends that, so
    // the clean frames after it keep their bytes.
    EXPECT_EQ(feed({"2857\n431063382\n5S1", f(251, 42), f(249, 7)}),
              (std::vector<std::string>{"251,42", "249,7"}));
}

TEST_F(Receive, NoiseBurstsWithMarkersInsideCostOnlyTheFramesTheyTouched) {
    const std::string noise = "SSSS S\x01\xffSS 9S,SSSSSSSSSSSSSS\r\nS";
    const auto got =
        feed({f(249, 7), noise, f(249, 8), f(249, 9), noise + noise, f(250, 1), "0S", f(250, 2)});
    EXPECT_EQ(got, (std::vector<std::string>{"249,7", "249,8", "249,9", "250,1", "250,2"}));
    // Nothing of the noise was logged or dispatched as a frame.
    EXPECT_TRUE(events().empty());
}

TEST_F(Receive, FramesSplitAcrossReadsAndSeveralInOneRead) {
    const std::string two = f(253, 3) + f(253, 4);
    port.deliver(two.substr(0, 7));
    EXPECT_TRUE(events().empty());
    port.deliver(two.substr(7, 20));
    ASSERT_EQ(events().size(), 1u);
    port.deliver(two.substr(27));
    ASSERT_EQ(events().size(), 2u);
    EXPECT_EQ(st().RxFrame[2], 4);
    // Three frames arriving at once are all taken.
    port.deliver(f(253, 5) + f(253, 6) + f(253, 7));
    EXPECT_EQ(events().size(), 5u);
    EXPECT_EQ(st().RxText, "");
}

TEST(ReceiverOnly, AlignedFramesAreReadLenientlyButNoiseIsNoFrame) {
    // Aligned text is taken as the line has always been read: separators and line end are not
    // looked at, blank fields read as 0.
    link::Receiver receiver;
    std::string buffer = "+1 ??   xx-2.QQS..";
    auto frame = receiver.take(buffer);
    ASSERT_TRUE(frame);
    EXPECT_EQ(link::decodeReply(*frame).fields, (std::array<int16_t, 3>{1, 0, -2}));
    EXPECT_TRUE(buffer.empty());
    // Letters or control bytes in a field are noise, even with the marker in place.
    buffer = "0A0, 254, 006, S\r\n";
    EXPECT_FALSE(receiver.take(buffer));
    // Negative and out-of-range fields read leniently into 16 bits.
    EXPECT_EQ(link::decodeReply("-12, 999, 0.5, S\r\n").fields,
              (std::array<int16_t, 3>{-12, 999, 0}));
}

} // namespace
} // namespace orbek
