#include "support/TestRole.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// A plain application object for the tests of the core rooms (invoice, the print settings
// model): their timers and files need one, and they link no Qt Gui.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool asked = false;
    const int role = RunAskedTestRole(asked);
    if (asked)
        return role;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
