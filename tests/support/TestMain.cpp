#include <QApplication>
#include <gmock/gmock.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Tests never need a display.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
