#include "maintenance/component_tests.hpp"

#include "app/station.hpp"

namespace orbek::maintenance {

namespace {

constexpr uint32_t kPressed = colour::rgb(192, 255, 255);

constexpr int kMotorFast = 5;
constexpr int kMotorOff = 6;
constexpr int kFanFast = 2;
constexpr int kFanOff = 3;
constexpr int kMotorTest = 1;
constexpr int kFanTest = 2;

void testOrderTick(Station& s) {
    s.sendOrder(245, static_cast<uint8_t>(s.state.TestOrder));
}

void speedTestTick(Station& s) {
    s.sendOrder(244, static_cast<uint8_t>(s.state.TestOrder));
}

// Centred horizontally on the main window, once.
void placeWindow(Station& s) {
    TestsMVWindow& t = s.TestsMV();
    StartWindow& w = s.Start();
    t.left = w.left + (w.width - t.width) / 2;
    t.Timer1.stop();
}

} // namespace

void switchOrder(Station& s, int order) {
    TestsMVWindow& t = s.TestsMV();
    s.state.TestOrder = static_cast<int16_t>(order);
    t.Timer5.start();
    const bool motor = order == kMotorFast || order == kMotorOff;
    Control& fast = motor ? t.MoteurOnFast : t.VentilOnFast;
    Control& off = motor ? t.MoteurOff : t.VentilOff;
    const bool on = order == kMotorFast || order == kFanFast;
    (on ? fast : off).backColour = kPressed;
    (on ? off : fast).backColour = colour::buttonFace;
}

void speedTest(Station& s, int test) {
    if (!s.port.isOpen()) return;
    StationState& st = s.state;
    TestsMVWindow& t = s.TestsMV();
    t.List3.items.clear();
    t.List4.items.clear();
    st.ReplyIndex = 0;
    st.TestOrder = static_cast<int16_t>(test);
    // A run must not start or stop under a test; the main window's states enable them again.
    StartWindow& w = s.Start();
    w.Startbouton.enabled = false;
    w.Stopbouton.enabled = false;
    t.Timer6.start();
    const bool motor = test == kMotorTest;
    (motor ? t.TestSpeedM : t.TestSpeedV).backColour = kPressed;
    (motor ? t.MoteurOnFast : t.VentilOnFast).backColour = colour::buttonFace;
    (motor ? t.MoteurOff : t.VentilOff).backColour = colour::buttonFace;
}

void wireComponentTests(Station& s) {
    TestsMVWindow& t = *s.models().TestsMV;
    t.Timer1.setTick([&s] { placeWindow(s); });
    t.Timer5.setTick([&s] { testOrderTick(s); });
    t.Timer6.setTick([&s] { speedTestTick(s); });
    t.on("MoteurOnFast", [&s] { switchOrder(s, kMotorFast); });
    t.on("MoteurOff", [&s] { switchOrder(s, kMotorOff); });
    t.on("VentilOnFast", [&s] { switchOrder(s, kFanFast); });
    t.on("VentilOff", [&s] { switchOrder(s, kFanOff); });
    t.on("TestSpeedM", [&s] { speedTest(s, kMotorTest); });
    t.on("TestSpeedV", [&s] { speedTest(s, kFanTest); });
    // The close box ends the modal loop; the next opening loads the window afresh.
    t.on("Form_Unload", [&s] { s.models().TestsMV->unload(); });
    s.models().Start->on("mnutestscompos", [&s] { s.ui.runModal(s.TestsMV()); });
}

} // namespace orbek::maintenance
