// Talking to the simulated card's driver from a Windows program: the
// diagnostic requests behind cardctl and the tests.
#pragma once
#include <windows.h>

#include "cardmodel.h"

class CardClient {
public:
    CardClient()
        : handle_(CreateFileA("\\\\.\\zintrel.vxd", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL))
    {
    }
    ~CardClient()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    CardClient(const CardClient &) = delete;
    CardClient &operator=(const CardClient &) = delete;

    bool Ok() const { return handle_ != INVALID_HANDLE_VALUE; }

    bool Reset() { return Send(CARDSIM_RESET, NULL, 0, NULL, 0); }
    bool SetState(const CardState &state)
    {
        return Send(CARDSIM_SET_STATE, (void *)&state, sizeof state, NULL, 0);
    }
    bool GetState(CardState *state) { return Send(CARDSIM_GET_STATE, NULL, 0, state, sizeof *state); }
    bool GetStats(CardStats *stats) { return Send(CARDSIM_GET_STATS, NULL, 0, stats, sizeof *stats); }
    bool ClearStats() { return Send(CARDSIM_CLEAR_STATS, NULL, 0, NULL, 0); }
    bool SetFaults(uint32_t mask, uint32_t count)
    {
        CardFaults faults = {mask, count};
        return Send(CARDSIM_SET_FAULTS, &faults, sizeof faults, NULL, 0);
    }
    bool SetQuirks(bool ignoreWrites, uint32_t dividerCap)
    {
        CardQuirks quirks = {ignoreWrites, dividerCap};
        return Send(CARDSIM_SET_QUIRKS, &quirks, sizeof quirks, NULL, 0);
    }
    // The card as it is now, quirks and all, is what it starts as from now
    // on, after a restart too; Reset forgets it.
    bool Keep() { return Send(CARDSIM_KEEP, NULL, 0, NULL, 0); }

private:
    bool Send(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize)
    {
        DWORD returned = 0;
        return Ok() && DeviceIoControl(handle_, code, in, inSize, out, outSize, &returned, NULL);
    }

    HANDLE handle_;
};
