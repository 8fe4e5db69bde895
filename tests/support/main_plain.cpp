#include <QCoreApplication>
#include <gtest/gtest.h>

// A plain application object for the tests of the core rooms (invoice, the print settings
// model): their timers and files need one, and they link no Qt Gui.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
