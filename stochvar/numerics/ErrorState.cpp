#include <stochvar/numerics/ErrorState.h>

#include <stochvar/numerics/DiagnosticCapture.h>

namespace stochvar {

namespace {

thread_local SErrorState t_ErrState;

} // namespace

int ErrState(int nSlot, int nValue, bool bStore) {
    if (nSlot < 0 || nSlot > 2) {
        return 0;
    }
    const int nOld = t_ErrState.nSlots[nSlot];
    if (bStore) {
        t_ErrState.nSlots[nSlot] = nValue;
    }
    return nOld;
}

SErrorState GetErrorState() { return t_ErrState; }

void SetErrorState(const SErrorState& state) { t_ErrState = state; }

void ENTSRC(int& nOldMode, int nNewMode) {
    if (nNewMode != 0 && nNewMode != 1 && nNewMode != 2) {
        PrintDiagnostic("ENTSRC:  Illegal value of IrNew\n");
    }
    nOldMode = ErrState(ERRSTATE_RECOVERY_MODE, nNewMode, nNewMode != 0);
    if (ErrState(ERRSTATE_ERROR_NUMBER, 0, false) != 0) {
        PrintDiagnostic("ENTSRC - Called while in an error state\n");
    }
}

} // namespace stochvar
