#include "core/files.hpp"
#include "core/text.hpp"
#include "core/variant.hpp"
#include "support/file_bytes.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

namespace orbek {
namespace {

using test::bytesOf;
using test::writeBytes;

TEST(LenientNumber, ReadsTheLeadingNumberAndZeroWhenNone) {
    EXPECT_EQ(leadingNumber("  42abc"), 42);
    EXPECT_EQ(leadingNumber("-7"), -7);
    EXPECT_EQ(leadingNumber(" 1.25 "), 1.25);
    EXPECT_EQ(leadingNumber("3e2x"), 300);
    EXPECT_EQ(leadingNumber("5e"), 5); // an exponent without digits is not part of the number
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("-"), 0);
    EXPECT_EQ(leadingNumber("1.2.3"), 1.2);
    EXPECT_EQ(leadingNumber("12345678901234567"), 12345678901234567.0); // past what counts exactly
    EXPECT_EQ(toInt16(2.5), 2); // halves go to the even neighbour
    EXPECT_EQ(toInt16(3.5), 4);
    EXPECT_EQ(toInt16(1e9), 32767);
}

TEST(NumberText, PlainSignedAndFixedForms) {
    // The print form of a double: up to 15 significant digits, the shortest text that gives the
    // number back at that precision, no exponent for ordinary magnitudes.
    const struct {
        double value;
        const char* text;
    } plain[] = {
        {95, "95"},
        {-3, "-3"},
        {186.8, "186.8"},
        {0.1 + 0.2, "0.3"},
        {0.123456789, "0.123456789"},
        {-0.123456789, "-0.123456789"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {123 * 0.2007425, "24.6913275"},
        {24.691357913579135, "24.6913579135791"},
        {999999999999999, "999999999999999"},
        {123456789012345, "123456789012345"},
        {0.100000000000001, "0.100000000000001"},
        {123456789012.5, "123456789012.5"},
        {0.00001, "0.00001"},
        {0.000012345, "0.000012345"},
        {1e15, "1E+15"},
        {-2.5e-7, "-2.5E-07"},
        {0.0, "0"},
    };
    for (const auto& c : plain)
        EXPECT_EQ(plainNumber(c.value), c.text) << c.value;
    // Fifteen digits give a fifteen-digit number back as it was.
    for (double v : {987654321.123456, 0.000123456789012345, 12345678901234.5})
        EXPECT_EQ(leadingNumber(plainNumber(v)), v) << plainNumber(v);
    EXPECT_EQ(plainSingle(37 * 9.0f / 5.0f + 32.0f), "98.6");
    EXPECT_EQ(signedNumber(95), " 95");
    EXPECT_EQ(signedNumber(0), " 0");
    EXPECT_EQ(signedNumber(-4), "-4");
    EXPECT_EQ(fixedOneDecimal(12), "12.0");
    EXPECT_EQ(fixedOneDecimal(987.64), "987.6");
    EXPECT_EQ(fixedOneDecimal(-0.25), "-0.3");
    EXPECT_EQ(fixedOneDecimal(-0.04), "0.0");
}

TEST(VariantValue, EmptyNumberAndTextReadLeniently) {
    EXPECT_TRUE(Variant().isEmpty());
    EXPECT_EQ(Variant().toNumber(), 0);
    EXPECT_EQ(Variant("65 units").toNumber(), 65);
    EXPECT_EQ(Variant("x").toNumber(), 0);
    EXPECT_EQ(Variant(1.5).toText(), "1.5");
    EXPECT_EQ(Variant("1"), Variant("1"));
    EXPECT_FALSE(Variant("1") == Variant(1.0));
}

TEST(TextFiles, WritesCrLfWholeAndReadsEveryLineEnd) {
    test::TempFolder folder;
    const auto file = folder.path() / "NS.ini";
    ASSERT_TRUE(files::writeLines(file, {"0", " 1", "\"x\""}));
    EXPECT_EQ(bytesOf(file), "0\r\n 1\r\n\"x\"\r\n");
    // Replacing leaves no temporary file beside it.
    ASSERT_TRUE(files::writeLines(file, {"2"}));
    EXPECT_EQ(bytesOf(file), "2\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);

    writeBytes(file, "a\r\nb\nc\rd");
    EXPECT_EQ(*files::readLines(file), (std::vector<std::string>{"a", "b", "c", "d"}));
    writeBytes(file, "");
    EXPECT_TRUE(files::readLines(file)->empty());
    EXPECT_FALSE(files::readFirstLine(file));
    EXPECT_FALSE(files::readLines(folder.path() / "missing.ini"));

    ASSERT_TRUE(files::appendLines(file, {"row 1"}));
    ASSERT_TRUE(files::appendLines(file, {"row 2"}));
    EXPECT_EQ(bytesOf(file), "row 1\r\nrow 2\r\n");
}

TEST(TextFiles, AFailedWriteKeepsTheOldFileAndSaysWhy) {
    test::TempFolder folder;
    const auto file = folder.path() / "status.ini";
    ASSERT_TRUE(files::writeLines(file, {"3"}));
    std::string why;
    EXPECT_FALSE(files::writeLines(folder.path() / "no-such-folder" / "status.ini", {"4"}, &why));
    EXPECT_FALSE(why.empty());
    // A folder standing where the file should be cannot be replaced.
    std::filesystem::create_directories(folder.path() / "blocked.ini" / "inner");
    EXPECT_FALSE(files::writeLines(folder.path() / "blocked.ini", {"x"}, &why));
    EXPECT_EQ(bytesOf(file), "3\r\n");
}

TEST(TextFiles, ListInputDropsQuotesAndBlanksAndSplitsAtCommas) {
    test::TempFolder folder;
    const auto file = folder.path() / "Name.inc";
    writeBytes(file, "\"marigold\"\r\n\"juniper\"\r\n");
    EXPECT_EQ(*files::readListItems(file), (std::vector<std::string>{"marigold", "juniper"}));
    writeBytes(file, "  1.23 , 1\r\n\"a, b\"  \r\n\"\"\r\n 7");
    EXPECT_EQ(*files::readListItems(file),
              (std::vector<std::string>{"1.23", "1", "a, b", "", "7"}));
    writeBytes(file, "\" keep blanks \"\r\n");
    EXPECT_EQ(files::readListItems(file)->front(), " keep blanks ");
}

TEST(TextFiles, OnlyRegularFilesAreReadAndOnlyTheLinesWithinTheLimit) {
    test::TempFolder folder;
    const auto file = folder.path() / "NS.ini";
    // 9-byte lines: the limit falls inside the 456th, which is left out with all after it.
    std::string big;
    while (big.size() < 10000)
        big += "\"1234\"\r\n ";
    writeBytes(file, big);
    std::string refused;
    const auto items = files::readListItems(file, files::kConfigLimit, &refused);
    ASSERT_TRUE(items);
    EXPECT_EQ(items->size(), 455u);
    EXPECT_EQ(items->back(), "1234");
    EXPECT_EQ(refused, "holds 10008 bytes, more than 4096: only the lines within its first 4096 "
                       "are read");
    writeBytes(file, std::string(5000, 'x')); // one line past the limit: nothing of it
    EXPECT_TRUE(files::readLines(file, files::kConfigLimit, &refused)->empty());
    writeBytes(file, "2\r\n");
    EXPECT_EQ(files::readFirstLine(file, files::kConfigLimit, &refused), "2");
    EXPECT_EQ(refused, "");

    // What is no regular file is refused without waiting: with the station's own readers in
    // Startup.WhatIsNoFileOrFarTooLargeIsRefusedWithoutWaitingAndTheDefaultsServe.
    std::filesystem::create_directories(folder.path() / "folder.ini");
    EXPECT_FALSE(files::readLines(folder.path() / "folder.ini", files::kConfigLimit, &refused));
    EXPECT_EQ(refused, "is a folder, not a regular file: not read");
}

} // namespace
} // namespace orbek
