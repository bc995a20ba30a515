// The station's shared variables, each under the name every behaviour uses. One copy, owned by
// the Station; handlers read and write it in place, one handler at a time.
#pragma once

#include "core/variant.hpp"

#include <array>
#include <cstdint>
#include <string>

namespace orbek {

// The seven traces of the plot, in the order of PlotTraces.
enum Trace : std::size_t { TraceLPC, TraceLFC, TraceMAT, TraceSHT, TraceVIS, TraceIR, TraceRH };

// Fixed-point values: signed 64-bit integers in ten-thousandths.
using Fixed = int64_t;
inline constexpr Fixed kFixedOne = 10000;

struct StationState {
    // Serial link
    std::string RxText;
    std::string RxMarker;
    std::array<int16_t, 4> RxFrame{};

    // Folder, port and files
    std::string BasePath;
    int16_t ComPortNumber = 0;
    std::string ComPortLine;
    std::string ComPortText;
    int16_t FileNo = 0;
    int16_t LoopIndex = 0;

    // Versions
    std::string SoftwareVersion;
    std::string StampVersion;
    std::string SavedStampVersion;
    int16_t VersionByteCount = 0;
    std::array<int16_t, 2> VersionBytes{};
    Fixed VersionNumber = 0;

    // Run state
    int16_t LampPhase = 0;
    uint8_t RunStarted = 0;
    uint8_t RunInProgress = 0;
    uint8_t RunActive = 0;
    uint8_t HalogenActive = 0;
    uint8_t StateRestored = 0;
    int16_t HalogenCommand = 0;
    int16_t NoReplyCount = 0;
    uint8_t HolderFrameSeen = 0;
    int16_t ServiceLevel = 0;
    // 1 once a cycle frame (code 253) has come since the last Start: the start was heard even
    // when other frames arrived after it.
    uint8_t CycleReported = 0;
    // Since the device behind the port went away: the value cells (bit i for Label5(i)) that no
    // frame has set since, and whether the run shown is still the one at the loss, unconfirmed.
    uint16_t StaleValues = 0;
    uint8_t StaleRun = 0;
    // Seconds left of the lamp's cooling, from the last cooling frame (code 252).
    int16_t CoolingSeconds = 0;

    // Light power
    int16_t PowerLevel = 0;
    uint8_t PowerByte = 0;
    int16_t PowerWatts = 0;

    // Readings
    std::array<int16_t, 21> Readings{};
    std::array<Variant, 16> Coefficients{};
    Variant ScaledValue;
    int16_t SupplyLevel = 0;
    int16_t MagnetronTempShown = 0;
    int16_t HolderTempShown = 0;
    std::string HolderTempRaw;
    std::string HolderTempText;
    std::string HolderTempLabel;
    int16_t ExtBoardPresent = 0;

    // Plot
    int32_t PlotX = 0;
    std::array<std::array<int16_t, 2>, 7> PlotTraces{};
    int16_t PlotLevel1 = 0;
    int16_t PlotLevel2 = 0;
    // 1 once the two levels were read (LevLgGraph.ini or the controller's parameters): only then
    // may they be written back to LevLgGraph.ini.
    uint8_t PlotLevelsRead = 0;
    int16_t PlotImageSaved = 0;
    int16_t EventListShown = 0;

    // Data logging
    uint8_t LogFileType = 0;
    uint8_t LogFileTypeDialog = 0;
    std::string LogFilePath;
    Fixed LogRowCounter = 0;
    int16_t LogHeaderWritten = 0;
    int32_t LogMinutesLeft = 0;
    int32_t LogMinutesReload = 0;
    std::string LogIntervalText;
    std::string IntervalChosen;
    uint8_t IntervalIndex = 0;
    std::array<uint8_t, 11> IntervalButtons{};
    std::array<int16_t, 17> SensorSelection{};
    std::array<uint8_t, 16> SensorChecks{};
    std::string SensorsChosen;
    std::array<int16_t, 21> LoggedReadings{};
    uint8_t SeparatorChoice = 0;
    // 1 once SeparatorChoice holds NS.ini's value or the user's choice in this run of the program.
    uint8_t SeparatorLoaded = 0;

    // Maintenance
    std::array<uint8_t, 20> WearBytes{};
    uint8_t WearIndex = 0;
    uint8_t EraseSelection = 0;
    std::array<std::string, 4> EraseCodes{};
    uint8_t CounterFileJustRead = 0;
    int16_t ReplyIndex = 0;
    int16_t ParamSendIndex = 0;
    int16_t ClockSendIndex = 0;
    int16_t ReadRequestCount = 0;
    int16_t WriteRequestCount = 0;
    int16_t SendValue = 0;
    int16_t TestOrder = 0;
};

} // namespace orbek
