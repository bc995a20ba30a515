#include "link/comm.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct CommEvents : test::StationFixture {
    CommEvents() { port.open(2); }
    // How many of the value cells and the logger status are visible, of nine.
    int valuesVisible() {
        int n = start().Label2[0].visible ? 1 : 0;
        for (int i : {0, 1, 4, 6, 7, 8, 9, 10})
            n += start().Label5[i].visible ? 1 : 0;
        return n;
    }
    bool valuesShown() { return valuesVisible() == 9; }
    bool valuesHidden() { return valuesVisible() == 0; }
};

TEST_F(CommEvents, EachEventAddsItsLineAndOnlyPinLossesHideTheValues) {
    struct Case {
        CommEvent event;
        const char* line;
        bool hides;
    };
    const Case cases[] = {
        {CommEvent::Break, "A break interrupt signal was received", false},
        {CommEvent::CtsTimeout, "CTS (Clear to Send) signal timerout", true},
        {CommEvent::DsrTimeout, "Reception signal timerout", false},
        {CommEvent::Frame, "Frame error", false},
        {CommEvent::Overrun, "Data was lost", false},
        {CommEvent::CdTimeout, "Carrier timerout", false},
        {CommEvent::RxOver, "Receive buffer overload", false},
        {CommEvent::RxParity, "Parity error", false},
        {CommEvent::TxFull, "Send buffer overload", false},
        {CommEvent::Dcb, "DCB reception error", false},
        {CommEvent::CtsChanged, "Change in pin CTS", false},
        {CommEvent::DsrChanged, "Change in pin DSR (reception)", true},
        {CommEvent::CdChanged, "Change in pin cd (carrier)", true},
        {CommEvent::Eof, "The EOF type was received", false},
        {CommEvent::DeviceRemoved, "Serial port device removed", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        link::Activer_Valeurs(s());
        start().Timer6.stop();
        const auto before = events().size();
        port.event(c.event);
        ASSERT_EQ(events().size(), before + 1);
        EXPECT_EQ(lastEvent(), c.line);
        EXPECT_EQ(start().Timer6.enabled(), c.hides);
        EXPECT_EQ(valuesHidden(), c.hides);
    }
    // Send and ring say nothing.
    const auto before = events().size();
    port.event(CommEvent::Send);
    port.event(CommEvent::Ring);
    EXPECT_EQ(events().size(), before);
}

TEST_F(CommEvents, WatchdogNeverFiresBeforeTheFirstFrameThenEveryTwentySecondsOfSilence) {
    scheduler.advanceBy(600000);
    EXPECT_EQ(start().Label7[0].caption, "---");
    EXPECT_TRUE(valuesShown());

    // Then every twenty seconds of silence: scenario link_loss.
    port.deliverFrame(251, 30);
    scheduler.advanceBy(19999);
    EXPECT_TRUE(valuesShown());
    scheduler.advanceBy(1);
    EXPECT_TRUE(valuesHidden());
}

} // namespace
} // namespace orbek
