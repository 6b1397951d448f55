/*
 * The time client engine: RFC 868 or NTP in client mode (SNTP) over UDP behind a flat C interface.
 *
 * An instance is created with NetClock_Create and addressed by its handle. Properties are read and written
 * by id with NetClock_Get / NetClock_Set, methods run by id with NetClock_Do. Errors are returned as codes
 * (0 is success) and described by NetClock_GetLastError. Texts handed out by the engine stay valid until
 * the next call on the same instance. Everything runs on the calling thread; during a time exchange the
 * engine calls the event pump registered with NetClock_SetEventPump, so the host's events keep being
 * served.
 *
 * Units: Timeout in seconds; TimePort a UDP port number; times in universal time (ServerTime,
 * "MM/DD/YYYY hh:mm:ss GMT") and local time (LocalTime, "MM/DD/YYYY hh:mm:ss"), in whole seconds with
 * either protocol. The wire format is chosen by Protocol:
 *  - RFC 868, the Time Protocol (the default): the request is the five bytes "time?", the answer's first
 *    four bytes are the seconds since 1900-01-01 00:00:00 UTC, most significant byte first.
 *  - NTP (RFC 5905 client mode, as RFC 4330 describes it): one 48-byte request of version 4, mode 3,
 *    whose transmit timestamp is a random nonce. Only a reply from the server's address and port counts,
 *    and only if it is at least 48 bytes, of mode 4, echoes the nonce as its origin timestamp, has a
 *    stratum of 1 to 15, a leap indicator other than 3 and a transmit timestamp other than zero; any
 *    other datagram is ignored and the exchange waits on until its time-out. The clock's offset is
 *    ((T2 - T1) + (T3 - T4)) / 2; the era of the 32-bit seconds (which wrap in 2036) is the one nearest
 *    to the local clock. A reply of stratum 0 with the kiss code DENY, RSTR or RATE ends the exchange
 *    with 120, and the engine instance never sends to that server address and port again.
 */
#ifndef QUORVEL_NETCLOCK_H
#define QUORVEL_NETCLOCK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define NETCLOCK_EXPORT __attribute__((visibility("default")))

/* Property ids for NetClock_Get / NetClock_Set. */
enum {
    NETCLOCK_PROP_IDLE = 1,       /* Get: 1 when no exchange runs, else 0 */
    NETCLOCK_PROP_LOCALHOST = 2,  /* text: local address to bind to; Get gives the bound address or host name */
    NETCLOCK_PROP_LOCALTIME = 3,  /* Get: text, the last answer in local time; empty until one arrived */
    NETCLOCK_PROP_SERVERTIME = 4, /* Get: text, the last answer in universal time; empty until one arrived */
    NETCLOCK_PROP_TIMEOUT = 5,    /* seconds an exchange waits for the answer; 0 waits without limit (default 60) */
    NETCLOCK_PROP_TIMEPORT = 6,   /* the server's UDP port; until it is set, 37 with RFC 868 and 123 with NTP */
    NETCLOCK_PROP_TIMESERVER = 7, /* text: the server's host name or dotted address; Get gives the dotted address */
    NETCLOCK_PROP_PROTOCOL = 8,   /* a NETCLOCK_PROTOCOL_ value (default RFC 868), used from the next exchange */
    /* Get only, signed 64-bit nanoseconds (as the intptr_t result of a 64-bit build) of the last QueryTime or
     * SynchronizeClock that got an answer, 0 until one did; an exchange without an answer leaves them. */
    NETCLOCK_PROP_OFFSET_NS = 9,    /* what to add to the local clock to agree with the server, measured before
                                       any setting. NTP: ((T2 - T1) + (T3 - T4)) / 2. RFC 868: the server's
                                       whole second minus the local clock when the answer arrived */
    NETCLOCK_PROP_ROUNDTRIP_NS = 10 /* NTP: (T4 - T1) - (T3 - T2); RFC 868: from the request's sending to the
                                       answer's arrival */
};

/* Values of NETCLOCK_PROP_PROTOCOL. */
enum {
    NETCLOCK_PROTOCOL_RFC868 = 0, /* the Time Protocol */
    NETCLOCK_PROTOCOL_NTP = 1     /* the Network Time Protocol in client mode */
};

