#include "app/QorvixApplication.h"

#include "doubles/PlatformDoubles.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class TThrowingObject : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User) throw std::runtime_error("Integer overflow");
        return QObject::event(event);
    }
};

TEST(QorvixApplication, AnExceptionLeavingAHandlerIsShownAndTheProgramGoesOn)
{
    auto* application = qobject_cast<TQorvixApplication*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);
    TRecordingErrorReporter reporter;
    application->SetErrorReporter(&reporter);

    TThrowingObject receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::processEvents();

    application->SetErrorReporter(nullptr);
    ASSERT_EQ(reporter.Messages.size(), 2u);
    EXPECT_EQ(reporter.Messages[0], "Integer overflow");
}

} // namespace
