// The data logger dialog: its steps and START check, the file dialog and the "exists already"
// panel, TypeFile.ini and the separator in NS.ini, and the restore when the window opens.
#include "logging/data_logger.hpp"
#include "logging_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct DataLoggerDialog : test::LoggingFixture {
    std::string typeFile() { return bytes(s().appFile("TypeFile.ini")); }
    // TypeFile.ini as START writes it.
    static std::string typeFileText(int type, const std::vector<int>& boxes,
                                    const std::string& path, int interval) {
        std::string text = " " + std::to_string(type) + " \r\n";
        for (int i = 0; i < 16; ++i)
            text += std::find(boxes.begin(), boxes.end(), i) != boxes.end() ? "1\r\n" : "0\r\n";
        text += path + "\r\n";
        for (int i = 0; i < 11; ++i)
            text += i == interval ? "1\r\n" : "0\r\n";
        return text;
    }
};

TEST_F(DataLoggerDialog, StartSavesTheSetUpStartsTheWriterAndClosesASecondLater) {
    const std::string defaults = typeFile();
    const auto zeros = [](int n) {
        std::string lines;
        for (int i = 0; i < n; ++i)
            lines += "0\r\n";
        return lines;
    };
    EXPECT_EQ(defaults, zeros(17) + " \r\n" + zeros(11)); // as start-up creates it
    int64_t started = 0;
    inDialog([&](DataLoggerWindow& d) {
        EXPECT_TRUE(d.modal());
        EXPECT_EQ(d.caption, "  Data-Logger :");
        // Centred on the main window.
        EXPECT_EQ(d.left + d.width / 2, start().left + start().width / 2);
        d.fire("Option1[2]");
        EXPECT_TRUE(d.Option1[2].checked);
        EXPECT_EQ(st().LogFileType, 2);
        EXPECT_EQ(st().LogFileTypeDialog, 2);
        d.fire("Option2[1]");
        tick(d, 1, true);
        tick(d, 6, true);
        chooseFile(d, data("day.txt"));
        d.fire("Sel[7]");
        EXPECT_EQ(d.Label9.caption, "2 ");
        EXPECT_EQ(d.Sel[7].backColour, colour::lightGreen);
        EXPECT_EQ(d.Sel[0].backColour, colour::buttonFace);
        EXPECT_EQ(st().LogMinutesLeft, 119);
        EXPECT_EQ(st().LogMinutesReload, 119);
        d.fire("Activation");
        started = scheduler.now();
        EXPECT_EQ(d.Activation.caption, "Press to START");
        EXPECT_EQ(d.Activation.backColour, colour::lightGreen);
        EXPECT_EQ(d.focusControl, "Command1");
    });
    EXPECT_EQ(scheduler.now(), started + 1000);
    EXPECT_FALSE(dialog().loaded());
    EXPECT_TRUE(ui.boxes().size() <= 1u); // only the first-start message
    EXPECT_EQ(ui.fileDialogs.back().title, "Create file ...");
    EXPECT_EQ(ui.fileDialogs.back().filter, "Text (*.txt)");
    EXPECT_EQ(ui.fileDialogs.back().initialFolder, s().appFile("Data").string());
    EXPECT_EQ(typeFile(), typeFileText(2, {1, 6}, data("day.txt").string(), 7));
    EXPECT_EQ(bytes(s().appFile("NS.ini")), "0\r\n0\r\n0\r\n1\r\n");
    StartWindow& w = start();
    EXPECT_TRUE(w.Timer15.enabled());
    EXPECT_TRUE(w.mnufichierdatalogger.checked);
    EXPECT_FALSE(w.mnuDataloggerOFF.checked);
    EXPECT_EQ(w.Label2[0].backColour, colour::green);
    EXPECT_EQ(w.Label44.caption, "Data-Logger (Writing)    [2 hours]");
    EXPECT_EQ(st().SensorSelection[6], 1);
    EXPECT_EQ(st().SensorChecks[1], 1);
}

