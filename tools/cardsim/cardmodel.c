#include "cardmodel.h"

static void CopyBytes(void *to, const void *from, uint32_t count)
{
    uint8_t *t = (uint8_t *)to;
    const uint8_t *f = (const uint8_t *)from;
    while (count--)
        *t++ = *f++;
}

static void FillBytes(void *to, uint8_t value, uint32_t count)
{
    uint8_t *t = (uint8_t *)to;
    while (count--)
        *t++ = value;
}

static void PutWord(uint8_t *at, uint16_t value)
{
    at[0] = (uint8_t)value;
    at[1] = (uint8_t)(value >> 8);
}

static uint32_t ReadLe32(const void *buffer, uint32_t index)
{
    const uint8_t *b = (const uint8_t *)buffer + 4 * index;
    return (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
}

static void WriteLe32(void *buffer, uint32_t value)
{
    uint8_t *b = (uint8_t *)buffer;
    b[0] = (uint8_t)value;
    b[1] = (uint8_t)(value >> 8);
    b[2] = (uint8_t)(value >> 16);
    b[3] = (uint8_t)(value >> 24);
}

void CardDefaultState(CardState *state)
{
    FillBytes(state, 0, sizeof *state);
    state->registers[324 / 4] = 0x1405356Au; /* timing: Medium */
    state->registers[340 / 4] = 0x44334244u; /* latency: Medium */

    /* PLL 10: R = 12, M = 81, N = 74; the top byte belongs to someone else. */
    state->pll[10] = 0xA5000000u | 74u << 16 | 81u << 8 | 12u;
    state->pll[13] = 0x00000032u; /* core on its own PLL (2); upper bits unrelated */

    /* A BIOS image: the ROM signature, the header pointer at 0x48, the PLL
     * block pointer at header + 0x30 and the 24-byte PLL block. */
    state->bios[0] = 0x55;
    state->bios[1] = 0xAA;
    state->bios[2] = (uint8_t)(CARDSIM_BIOS_BYTES / 512);
    PutWord(state->bios + 0x48, 0x0140);
    PutWord(state->bios + 0x0140 + 0x30, 0x0300);
    {
        uint8_t *block = state->bios + 0x0300;
        block[0] = 0x18;                 /* block length */
        PutWord(block + 14, 2700);      /* reference clock, 0.01 MHz */
        PutWord(block + 16, 12);        /* reference divider */
        PutWord(block + 18, 10000);     /* floor */
        PutWord(block + 22, 40000);     /* ceiling */
    }
}

void CardReset(CardModel *model)
{
    CardDefaultState(&model->state);
    FillBytes(&model->stats, 0, sizeof model->stats);
    FillBytes(&model->faults, 0, sizeof model->faults);
    FillBytes(&model->quirks, 0, sizeof model->quirks);
}

void CardGetBoot(const CardModel *model, CardBoot *boot)
{
    CopyBytes(&boot->state, &model->state, sizeof boot->state);
    CopyBytes(&boot->quirks, &model->quirks, sizeof boot->quirks);
}

void CardStartAs(CardModel *model, const CardBoot *boot)
{
    CardReset(model);
    CopyBytes(&model->state, &boot->state, sizeof model->state);
    CopyBytes(&model->quirks, &boot->quirks, sizeof model->quirks);
}

/* A card that tops out takes its largest divider for any larger one. */
static uint32_t CapDividers(uint32_t value, uint32_t cap)
{
    int shift;
    for (shift = 8; shift <= 16; shift += 8) {
        if (((value >> shift) & 0xFF) > cap)
            value = (value & ~(0xFFu << shift)) | cap << shift;
    }
    return value;
}

static int InjectFault(CardModel *model, uint32_t kind)
{
    if (!(model->faults.mask & (1u << kind)) || model->faults.count == 0)
        return 0;
    if (model->faults.count != 0xFFFFFFFFu)
        --model->faults.count;
    return 1;
}

static void Log(CardModel *model, uint32_t kind, uint32_t where, uint32_t mask, uint32_t value,
                uint32_t failed)
{
    CardLogEntry *entry = &model->stats.log[model->stats.logged % CARDSIM_LOG_SIZE];
    entry->kind = kind;
    entry->where = where;
    entry->mask = mask;
    entry->value = value;
    entry->failed = failed;
    ++model->stats.logged;
    ++model->stats.requests[kind];
    if (failed)
        ++model->stats.failed[kind];
}

static uint32_t *Register(CardModel *model, uint32_t offset)
{
    if (offset % 4 != 0 || offset >= CARDSIM_REGISTER_BYTES)
        return 0;
    return &model->state.registers[offset / 4];
}

static uint32_t *Pll(CardModel *model, uint32_t index)
{
    return index < CARDSIM_PLL_COUNT ? &model->state.pll[index] : 0;
}

static int CardRequestKind(uint32_t code, uint32_t *kind)
{
    switch (code) {
    case CARDSIM_READ_REGISTER: *kind = CARD_READ_REGISTER; return 1;
    case CARDSIM_WRITE_REGISTER: *kind = CARD_WRITE_REGISTER; return 1;
    case CARDSIM_READ_PLL: *kind = CARD_READ_PLL; return 1;
    case CARDSIM_WRITE_PLL: *kind = CARD_WRITE_PLL; return 1;
    case CARDSIM_READ_BIOS: *kind = CARD_READ_BIOS; return 1;
    }
    return 0;
}

static int ProbeRequest(CardModel *model, uint32_t kind, void *buffer, uint32_t inputLength,
                        uint32_t outputLength, uint32_t *returned)
{
    int writing = kind == CARD_WRITE_REGISTER || kind == CARD_WRITE_PLL;
    uint32_t where, mask = 0, value = 0, *cell = 0;
    int failed;

    if (inputLength < (writing ? 12u : 4u))
        return 1;
    where = ReadLe32(buffer, 0);
    if (writing) {
        mask = ReadLe32(buffer, 1);
        value = ReadLe32(buffer, 2);
    }
    if (kind == CARD_READ_BIOS)
        value = outputLength;
    failed = InjectFault(model, kind);
    Log(model, kind, where, mask, value, (uint32_t)failed);
    if (failed)
        return 1;

    switch (kind) {
    case CARD_READ_REGISTER:
    case CARD_WRITE_REGISTER:
        cell = Register(model, where);
        break;
    case CARD_READ_PLL:
    case CARD_WRITE_PLL:
        cell = Pll(model, where);
        break;
    case CARD_READ_BIOS:
        if (outputLength == 0 || where >= CARDSIM_BIOS_BYTES ||
            outputLength > CARDSIM_BIOS_BYTES - where)
            return 1;
        CopyBytes(buffer, model->state.bios + where, outputLength);
        *returned = outputLength;
        return 0;
    }
    if (!cell)
        return 1;
    if (writing) {
        if (!model->quirks.ignoreWrites) {
            *cell = (*cell & ~mask) | (value & mask);
            if (kind == CARD_WRITE_PLL && where == CARDSIM_PLL_DIVIDERS && model->quirks.dividerCap)
                *cell = CapDividers(*cell, model->quirks.dividerCap & 0xFF);
        }
        *returned = 0;
        return 0;
    }
    if (outputLength < 4)
        return 1;
    WriteLe32(buffer, *cell);
    *returned = 4;
    return 0;
}

int CardRequest(CardModel *model, uint32_t code, void *buffer, uint32_t inputLength,
                uint32_t outputLength, uint32_t *returned)
{
    uint32_t kind;
    *returned = 0;
    if (CardRequestKind(code, &kind))
        return ProbeRequest(model, kind, buffer, inputLength, outputLength, returned);

    switch (code) {
    case CARDSIM_RESET:
        CardReset(model);
        return 0;
    case CARDSIM_SET_STATE:
        if (inputLength != sizeof model->state)
            return 1;
        CopyBytes(&model->state, buffer, sizeof model->state);
        return 0;
    case CARDSIM_GET_STATE:
        if (outputLength < sizeof model->state)
            return 1;
        CopyBytes(buffer, &model->state, sizeof model->state);
        *returned = sizeof model->state;
        return 0;
    case CARDSIM_GET_STATS:
        if (outputLength < sizeof model->stats)
            return 1;
        CopyBytes(buffer, &model->stats, sizeof model->stats);
        *returned = sizeof model->stats;
        return 0;
    case CARDSIM_CLEAR_STATS:
        FillBytes(&model->stats, 0, sizeof model->stats);
        return 0;
    case CARDSIM_SET_FAULTS:
        if (inputLength != sizeof model->faults)
            return 1;
        CopyBytes(&model->faults, buffer, sizeof model->faults);
        return 0;
    case CARDSIM_SET_QUIRKS:
        if (inputLength != sizeof model->quirks)
            return 1;
        CopyBytes(&model->quirks, buffer, sizeof model->quirks);
        return 0;
    }
    return 1;
}
