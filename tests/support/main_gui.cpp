#include "support/TestRole.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool asked = false;
    const int role = RunAskedTestRole(asked);
    if (asked)
        return role;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
