#include "MessageBoxErrorReporter.h"

#include <QApplication>
#include <QMessageBox>

void TMessageBoxErrorReporter::ShowError(const std::string& message)
{
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                          QString::fromStdString(message));
}
