#pragma once

#include <QString>

#include <cstdint>

// Defaults of the stored fields, used when nothing has been stored yet.
inline constexpr int64_t DefaultMaxGraph = 25600;
inline constexpr int64_t DefaultMinGraph = 0;
inline constexpr int64_t DefaultSynchronizeTimeInterval = 7200;
inline constexpr const char* DefaultNotAvailable = "N/A";
inline constexpr const char* DefaultSynchronizeTimeServer = "time.nist.gov";
inline constexpr const char* DefaultSynchronizeTimeProtocol = "RFC868";
// Most public time servers and home routers speak only NTP: its own default is a public pool.
inline constexpr const char* DefaultNtpTimeServer = "pool.ntp.org";

// The main window's shared state. Byte counts are octets, durations whole seconds, ticks milliseconds.
// Every field starts at its zero value; start-up loads the stored ones.
struct MonitorState {
    // Sampling anchors, all 0 while offline.
    int64_t OnlineTick = 0;
    int64_t SentAtOnline = 0;
    int64_t RecvAtOnline = 0;
    int64_t PrevTick = 0;
    int64_t PrevSent = 0;
    int64_t PrevRecv = 0;

    // The current connection while online, the last finished one while offline.
    QString LastOnLine;
    QString LastOffLine;
    QString LastConn;
    int64_t LastSpeed = 0;
    int64_t LastSent = 0;
    int64_t LastRecv = 0;
    int64_t LastDuration = 0;

    // Finished connections since the last reset; never includes the running one.
    int64_t TotalSent = 0;
    int64_t TotalRecv = 0;
    int64_t TotalDuration = 0;

    int64_t MaxGraph = 0;
    int64_t MinGraph = 0;
    bool Online = false;
    QString SynchronizeTimeServer;
    int64_t SynchronizeTimeInterval = 0;
    QString SynchronizeTimeProtocol; // "RFC868" or "NTP"
    // The adapter choice as stored ("", "default-route", "all-physical" or an interface's name): kept as
    // it was read, so that a text this version cannot use goes back unchanged.
    QString Adapter;
};
