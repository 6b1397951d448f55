#pragma once

#include "platform/IResolver.h"

#include <QObject>

#include <memory>
#include <optional>

// Each lookup runs getaddrinfo on a thread of its own, which is let go rather than joined: a name server
// that does not answer must not hold the window, nor the program's end. The answer is posted back to this
// object's thread; once the object is gone, a late answer is dropped.
class TThreadResolver final : public QObject, public IResolver {
    Q_OBJECT
public:
    TThreadResolver();
    ~TThreadResolver() override;

    void SetAnswerHandler(TAnswer handler) override { Handler = std::move(handler); }
    void Resolve(const std::string& name) override;
    bool Busy() const override { return Running; }

    // getaddrinfo's result as the answer's error number.
    static int32_t ErrorNumber(int getaddrinfoResult);

private:
    struct TShared;
    void Start(const std::string& name);
    void Answered(const std::string& name, const std::string& address, int32_t errorCode);

    std::shared_ptr<TShared> Shared;
    TAnswer Handler;
    bool Running = false;
    std::optional<std::string> Next;
};
