#include "app/QorvixApplication.h"

#include <QLocale>

#include <ctime>

#include <gtest/gtest.h>

// Widget tests need the application object; texts are checked under a fixed English locale.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "UTC"); // time stamps are checked as texts
    tzset();
    TQorvixApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return RUN_ALL_TESTS();
}
