#pragma once

#include <QObject>

#include <cstdint>

// The program's event pump, handed to the time client engine for as long as this object lives: during
// an exchange the engine calls it between its short waits, so timers, painting and menus keep running,
// and a request to quit the program ends the exchange's wait (the request itself stays with Qt).
class TEnginePump final : public QObject {
    Q_OBJECT
public:
    TEnginePump();
    ~TEnginePump() override;

    bool QuitRequested() const { return Quit; }
    // The engine's entry: serves the pending events; non-zero once the program was asked to quit.
    static int32_t Pump(void* pump);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Quit = false;
};
