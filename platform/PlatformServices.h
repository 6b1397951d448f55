#pragma once

class IClock;
class IClipboard;
class IConsole;
class IIpHelper;

// The platform services a form works with, handed in when it is built. Nothing in the program reaches a
// platform service any other way, so tests hand in doubles.
struct TPlatformServices {
    IClock& Clock;
    IClipboard& Clipboard;
    IIpHelper& IpHelper;
    // Receives the status log and the status lines; a silent console when a display shows them.
    IConsole& Console;
};
