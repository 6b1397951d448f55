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

    // Start-up resolves the time server's name; a test window asks for none outside the machine.
    TTestPlatform()
    {
        const std::string server = "127.0.0.1";
        TRegValue value{REG_SZ, std::vector<uint8_t>(server.begin(), server.end())};
        value.Data.push_back(0);
        Registry.OpenKey("Software\\Velmar Software\\Quorvel\\Option", true)->SetValue("SynchronizeTimeServer", value);
    }

    TPlatformServices Services()
    {
        return TPlatformServices{Clock, Clipboard, IpHelper, Registry, TextFiles, ProgramPath, Console};
    }
};