TEST_F(DataLoggerDialog, StartRefusesUntilStepsOneToThreeAreDone) {
    const std::string before = typeFile();
    inDialog([&](DataLoggerWindow& d) {
        d.fire("Sel[0]");
        chooseFile(d, data("x.csv"));
        d.fire("Activation"); // no column ticked
        tick(d, 0, true);
        ui.nextFileName.reset(); // cancelled: the path is emptied
        d.fire("Command1");
        EXPECT_EQ(d.Label7.caption, "");
        d.fire("Activation");
        EXPECT_EQ(d.Activation.caption, "Press to START");
        EXPECT_EQ(d.Activation.backColour, colour::buttonFace);
        d.fire("Form_QueryUnload");
    });
    ASSERT_GE(ui.boxes().size(), 2u);
    for (std::size_t i = ui.boxes().size() - 2; i < ui.boxes().size(); ++i) {
        EXPECT_EQ(ui.boxes()[i].box.text, "Please Complete Step 1 to 3  ");
        EXPECT_EQ(ui.boxes()[i].box.icon, MsgIcon::Critical);
    }
    EXPECT_FALSE(start().Timer15.enabled());
    EXPECT_FALSE(start().mnufichierdatalogger.checked);
    EXPECT_EQ(typeFile(), before);
    EXPECT_FALSE(dialog().loaded());
}

TEST_F(DataLoggerDialog, AnExistingFileInTheDataFolderIsKeptUntilTheUserSaysOverwrite) {
    write(data("old.csv"), "kept\r\n");
    write(data("other.csv"), "");
    write(data("notes.txt"), "");
    st().LogHeaderWritten = 1;
    st().LogRowCounter = 9;
    inDialog([&](DataLoggerWindow& d) {
        d.fire("Option1[1]");
        chooseFile(d, data("old.csv"));
        EXPECT_EQ(ui.fileDialogs.back().filter, "CSV (*.csv)");
        EXPECT_EQ(d.List1.items, (std::vector<std::string>{"old.csv", "other.csv"}));
        EXPECT_EQ(d.List1.value, 0);
        EXPECT_TRUE(d.Picture1.visible);
        EXPECT_EQ(d.Label42.caption, " This file exists already");
        EXPECT_EQ(bytes(data("old.csv")), "kept\r\n"); // choosing it changes nothing
        EXPECT_EQ(st().LogHeaderWritten, 0);
        EXPECT_EQ(st().LogRowCounter, 0);
        d.fire("EAppend");
        EXPECT_FALSE(d.Picture1.visible);
        EXPECT_EQ(bytes(data("old.csv")), "kept\r\n");

        // A name typed without its extension is that of the chosen type.
        chooseFile(d, data("other"));
        EXPECT_EQ(st().LogFilePath, data("other.csv").string());
        EXPECT_EQ(d.List1.value, 1);
        write(data("other.csv"), "old rows\r\n");
        d.fire("EErase");
        EXPECT_FALSE(d.Picture1.visible);
        EXPECT_EQ(bytes(data("other.csv")), "");

        // A new name, and a file outside the data folder, never show the panel.
        chooseFile(d, data("new.csv"));
        EXPECT_FALSE(d.Picture1.visible);
        EXPECT_EQ(d.List1.value, -1);
        EXPECT_TRUE(std::filesystem::exists(data("new.csv")));
        write(folder.path() / "outside.csv", "mine\r\n");
        chooseFile(d, folder.path() / "outside.csv");
        EXPECT_FALSE(d.Picture1.visible);
        EXPECT_EQ(bytes(folder.path() / "outside.csv"), "mine\r\n");
        d.fire("Form_QueryUnload");
    });
}

TEST_F(DataLoggerDialog, AFileThatCannotBeCreatedIsSaidAndItsPathKept) {
    inDialog([&](DataLoggerWindow& d) {
        chooseFile(d, s().appFile("missing") / "run.csv");
        d.fire("Form_QueryUnload");
    });
    EXPECT_TRUE(listed("File run.csv could not be created"));
    EXPECT_EQ(st().LogFilePath, (s().appFile("missing") / "run.csv").string());
}

