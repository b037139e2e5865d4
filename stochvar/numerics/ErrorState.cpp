#include <stochvar/numerics/ErrorState.h>

#include <cstdio>

namespace stochvar {

namespace {

int g_nErrState[3] = {0, 0, 0};

} // namespace

int ErrState(int nSlot, int nValue, bool bStore) {
    if (nSlot < 0 || nSlot > 2) {
        return 0;
    }
    const int nOld = g_nErrState[nSlot];
    if (bStore) {
        g_nErrState[nSlot] = nValue;
    }
    return nOld;
}

void ENTSRC(int& nOldMode, int nNewMode) {
    if (nNewMode != 0 && nNewMode != 1 && nNewMode != 2) {
        std::printf("ENTSRC:  Illegal value of IrNew\n");
    }
    nOldMode = ErrState(ERRSTATE_RECOVERY_MODE, nNewMode, nNewMode != 0);
    if (ErrState(ERRSTATE_ERROR_NUMBER, 0, false) != 0) {
        std::printf("ENTSRC - Called while in an error state\n");
    }
}

} // namespace stochvar
