#include <QCoreApplication>
#include <QLocale>

#include <ctime>

#include <gtest/gtest.h>

// The window-free logic needs an event loop for its timers but no display; texts are checked under a
// fixed English locale and time zone.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    qputenv("TZ", "UTC");
    tzset();
    QCoreApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return RUN_ALL_TESTS();
}
