#include "maintenance/readers.hpp"

#include "app/station.hpp"
#include "core/text.hpp"

#include <string>

namespace orbek::maintenance {

void LectureVitesse(Station& s) {
    StationState& st = s.state;
    static const struct {
        bool fans;
        const char* prefix;
    } results[] = {{true, "V1_Slow "}, {true, "V1_Fast "},  {true, "V2_Slow "},
                   {true, "V2_Fast "}, {false, "M_Slow  "}, {false, "M_Fast  "}};
    if (st.ReplyIndex >= 0 && st.ReplyIndex <= 5) {
        const auto& r = results[st.ReplyIndex];
        const int speed = (st.RxFrame[2] - 8) * 60;
        TestsMVWindow& t = s.TestsMV();
        (r.fans ? t.List4 : t.List3).items.push_back(r.prefix + signedNumber(speed));
    }
    ++st.ReplyIndex;
}

void LectureRegistresDS1307(Station& s) {
    StationState& st = s.state;
    const int16_t value = st.RxFrame[2];
    ParametresWindow& p = s.Parametres();
    if (value >= 0 && st.ReplyIndex >= 0 && st.ReplyIndex <= 14) {
        p.Text1[st.ReplyIndex].caption = std::to_string(value);
        switch (st.ReplyIndex) {
        case 7:
            if (value > 19) {
                // A slider set by the program changes like one moved by the user: its label
                // and the power the log records follow.
                Control& slider = s.Start().VScroll1[5];
                if (value >= slider.min && value <= slider.max) {
                    slider.value = value;
                    s.Start().fire("VScroll1[5]:Change");
                }
            }
            break;
        case 8:
            st.Readings[17] = value;
            break;
        case 9:
            st.PlotLevel1 = value;
            break;
        case 13:
            st.PlotLevel2 = value;
            st.PlotLevelsRead = 1; // index 9 came before it in the same read
            break;
        default:
            break;
        }
    }
    s.addEvent(" Stamp --> PC   " + signedNumber(st.ReplyIndex) + "    > " + std::to_string(value));
    ++st.ReplyIndex;
    if (st.ReplyIndex > 14) {
        p.Validerwrite.enabled = true;
        p.Timer7.stop();
    }
}

void LectureDataUsures(Station& s) {
    StationState& st = s.state;
    if (st.WearIndex <= 14) st.WearBytes[st.WearIndex] = static_cast<uint8_t>(st.RxFrame[2]);
    ++st.WearIndex;
    if (st.WearIndex > 14) {
        st.WearIndex = 0;
        s.Usures().Timer2.start();
        s.tell({"wear_counters_read", {}});
    }
}

} // namespace orbek::maintenance
