#pragma once

#include "MyReg.h"

// Groups the settings writes of one scope into one update of the storage, made when the scope ends, so
// that a crash keeps the whole group or none of it. Scopes nest: the outermost one writes.
class TRegBatch {
public:
    explicit TRegBatch(TMyReg& reg) : Reg(reg) { Reg.BeginUpdate(); }
    ~TRegBatch() { Reg.EndUpdate(); }
    TRegBatch(const TRegBatch&) = delete;
    TRegBatch& operator=(const TRegBatch&) = delete;

private:
    TMyReg& Reg;
};
