#pragma once

#include <QString>

#include <ostream>

// Lets test failures show texts instead of bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
