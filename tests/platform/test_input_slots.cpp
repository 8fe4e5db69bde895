// Trays by meaning: InputSlot choices as real drivers name them, read as tray codes.

#include "platform/widgets/InputSlots.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(InputSlots, RealWorldChoicesMeanTheirTray)
{
    const struct {
        QString Choice, Text;
        int Code;
        const char *Why;
    } rows[] = {
        { u"Auto"_s, u"Automatic Selection"_s, 7, "CUPS and most drivers" },
        { u"AutoSelect"_s, u"Auto Select"_s, 7, "Ricoh, Kyocera" },
        { u"Default"_s, u"Printer Default"_s, 7, "Gutenprint and generic PPDs" },
        { u"Manual"_s, u"Manual Feed"_s, 4, "CUPS's own drivers" },
        { u"ManualFeed"_s, u"Manual Feed Tray"_s, 4, "HP" },
        { u"MPTray"_s, u"MP Tray"_s, 4, "Kyocera's multi-purpose tray feeds by hand" },
        { u"Bypass"_s, u"Bypass Tray"_s, 4, "Ricoh" },
        { u"Tractor"_s, u"Tractor"_s, 8, "Epson dot-matrix" },
        { u"Continuous"_s, u"Continuous Form"_s, 8, "fanfold paper by another name" },
        { u"PushTractor"_s, u"Rear Push Tractor"_s, 8, "OKI" },
        { u"Upper"_s, u"Upper Tray"_s, 1, "Windows-style names" },
        { u"Tray1"_s, u"Tray 1"_s, 1, "HP, Brother" },
        { u"Tray2"_s, u"Tray 2"_s, 2, "" },
        { u"Lower"_s, u"Lower Cassette"_s, 2, "the keyword wins over the text" },
        { u"Tray3"_s, u"Tray 3"_s, 3, "" },
        { u"Middle"_s, u"Middle Tray"_s, 3, "" },
        { u"Tray12"_s, u"Tray 12"_s, 0, "tray 12 is not tray 1" },
        { u"1"_s, u"Tray 1"_s, 1, "a bare number: the text tells" },
        { u"Envelope"_s, u"Envelope Feeder"_s, 5, "" },
        { u"EnvFeed"_s, u"Envelope Feeder"_s, 5, "abbreviated keyword" },
        { u"ManualEnvelope"_s, u"Manual Envelope"_s, 6, "not the plain manual feed" },
        { u"EnvManual"_s, u"Envelope Manual Feed"_s, 6, "" },
        { u"LargeCapacity"_s, u"Large Capacity Tray"_s, 11, "" },
        { u"LCT"_s, u"Large Capacity Tray"_s, 11, "Ricoh's abbreviation" },
        { u"Cassette"_s, u"Cassette"_s, 14, "" },
        { u"Cassette2"_s, u"Cassette 2"_s, 14, "" },
        { u"SmallFormat"_s, u"Small Format"_s, 9, "" },
        { u"LargeFormat"_s, u"Large Format"_s, 10, "" },
        { u"Rear"_s, u"Rear Slot"_s, 0, "nothing we know" },
        { u"Tray4"_s, u"Tray 4"_s, 0, "no tray code for a fourth tray" },
    };
    for (const auto &r : rows)
        EXPECT_EQ(TrayCodeOfInputSlot({ r.Choice, r.Text }), r.Code)
            << r.Choice.toStdString() << ": " << r.Why;
}

TEST(InputSlots, TheFirstChoiceOfTheTrayIsTaken)
{
    const std::vector<TInputSlot> queue = { { u"Auto"_s, u"Automatic"_s },
        { u"Tray1"_s, u"Tray 1"_s }, { u"Upper"_s, u"Upper"_s }, { u"Tractor"_s, u"Tractor"_s } };
    EXPECT_EQ(FindInputSlot(queue, 1), 1) << "two choices mean tray 1: the first";
    EXPECT_EQ(FindInputSlot(queue, 8), 3);
    EXPECT_EQ(FindInputSlot(queue, 7), 0);
    EXPECT_EQ(FindInputSlot(queue, 4), -1) << "no manual feed: not applied";
    EXPECT_EQ(FindInputSlot({}, 7), -1) << "a queue without trays";
}
