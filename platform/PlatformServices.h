#pragma once

class IClock;
class IClipboard;
class IConsole;
class IIpHelper;
class IRegistry;
class ITextFiles;

#include <string>

// The platform services a form works with, handed in when it is built. Nothing in the program reaches a
// platform service any other way, so tests hand in doubles.
struct TPlatformServices {
    IClock& Clock;
    IClipboard& Clipboard;
    IIpHelper& IpHelper;
    IRegistry& Registry;
    ITextFiles& TextFiles;
    // The program's own file: the history file lives beside it.
    std::string ProgramPath;
    // Receives the status log and the status lines; a silent console when a display shows them.
    IConsole& Console;
};
