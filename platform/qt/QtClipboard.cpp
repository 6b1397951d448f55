#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

void TQtClipboard::SetText(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text), QClipboard::Clipboard);
}
