#pragma once

#include "FakeIpHelper.h"
#include "MemoryRegistry.h"
#include "PlatformDoubles.h"

#include "platform/linux/PosixTextFiles.h"

// Every platform service of the main window as a double, except the files, which are real files in a
// folder of the test's choosing.
struct TTestPlatform {
    TFakeClock Clock;
    TRecordingClipboard Clipboard;
    TFakeIpHelper IpHelper;
    TMemoryRegistry Registry;
    TPosixTextFiles TextFiles;
    TRecordingConsole Console;
    std::string ProgramPath = "/nonexistent/quorvel-test/qorvix";

    TPlatformServices Services()
    {
        return TPlatformServices{Clock, Clipboard, IpHelper, Registry, TextFiles, ProgramPath, Console};
    }
};
