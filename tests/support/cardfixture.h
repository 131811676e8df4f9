// The simulated card as tests see it: a client, a known starting state and
// readable views of the registers the clock engine touches.
#pragma once
#include <gtest/gtest.h>

#include "cardclient.h"
#include "winsupport.h"

namespace testing_support {

struct Dividers {
    unsigned r, m, n, top;
};

inline Dividers ReadDividers(const CardState &card)
{
    uint32_t d = card.pll[10];
    return {d & 0xFF, d >> 8 & 0xFF, d >> 16 & 0xFF, d >> 24};
}

// BIOS PLL block words in 0.01 MHz, at the place the default image keeps it.
inline void SetBiosClocks(CardState *card, uint16_t reference, uint16_t floor, uint16_t ceiling)
{
    uint8_t *bios = card->bios;
    unsigned header = bios[0x48] | bios[0x49] << 8;
    unsigned block = bios[header + 0x30] | bios[header + 0x31] << 8;
    const struct {
        int offset;
        uint16_t word;
    } words[] = {{14, reference}, {18, floor}, {22, ceiling}};
    for (const auto &w : words) {
        bios[block + w.offset] = (uint8_t)w.word;
        bios[block + w.offset + 1] = (uint8_t)(w.word >> 8);
    }
}

inline void SetDividers(CardState *card, unsigned r, unsigned m, unsigned n)
{
    card->pll[10] = (card->pll[10] & 0xFF000000u) | n << 16 | m << 8 | r;
}

// Stands in for DeviceIoControl (patched into a module's imports) to count
// the requests a module would have sent; it refuses each one.
inline int g_deviceRequests;
inline BOOL WINAPI CountDeviceRequest(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                      LPOVERLAPPED)
{
    ++g_deviceRequests;
    return FALSE;
}

// Every test starts from the default card with no settings in the
// registry and fresh request counts.
class CardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
        ASSERT_TRUE(card_.Ok()) << "the simulated card is not running";
        ASSERT_TRUE(card_.Reset());
        CardDefaultState(&initial_);
    }
    void TearDown() override
    {
        card_.SetFaults(0, 0);
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Vantrel");
    }

    CardState State()
    {
        CardState state;
        EXPECT_TRUE(card_.GetState(&state));
        return state;
    }
    CardStats Stats()
    {
        CardStats stats;
        EXPECT_TRUE(card_.GetStats(&stats));
        return stats;
    }
    void Load(const CardState &state) { ASSERT_TRUE(card_.SetState(state)); }

    CardClient card_;
    CardState initial_;
};

}  // namespace testing_support