/* Method ids for NetClock_Do. */
enum {
    NETCLOCK_METHOD_CONFIG = 1,           /* params[0]: "Name" or "Name=value"; params[1] receives the result text */
    NETCLOCK_METHOD_PROCESSEVENTS = 2,    /* one wait step of 20 milliseconds */
    NETCLOCK_METHOD_SYNCHRONIZECLOCK = 3, /* ask the server and set the system clock */
    NETCLOCK_METHOD_QUERYTIME = 4,        /* ask the server only */
    NETCLOCK_METHOD_INTERRUPT = 5         /* end the exchange in progress with 301 */
};

/* Event ids passed to the callback. */
enum {
    NETCLOCK_EVENT_ERROR = 1 /* params[0]: error code; params[1]: const char* description; lengths all 0 */
};

/* The host's callback for events: the user data given to NetClock_Create, the event id and its parameters.
 * Its result is ignored. */
typedef int32_t (*NetClockEventCallback)(void* userData, int32_t eventId, int32_t paramCount, intptr_t* params,
                                         int32_t* paramLengths);

/* The host's event pump, called once per wait step (at most every 10 milliseconds during an exchange).
 * It serves the host's pending events and returns non-zero when the host was asked to quit; the wait then
 * ends, and the quit request is left for the host. */
typedef int32_t (*NetClockEventPump)(void* userData);

/* Module set-up and tear-down; the library's own load and unload routines call them. Return 0. */
NETCLOCK_EXPORT int32_t NetClock_StaticInit(void* moduleInstance);
NETCLOCK_EXPORT int32_t NetClock_StaticDestroy(void);

/* A new instance, or 0 when memory is exhausted. A null callback drops events; reserved must be null. */
NETCLOCK_EXPORT intptr_t NetClock_Create(NetClockEventCallback callback, void* userData, void* reserved);
/* Releases an instance (closing its socket); a 0 handle is ignored. Returns 0. */
NETCLOCK_EXPORT int32_t NetClock_Destroy(intptr_t handle);

/* A property's value: a const char* for the text properties (2, 3, 4, 7), else the number (9 and 10 are
 * read-only); 0 for an unknown id. index and reserved are ignored. */
NETCLOCK_EXPORT intptr_t NetClock_Get(intptr_t handle, int32_t propertyId, int32_t index, intptr_t reserved);
/* Sets property 2, 5, 6, 7 or 8 (value: a const char* for 2 and 7, else the number). Returns 0 or an error
 * code; 121 for a protocol that is not a NETCLOCK_PROTOCOL_ value (the protocol stays as it was); -1 for
 * any other id, leaving the last error text as it was. NetClock_GetLastErrorCode is not changed. Once
 * TimePort is set it stays as set whatever the protocol. */
NETCLOCK_EXPORT int32_t NetClock_Set(intptr_t handle, int32_t propertyId, int32_t index, intptr_t value,
                                     int32_t length);
/* Runs a method; returns 0 or an error code: 301 interrupted or timed out, 119 the clock could not be set,
 * 120 the NTP server sent a kiss-o'-death now or earlier (nothing was sent this time; the text names the
 * server and the kiss code), 104-117 misuse of the socket, 10004-11004 socket and resolver errors,
 * 12001-12255 system errors without a socket error number (12000 + errno), -1 unknown Config setting.
 * With RFC 868, SynchronizeClock leaves a clock that already lies within the answer's second (the answer
 * has a resolution of one second) and succeeds. With NTP it steps the clock (clock_settime) when the
 * offset is more than 0.5 seconds either way, else slews it (adjtime). */
NETCLOCK_EXPORT int32_t NetClock_Do(intptr_t handle, int32_t methodId, int32_t paramCount, intptr_t* params,
                                    int32_t* paramLengths);
/* The text of the last error, "" when there is none. */
NETCLOCK_EXPORT const char* NetClock_GetLastError(intptr_t handle);
/* The code of the last NetClock_Do (0 after NetClock_Get). */
NETCLOCK_EXPORT int32_t NetClock_GetLastErrorCode(intptr_t handle);
/* Always 0. */
NETCLOCK_EXPORT int32_t NetClock_CheckIndex(intptr_t handle, int32_t propertyId, int32_t index);

/* Added on this platform: registers the host's event pump for every instance (null removes it). Returns 0. */
NETCLOCK_EXPORT int32_t NetClock_SetEventPump(NetClockEventPump pump, void* userData);

#ifdef __cplusplus
}
#endif

#endif
