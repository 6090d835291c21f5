// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The common base of the objects that wrap DirectX interfaces (the DirectDraw objects of the
// engine and the DirectSound objects of the sound layer): the result of the last call made
// through the object, and the check a non-zero result runs.
#include "platform/Exception.h"

#include <cstdint>

using HRESULT = std::int32_t;

class EDirectXError : public Exception {
public:
    using Exception::Exception;
};

class TDirectX {
public:
    TDirectX() = default;
    virtual ~TDirectX() = default;
    TDirectX(const TDirectX&) = delete;
    TDirectX& operator=(const TDirectX&) = delete;

    HRESULT LastResult() const { return lastResult_; }
    // Stores the result of a call; a non-zero result runs CheckResult.
    void SetLastResult(HRESULT result) {
        lastResult_ = result;
        if (result != 0)
            CheckResult();
    }

protected:
    virtual void CheckResult() {}

private:
    HRESULT lastResult_ = 0;
};