TEST_F(DataLoggerDialog, ReopeningRestoresTheLastStartedSetUp) {
    const int64_t started = startLogging({3, 0, {2, 4, 9}, 4, "keep.csv"});
    scheduler.advanceTo(started + 60000);
    start().fire("mnuDataloggerOFF");
    // Choices made without START are not kept.
    inDialog([&](DataLoggerWindow& d) {
        d.fire("Option1[0]");
        tick(d, 0, true);
        d.fire("Sel[10]");
        d.fire("Form_QueryUnload");
    });
    start().Label44.caption = "";
    inDialog([&](DataLoggerWindow& d) {
        EXPECT_TRUE(d.Option1[3].checked);
        EXPECT_FALSE(d.Option1[0].checked);
        EXPECT_TRUE(d.Option2[0].checked);
        EXPECT_FALSE(d.Option2[1].checked);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(d.Check1[i].checked, i == 2 || i == 4 || i == 9) << i;
        EXPECT_EQ(st().SensorSelection[0], 0); // the restore undoes the unsaved tick
        EXPECT_EQ(d.Label7.caption, data("keep.csv").string());
        EXPECT_EQ(d.Label9.caption, "20 ");
        EXPECT_EQ(d.Sel[4].backColour, colour::lightGreen);
        EXPECT_EQ(d.Sel[10].backColour, colour::buttonFace);
        EXPECT_EQ(st().IntervalChosen, "20");
        EXPECT_EQ(st().LogMinutesLeft, 19);
        EXPECT_FALSE(d.Picture1.visible);
        d.fire("Form_QueryUnload");
    });
    EXPECT_EQ(start().Label44.caption, "Data-Logger (Writing)    [20 minutes]");
    EXPECT_EQ(st().LogFileType, 3);
    EXPECT_EQ(st().SeparatorChoice, 0);
}

TEST_F(DataLoggerDialog, APathWithACommaIsRestoredUpToItAndTheListSaysSo) {
    const std::string path = data("a,b.csv").string();
    write(s().appFile("TypeFile.ini"), typeFileText(1, {0}, path, 2));
    inDialog([&](DataLoggerWindow& d) {
        EXPECT_EQ(d.Label7.caption, path.substr(0, path.find(',')));
        EXPECT_EQ(d.Label9.caption, "5 "); // the lines after the path keep their places
        d.fire("Form_QueryUnload");
    });
    EXPECT_TRUE(listed("TypeFile.ini holds a comma in the log file path"));
}

TEST_F(DataLoggerDialog, AShortOrGarbledTypeFileRestoresWhatItHas) {
    write(s().appFile("TypeFile.ini"), " 9 \r\n1\r\n1\r\n");
    inDialog([&](DataLoggerWindow& d) {
        for (int i = 0; i < 4; ++i)
            EXPECT_FALSE(d.Option1[i].checked);
        EXPECT_TRUE(d.Check1[0].checked);
        EXPECT_TRUE(d.Check1[1].checked);
        EXPECT_FALSE(d.Check1[2].checked);
        EXPECT_EQ(d.Label7.caption, "");
        EXPECT_EQ(d.Label9.caption, "---");
        d.fire("Form_QueryUnload");
    });
    EXPECT_TRUE(listed("TypeFile.ini holds 3 of 29 lines"));
    EXPECT_TRUE(listed("TypeFile.ini line 1 holds \"9\", not a file type of 0 to 3"));
}

TEST_F(DataLoggerDialog, TheSeparatorOptionRewritesNsIniKeepingTheRunState) {
    write(s().appFile("NS.ini"), "1.23\r\n1\r\n1\r\n1\r\n");
    inDialog([&](DataLoggerWindow& d) {
        EXPECT_TRUE(d.Option2[1].checked);
        d.fire("Option2[0]");
        EXPECT_EQ(bytes(s().appFile("NS.ini")), "1.23\r\n1\r\n1\r\n0\r\n");
        d.fire("Form_QueryUnload");
    });
    EXPECT_EQ(st().SeparatorChoice, 0);
    EXPECT_EQ(st().RunActive, 1);
}

} // namespace
} // namespace orbek
