/* A model of the Radeon card as the probe driver sees it: memory-mapped
 * registers, indirect PLL registers and the video BIOS image, plus the
 * diagnostic requests tests and the demo use to load, read, count and break
 * it. Plain C with no run-time library, so it links into the kernel driver
 * and into ordinary programs alike. */
#ifndef CARDSIM_CARDMODEL_H
#define CARDSIM_CARDMODEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CARDSIM_CTL(function) (0x9C400000u | (1u << 14) | ((uint32_t)(function) << 2))

/* The probe driver's five requests. */
#define CARDSIM_READ_REGISTER CARDSIM_CTL(0x901)
#define CARDSIM_WRITE_REGISTER CARDSIM_CTL(0x902)
#define CARDSIM_READ_PLL CARDSIM_CTL(0x903)
#define CARDSIM_WRITE_PLL CARDSIM_CTL(0x904)
#define CARDSIM_READ_BIOS CARDSIM_CTL(0x905)

/* Diagnostic requests of the simulated card only. */
#define CARDSIM_RESET CARDSIM_CTL(0xA00)      /* in: none; default card, counts and faults cleared */
#define CARDSIM_SET_STATE CARDSIM_CTL(0xA01)  /* in: CardState */
#define CARDSIM_GET_STATE CARDSIM_CTL(0xA02)  /* out: CardState */
#define CARDSIM_GET_STATS CARDSIM_CTL(0xA03)  /* out: CardStats */
#define CARDSIM_CLEAR_STATS CARDSIM_CTL(0xA04) /* in: none */
#define CARDSIM_SET_FAULTS CARDSIM_CTL(0xA05) /* in: CardFaults */
#define CARDSIM_SET_QUIRKS CARDSIM_CTL(0xA06) /* in: CardQuirks */
/* in: none; the card's present state and quirks become what it starts as
 * whenever its driver starts (after a restart, too), until the next reset */
#define CARDSIM_KEEP CARDSIM_CTL(0xA07)

#define CARDSIM_REGISTER_BYTES 1024u
#define CARDSIM_PLL_COUNT 64u
#define CARDSIM_BIOS_BYTES 4096u
#define CARDSIM_LOG_SIZE 32u
#define CARDSIM_PLL_DIVIDERS 10u

/* Request kinds, in the order of the probe driver's functions. */
enum CardRequestKind {
    CARD_READ_REGISTER,
    CARD_WRITE_REGISTER,
    CARD_READ_PLL,
    CARD_WRITE_PLL,
    CARD_READ_BIOS,
    CARD_REQUEST_KINDS
};

typedef struct CardState {
    uint32_t registers[CARDSIM_REGISTER_BYTES / 4];
    uint32_t pll[CARDSIM_PLL_COUNT];
    uint8_t bios[CARDSIM_BIOS_BYTES];
} CardState;

/* One request as the card received it. */
typedef struct CardLogEntry {
    uint32_t kind;
    uint32_t where;  /* register offset, PLL index or BIOS offset */
    uint32_t mask;   /* writes */
    uint32_t value;  /* writes; for BIOS reads the length asked for */
    uint32_t failed; /* refused by an injected fault */
} CardLogEntry;

typedef struct CardStats {
    uint32_t requests[CARD_REQUEST_KINDS];
    uint32_t failed[CARD_REQUEST_KINDS];
    uint32_t logged; /* total requests seen; the log holds the last CARDSIM_LOG_SIZE */
    CardLogEntry log[CARDSIM_LOG_SIZE];
} CardStats;

/* Requests of the kinds whose bit (1 << kind) is set in mask are refused;
 * count says how many more to refuse (0xFFFFFFFF: all of them). */
typedef struct CardFaults {
    uint32_t mask;
    uint32_t count;
} CardFaults;

/* How the card takes the writes it accepts: as written unless one of these
 * is set. A card that ignores writes answers them as done and changes
 * nothing; a divider cap stands for a card that tops out: a core or memory
 * divider above it, written to PLL 10, is taken as the cap. */
typedef struct CardQuirks {
    uint32_t ignoreWrites;
    uint32_t dividerCap; /* 0: none */
} CardQuirks;

typedef struct CardModel {
    CardState state;
    CardStats stats;
    CardFaults faults;
    CardQuirks quirks;
} CardModel;

/* What the card starts as, which its driver keeps across restarts. */
typedef struct CardBoot {
    CardState state;
    CardQuirks quirks;
} CardBoot;

/* The card the model starts as: reference clock 27.00 MHz, R = 12, floor
 * 100.00 MHz, ceiling 400.00 MHz, core 166.50 MHz (N = 74) and memory
 * 182.25 MHz (M = 81) on separate PLLs, timing Medium, latency Medium. */
void CardDefaultState(CardState *state);
/* The default card with fresh counts, no faults and no quirks. */
void CardReset(CardModel *model);
void CardGetBoot(const CardModel *model, CardBoot *boot);
/* A card that starts as boot says: its state and quirks, fresh counts. */
void CardStartAs(CardModel *model, const CardBoot *boot);

/* Carries out one request. The buffer holds the input on entry and the
 * output on return (METHOD_BUFFERED); *outputLength receives the bytes to
 * hand back. Returns 0 on success, non-zero when the request is refused. */
int CardRequest(CardModel *model, uint32_t code, void *buffer, uint32_t inputLength,
                uint32_t outputLength, uint32_t *returned);

#ifdef __cplusplus
}
#endif

#endif
