// The data logger dialog: the "exists already" panel, a file that cannot be created, damaged
// TypeFile.ini contents and the separator in NS.ini (the steps, START and the restore: scenario
// data_logger_setup).
#include "logging/data_logger.hpp"
#include "logging_fixture.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

struct DataLoggerDialog : test::LoggingFixture {};

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

TEST_F(DataLoggerDialog, APathWithACommaIsRestoredUpToItAndTheListSaysSo) {
    const std::string path = data("a,b.csv").string();
    // Type 1, the first column, the path, then the third interval button.
    std::string text = " 1 \r\n1\r\n";
    for (int line = 2; line <= 28; ++line)
        text += line == 17 ? path + "\r\n" : line == 20 ? "1\r\n" : "0\r\n";
    write(s().appFile("TypeFile.ini"), text);
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
