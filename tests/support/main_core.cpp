#include <QGuiApplication>
#include <gtest/gtest.h>

// A GUI application object even for logic tests: fonts, images and painters need one, and
// the offscreen platform keeps it display-free.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
