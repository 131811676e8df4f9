// cardctl: prints and sets the simulated card's state.
//
//   cardctl show                 clocks, dividers, presets, BIOS PLL block, request counts
//   cardctl reset                back to the default card
//   cardctl pll INDEX VALUE      set a PLL register
//   cardctl reg OFFSET VALUE     set a memory-mapped register
//   cardctl bios OFFSET WORD     set a 16-bit word of the BIOS image
//   cardctl fail KINDS COUNT     refuse COUNT requests of the kinds in the KINDS bit mask
//                                (1 read reg, 2 write reg, 4 read PLL, 8 write PLL, 16 read BIOS;
//                                COUNT -1 refuses all of them until "fail 0 0")
//   cardctl writes taken         the card takes writes as written (as it starts)
//   cardctl writes ignored       the card answers writes as done and changes nothing
//   cardctl writes capped N      PLL 10 takes no core or memory divider above N
//   cardctl keep                 the card starts as it is now whenever its driver
//                                starts, after a restart too, until "reset"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "cardclient.h"

namespace {

unsigned Word(const uint8_t *at)
{
    return at[0] | at[1] << 8;
}

const char *TimingName(uint32_t value)
{
    switch (value & 0xF0FF) {
    case 0x307F: return "Slow";
    case 0x306A: return "Medium";
    case 0x206A: return "Fast";
    }
    return "undetermined";
}

const char *LatencyName(uint32_t value)
{
    switch (value) {
    case 0x7FFFF1FF: return "Fast";
    case 0x44334244: return "Medium";
    }
    return "undetermined";
}

void Show(const CardState &card, const CardStats &stats)
{
    const uint8_t *bios = card.bios;
    unsigned header = Word(bios + 0x48);
    unsigned block = header + 0x30 + 2 <= CARDSIM_BIOS_BYTES ? Word(bios + header + 0x30) : 0;
    double reference = 0, floor = 0, ceiling = 0;
    if (block + 24 <= CARDSIM_BIOS_BYTES) {
        reference = Word(bios + block + 14) / 100.0;
        floor = Word(bios + block + 18) / 100.0;
        ceiling = Word(bios + block + 22) / 100.0;
    }
    uint32_t dividers = card.pll[10];
    unsigned r = dividers & 0xFF, m = dividers >> 8 & 0xFF, n = dividers >> 16 & 0xFF;
    bool sync = (card.pll[13] & 7) == 7;
    double unit = r ? reference / r : 0;
    printf("BIOS PLL block at 0x%04X: reference %.2f MHz, floor %.2f MHz, ceiling %.2f MHz\n",
           block, reference, floor, ceiling);
    printf("PLL 10 = 0x%08X (R %u, M %u, N %u)   PLL 13 = 0x%08X (%s)\n", dividers, r, m, n,
           card.pll[13], sync ? "sync: core from the memory PLL" : "core on its own PLL");
    printf("core clock   %.2f MHz\n", unit * (sync ? m : n));
    printf("memory clock %.2f MHz\n", unit * m);
    printf("timing  register 324 = 0x%08X (%s)\n", card.registers[324 / 4],
           TimingName(card.registers[324 / 4]));
    printf("latency register 340 = 0x%08X (%s)\n", card.registers[340 / 4],
           LatencyName(card.registers[340 / 4]));
    printf("requests: read reg %u, write reg %u, read PLL %u, write PLL %u, read BIOS %u\n",
           stats.requests[0], stats.requests[1], stats.requests[2], stats.requests[3],
           stats.requests[4]);
}

uint32_t Number(const char *text)
{
    return (uint32_t)strtoul(text, NULL, 0);
}

int Usage()
{
    fputs("usage: cardctl show | reset | pll INDEX VALUE | reg OFFSET VALUE | bios OFFSET WORD |"
          " fail KINDS COUNT | writes taken|ignored|capped N | keep\n",
          stderr);
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Usage();
    CardClient card;
    if (!card.Ok()) {
        fputs("cardctl: the simulated card (\\\\.\\zintrel.vxd) is not running\n", stderr);
        return 1;
    }
    const char *verb = argv[1];
    if (!strcmp(verb, "reset"))
        return card.Reset() ? 0 : 1;
    if (!strcmp(verb, "fail") && argc == 4)
        return card.SetFaults(Number(argv[2]), (uint32_t)strtol(argv[3], NULL, 0)) ? 0 : 1;
    if (!strcmp(verb, "keep") && argc == 2)
        return card.Keep() ? 0 : 1;
    if (!strcmp(verb, "writes") && argc >= 3) {
        const char *how = argv[2];
        if (!strcmp(how, "taken") && argc == 3)
            return card.SetQuirks(false, 0) ? 0 : 1;
        if (!strcmp(how, "ignored") && argc == 3)
            return card.SetQuirks(true, 0) ? 0 : 1;
        if (!strcmp(how, "capped") && argc == 4 && Number(argv[3]) - 1 < 255)
            return card.SetQuirks(false, Number(argv[3])) ? 0 : 1;
        return Usage();
    }

    CardState state;
    CardStats stats;
    if (!card.GetState(&state) || !card.GetStats(&stats)) {
        fputs("cardctl: the card did not answer\n", stderr);
        return 1;
    }
    if (!strcmp(verb, "show")) {
        Show(state, stats);
        return 0;
    }
    if (argc != 4)
        return Usage();
    uint32_t where = Number(argv[2]), value = Number(argv[3]);
    if (!strcmp(verb, "pll") && where < CARDSIM_PLL_COUNT) {
        state.pll[where] = value;
    } else if (!strcmp(verb, "reg") && where % 4 == 0 && where < CARDSIM_REGISTER_BYTES) {
        state.registers[where / 4] = value;
    } else if (!strcmp(verb, "bios") && where + 2 <= CARDSIM_BIOS_BYTES) {
        state.bios[where] = (uint8_t)value;
        state.bios[where + 1] = (uint8_t)(value >> 8);
    } else {
        return Usage();
    }
    return card.SetState(state) ? 0 : 1;
}
