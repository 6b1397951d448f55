#pragma once

#include "SocketHandle.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The host's event pump: called once per wait step, so that the host's events keep being served while an
// exchange waits. It answers non-zero when the host was asked to quit; the quit request stays with the host.
using TEventPump = int32_t (*)(void* userData);

// One UDP socket with its endpoints, receive buffer, time-out and error texts. The waits serve the host's
// events through the registered pump and read the socket as soon as data arrives.
class TDatagramPort {
public:
    TDatagramPort();
    virtual ~TDatagramPort();
    TDatagramPort(const TDatagramPort&) = delete;
    TDatagramPort& operator=(const TDatagramPort&) = delete;

    // The codes of the misuses the port refuses, with their texts in LastErrorText.
    enum class TRefusal : int32_t {
        AlreadyActive = 104,
        LocalHostWhileActive = 107,
        NotActive = 109,
        PacketSizeWhileActive = 112,
        RemoteHostWhileConnected = 114,
        RemotePortWhileConnected = 115,
        ConnectionWithoutPort = 116,
        UseConnectionWhileActive = 117,
    };

    // One pump for every port of the process (null removes it): the C interface registers it without a handle.
    static void SetEventPump(TEventPump pump, void* userData);

    int32_t LastErrorCode = 0;
    std::string LastErrorText;

    int32_t SetRemoteHost(const std::string& host);
    std::string RemoteHost();
    int32_t SetRemotePort(int32_t port);
    uint16_t RemotePort() const { return RemotePortNumber; }
    int32_t SetLocalHost(const std::string& host);
    std::string LocalHost();
    int32_t SetUseConnection(bool value);
    bool Active() const { return Socket.Valid(); }
    int32_t SetActive(bool active);
    int32_t Send(const void* data, std::size_t length);

    // Milliseconds; 0 means no time-out. Setting it clears the running deadline.
    void SetTimeoutMs(int64_t milliseconds);
    int64_t TimeoutMs() const { return Timeout; }
    void StartDeadline();
    void RequestInterrupt() { InterruptRequested = true; }
    // One wait of at most maxPauseMs: false when the wait must end (interrupt, quit, time-out).
    bool WaitStep(int maxPauseMs);

    // Reads ("Name") or changes ("Name=value") one setting; the read's text goes to result.
    int32_t Config(const std::string& setting, std::string& result);

    // "[code] text" from the socket error table into the error text; the code is kept.
    void BuildSocketErrorText(int32_t code);

protected:
    virtual int32_t DatagramReceived(const uint8_t* data, std::size_t length, const std::string& sourceAddress,
                                     uint16_t sourcePort) = 0;
    virtual int32_t ErrorOccurred(int32_t code, const std::string& description) = 0;

    // The refusal's code, its text in LastErrorText.
    int32_t Refuse(TRefusal refusal);

    // While set, sending and receiving leave the running deadline alone: an exchange's deadline is fixed
    // when it starts, so datagrams that are not an answer cannot keep it waiting.
    bool DeadlineHeld = false;

private:
    int32_t Activate();
    int32_t Deactivate();
    int32_t Receive(bool drain);
    void OnReadable();
    bool ConsumeInterrupt();
    int32_t Resolve(const std::string& host, uint32_t& address);
    void ApplyBufferSizes(int fd);

    TSocketHandle Socket;
    bool HoldsLibrary = false;
    uint32_t RemoteAddress = 0; // network byte order; 0 for none
    uint16_t RemotePortNumber = 0;
    uint32_t LocalAddress = 0;
    bool UseConnection = false;
    bool ShareLocalPort = false;
    int32_t InBufferSize = 32768;
    int32_t OutBufferSize = 32768;
    int32_t QosFlags = 0;
    bool AbsoluteTimeout = false;
    int32_t CodePage = 0;
    std::vector<uint8_t> Buffer;
    int64_t Timeout = 0;
    int64_t Deadline = 0;
    bool InterruptRequested = false;
    bool WasInterrupted = false;
    bool InReceive = false;
    bool ClosePending = false;
};
