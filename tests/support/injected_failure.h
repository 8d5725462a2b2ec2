// A call a test makes fail: after `after` more successes it returns `result`, every time.
#pragma once

#include "platform/d3d8.h"

namespace fake {

struct InjectedFailure {
    int after = -1;  // -1: never fails
    HRESULT result = D3DERR_INVALIDCALL;

    // Fails from now on with `error`.
    void Now(HRESULT error) { after = 0, result = error; }
    // True when this call is to fail; counts the successes before that.
    bool Strikes() {
        if (after < 0) return false;
        if (after == 0) return true;
        --after;
        return false;
    }
};

}  // namespace fake
