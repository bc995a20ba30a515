#include "link/catalogue.hpp"

#include "app/station.hpp"

#include <array>

namespace orbek::link {

namespace {

using enum Direction;

constexpr std::array kMessages{
    // Orders of the station and the replies that acknowledge them.
    Message{code::Lamp, 1, Out, "start the lamp LP on machine 0", code::Cycle, kAnyValue},
    Message{code::Lamp, 2, Out, "stop the lamp LP", code::Status, 2},
    Message{code::Power, kAnyValue, Out, "light power setting (power step)", code::PowerAck, 1},
    Message{code::Halogen, 0, Out, "halogen lamps off (phase 4 only)", code::Halogen, 2},
    Message{code::Halogen, 1, Out, "halogen lamps on (phase 4 only)", code::Halogen, 2},
    Message{code::WearData, 0, Out, "request of the wear data", code::WearData, kAnyValue},
    Message{code::EraseCounter, 1, Out, "erase the counter of the lamp", code::EraseCounter, 0},
    Message{code::EraseCounter, 2, Out, "erase the counter of the halogen lamps",
            code::EraseCounter, 0},
    Message{code::EraseCounter, 3, Out, "erase the counter of the magnetron", code::EraseCounter,
            0},
    Message{code::Freeze, 1, Out, "freeze", code::FreezeReleased, 1},
    Message{code::TestOrder, kAnyValue, Out, "component test order (bank 7)", code::Status,
            kAnyValue},
    Message{code::SpeedTest, 1, Out, "complete speed test of the motor (bank 6)", code::Status, 3},
    Message{code::SpeedTest, 2, Out, "complete speed test of the fans (bank 6)", code::Status, 3},
    Message{code::ReadClock, 1, Out, "read the DS1307 clock registers", code::ClockRegister,
            kAnyValue},
    Message{code::WriteRequest, 1, Out, "ask whether the controller is ready to receive data",
            code::WriteAgreed, 1},
    Message{code::ParamData, kAnyValue, Out, "data for the controller RAM above address 28"},
    Message{code::ClockWriteRequest, 1, Out, "announce a DS1307 write (time and date)",
            code::ClockWriteAgreed, 1},
    Message{code::ClockData, kAnyValue, Out, "data for the controller RAM at addresses 0..7"},

    // Replies the station acts on.
    Message{code::Status, 0, In, "controller present and idle (lamp off)"},
    Message{code::Status, 2, In, "lamp shutdown confirmed"},
    Message{code::Status, 3, In, "test order received"},
    Message{code::Status, 4, In, "end of tests"},
    Message{code::Status, 6, In, "magnetron temperature too high"},
    Message{code::Cycle, 1, In, "cycle running (motor started)"},
    Message{code::Cycle, 14, In, "start of a new plot screen"},
    Message{code::Cycle, kAnyValue, In, "step of the controller's cycle"},
    Message{code::Cooling, 60, In, "cooling countdown starts"},
    Message{code::Cooling, kAnyValue, In, "cooling countdown, seconds left"},
    Message{code::MagnetronTemp, kAnyValue, In, "magnetron temperature, degrees Celsius"},
    Message{code::LightStart, kAnyValue, In, "AD0, light at lamp start"},
    Message{code::LightControl, kAnyValue, In, "AD1, light control (BPW34)"},
    Message{code::Battery, kAnyValue, In, "AD2, battery of the set-up memory"},
    Message{code::Supply, kAnyValue, In, "AD3, half of the supply voltage"},
    Message{code::LevelPulse, 1, In, "lamp level pulse validated"},
    Message{code::SpeedTest, kAnyValue, In, "speed test result"},
    Message{code::ClockRegister, kAnyValue, In, "one of the 12 clock-register parameters"},
    Message{code::WriteAgreed, 1, In, "controller agrees to receive data"},
    Message{code::LampPhase, 1, In, "lamp phase 1 reached"},
    Message{code::LampPhase, 2, In, "lamp phase 2 reached"},
    Message{code::LampPhase, 3, In, "lamp phase 3 reached"},
    Message{code::LampPhase, 4, In, "lamp phase 4 reached"},
    Message{code::PowerAck, 1, In, "power order received"},
    Message{235, kAnyValue, In, "external interface board AD0"},
    Message{234, kAnyValue, In, "external interface board AD1"},
    Message{233, kAnyValue, In, "external interface board AD2"},
    Message{232, kAnyValue, In, "external interface board AD3"},
    Message{code::Halogen, 2, In, "halogen order received"},
    Message{code::HolderTemp, kAnyValue, In, "sample holder temperature, degrees Celsius"},
    Message{code::ClockWriteAgreed, 1, In, "controller agrees to receive the clock data"},
    Message{code::WearData, kAnyValue, In, "one wear-data byte"},
    Message{code::EraseCounter, 0, In, "counter erase confirmed"},
    Message{code::Version, kAnyValue, In, "one byte of the firmware version"},
    Message{code::TriggerLevel, 1, In, "detector trigger level reached (AD1)"},
    Message{code::FreezeReleased, 1, In, "freeze released"},
    Message{code::Lamp, kAnyValue, In, "not expected from the controller; logged only"},
};

// The window's reference text; it differs from what the station really exchanges in places
// (the tables above are what the station does).
constexpr std::array<std::string_view, 125> kCodeList{
    "",
    "255,0     PC --> Stamp  (Transmission test) = Ready",
    "255,1     PC --> Stamp  (Activate LP on machine '0'",
    "255,2     PC --> Stamp  (Turn off LP on machine '0'",
    "",
    "254,0     Stamp --> PC  (Stamp responds present)",
    "254,1     Stamp --> PC  (Stamp confirms LP activation order",
    "254,2     Stamp --> PC  (Stamp confirms LP shutdown order",
    "254,3     Stamp --> PC  (Stamp confirms Test order reception",
    "254,4     Stamp --> PC  (Stamp confirms end of Tests",
    "254,5     Stamp --> PC  Top Presence Stamp to PC",
    "254,6     Stamp --> PC  Magnetron Temperature too high !",
    "",
    "253,0     Stamp, Loop synchronization (0-9 seconds)",
    "253,1     Stamp, M_ON_Slow (Motor activated in Slow mode)",
    "253,2     Stamp, Pause before Speed measurement",
    "253,3     Stamp, M Speed test",
    "253,4     Stamp, Start V1 + V2 ON_Slow",
    "253,5     Stamp, Pause before Speed measurement",
    "253,6     Stamp, Speed test on V1_Slow",
    "253,7     Stamp, Speed test on V2_Slow",
    "253,8     Stamp, M_ON_Fast (activate Motor in Fast made)",
    "253,9     Stamp, Pause before Speed measurement",
    "253,10    Stamp, Speed test on M_Fast",
    "253,11    Stamp, Start V1 + V2 in Fast mode              (turned off)",
    "253,12    Stamp, Pause before Speed measurement          (turned off)",
    "253,13    Stamp, Speed test on V1_Fast                   (turned off)",
    "253,14    Stamp, Speed test on V2_Fast                   (turned off)",
    "253,15    Stamp, Measure Magnetron temperature if too high",
    "253,16    Stamp, Relay ON (analog version)               (turned off)",
    "253,17    Stamp, Generator voltage (analog version)",
    "253,18    Stamp, Effective Magnetron temperature measurement",
    "253,19    Stamp, Phase 1, Heat-up Magnetron filament",
    "253,20    Stamp, Phase 2, LP should start...",
    "253,20    Stamp, Test if LP is burning..., if not = pause 1 minute",
    "253,21    Stamp, Phase 3, LP stabilizing...",
    "253,22    Stamp, Phase 4, LP cruising + tests + commands",
    "",
    "252,x     Stamp, Counter 60 --> 0 secondes, cooling down LP",
    "",
    "251,x     Stamp, Magnetron temperature, max 120.0°C / 248 F",
    "",
    "250,x     Stamp, AD0 voltage, Light LP start Rotate",
    "",
    "249,x     Stamp, AD1 voltage, Light LP control BPW34",
    "",
    "248,x     Stamp, AD2 voltage, Battery Setup 3.00 Vdc",
    "",
    "247,x     Stamp, AD3 voltage, Power supply 1/2 U (5.00 Vdc)",
    "",
    "246,1     Stamp, Pulse validation LP level",
    "",
    "245,1     PC --> Stamp, Test M_On_Slow          (bank 7)",
    "245,2     PC --> Stamp, Test M_On_Fast          (bank 7)",
    "245,3     PC --> Stamp, Test M_Off              (bank 7)",
    "245,4     PC --> Stamp, Test V_On_Slow          (bank 7)",
    "245,5     PC --> Stamp, Test V_On_Fast          (bank 7)",
    "245,6     PC --> Stamp, Test V_Off              (bank 7)",
    "245,10    PC --> Stamp, Test Background_LCD_On  (bank 7)",
    "245,11    PC --> Stamp, Test Background_LCD_Off (bank 7)",
    "",
    "244,1     PC --> Stamp, Test M_Complete speed   (bank 6)",
    "244,2     PC --> Stamp, Test V_Complete speed   (bank 6)",
    "244,8+i   Stamp --> PC, V1_Slow_Speed_Test      (1320 trm) adr= 8",
    "244,8+i   Stamp --> PC, V1_Fast_Speed_Test      (2700 trm) adr= 9",
    "244,8+i   Stamp --> PC, V2_Slow_Speed_Test      (1380 trm) adr=10",
    "244,8+i   Stamp --> PC, V2_Fast_Speed_Test      (2700 trm) adr=11",
    "244,8+i   Stamp --> PC, M__Slow_Speed_Test      (1140 trm) adr=12",
    "244,8+i   Stamp --> PC, M__Fast_Speed_Test      (3300 trm) adr=13",
    "",
    "243,1     Stamp --> PC, Activate registry DS1307 reading",
    "243,2     PC --> Stamp, PC sends codes to read data DS1307",
    "242,x     Stamp --> PC, Return data of the 12 DS1307 parameters",
    "",
    "241,1     PC --> Stamp, Asks if Stamp is ready to send data",
    "240,1     Stamp --> PC, Stamp agrees to transfer (data)",
    "239,x     PC --> Stamp, PC sends data into Stamp RAM at adr > 28",
    "",
    "238,x     Stamp --> PC, Marks phases 0 to 4 with a yellow line",
    "",
    "237,x     PC --> Stamp, x = PW values (Slider VSCroll1(5)",
    "236,1     Stamp --> PC, acknowledges received orders from PW",
    "",
    "235,x     Return value AD0 - board EXT-interface",
    "234,x     Return value AD1 - board EXT-interface",
    "233,x     Return value AD2 - board EXT-interface",
    "232,x     Return value AD3 - board EXT-interface",
    "",
    "231,x     Spare for add-on AD0, not enabled",
    "",
    "230,x     Spare for add-on AD1, not enabled",
    "",
    "229,x     Spare for add-on AD2, not enabled",
    "",
    "228,x     Spare for add-on AD3, not enabled",
    "",
    "227,0     PC --> Stamp, OFF Halogen lamps. in phase 4 only",
    "227,1     PC --> Stamp, ON  Halogen lamps. in phase 4 only",
    "227,2     Stamp --> PC, acknowledges received orders Activate/turned-off",
    "",
    "226,x     Stamp, Sample holder temperature, max 115.0°C",
    "",
    "225,0     PC --> Stamp, hardware lifetime (LP - Hal - Magn)",
    "225,x     Stamp --> PC, hardware lifetime (LP - Hal - Magn) DATA",
    "",
    "224,1     PC --> Stamp, Send DATA write DS1307 (0-7) HMS+JMA",
    "223,1     Stamp --> PC, Stamp agrees to transfer (DATA)",
    "222,x     PC --> Stamp, PC sends data into Stamp RAM at adr 0-7",
    "",
    "221,x     PC --> Stamp, Activation Alarm bit 2, LP6 (Compatibility - LP2)",
    "",
    "220,1     PC --> Stamp, Usure LP        (Individuelle)",
    "220,2     PC --> Stamp, Usure Halogen   (Individuelle)",
    "220,3     PC --> Stamp, Usure Magnetron (Individuelle)",
    "220,4     PC --> Stamp, Usure Mécanique (Totale)",
    "",
    "199,0     PC --> Stamp, Return validate Activated Erased",
    "199,1     PC --> Stamp, Erase Counter LP",
    "199,2     PC --> Stamp, Erase Counter Halogen",
    "199,3     PC --> Stamp, Erase Counter Magnetron",
    "",
    "198,0     PC --> Stamp, Interrogation Version Stamp",
    "",
    "197,1     Stamp --> PC, Trigger Detector Level (AD1)",
    "",
};

} // namespace

std::span<const Message> messages() {
    return kMessages;
}

const Message* findMessage(Direction direction, int code, int value) {
    const Message* any = nullptr;
    for (const Message& m : kMessages) {
        if (m.direction != direction || m.code != code) continue;
        if (m.value == value) return &m;
        if (m.value == kAnyValue && !any) any = &m;
    }
    return any;
}

std::span<const std::string_view> codeListLines() {
    return kCodeList;
}

void wireCodeDialogue(Station& s) {
    CodeDialogueWindow& w = *s.models().CodeDialogue;
    // The list is cleared first, so opening the window twice shows it once.
    w.on("Form_Load", [&w] {
        w.List1.items.clear();
        for (std::string_view line : kCodeList)
            w.List1.items.push_back(line);
    });
    w.Timer1.setTick([&s, &w] {
        const StartWindow& main = s.Start();
        w.left = main.left + main.width / 2 - w.width / 2;
        w.Timer1.stop();
    });
    w.on("Command1", [&w] { w.unload(); });
}

} // namespace orbek::link
