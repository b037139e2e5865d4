#pragma once

// The error-state store of the special functions and the entry into an error-recovery mode.
// Every thread has a store of its own, all slots 0 when the thread starts, so special functions
// may run on several threads at once. A thread that hands work to others gives each its own
// state to start from and takes back what the work left (see SErrorState).

namespace stochvar {

// Slots of the error-state store; every slot is 0 when the library is loaded.
inline constexpr int ERRSTATE_ERROR_NUMBER = 1;
inline constexpr int ERRSTATE_RECOVERY_MODE = 2;

// Returns the old value of slot nSlot (0, 1 or 2) and stores nValue there when bStore is true.
// Any other slot number reads as 0 and stores nothing.
int ErrState(int nSlot, int nValue, bool bStore);

// Enters the error-recovery mode nNewMode (0 keeps the current mode; 1 and 2 are modes; any other
// value is reported and still stored). nOldMode receives the mode in force before the call.
void ENTSRC(int& nOldMode, int nNewMode);

// The three slots of the calling thread's store, to hand to a worker thread and back.
struct SErrorState {
    int nSlots[3] = {0, 0, 0};
    bool operator==(const SErrorState&) const = default;
};
SErrorState GetErrorState();
void SetErrorState(const SErrorState& state);

} // namespace stochvar
