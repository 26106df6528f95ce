// SPDX-License-Identifier: GPL-3.0-or-later
/* One card's controls as an `alsactl store` state file describes them, read with the strict
 * reader of statereader.h and written back by changing only a control's value lines. Plain data
 * owned by one plugin handle; no locking here: the caller holds the state file's flock while
 * loading or storing. */
#pragma once

#include "statereader.h"

#include <alsa/asoundlib.h>

#ifdef __cplusplus
extern "C" {
#endif

#define STATE_MAX_VALUES 128 /* a control's values, as snd_ctl_elem_value_t holds them */
#define STATE_MAX_TLV_WORDS 256
#define STATE_MAX_FILE_BYTES (8L << 20) /* twenty times the largest real card */

struct stateIdent
{
    int iface;
    unsigned int device, subdevice, index;
    char name[44]; /* cut at 43 bytes, as the kernel cuts it */
};

struct stateControl
{
    struct stateIdent id;
    int type; /* INTEGER, BOOLEAN or ENUMERATED */
    int writable, inactive, isVolatile;
    long min, max, step;
    unsigned int count;
    long* values;
    unsigned int items;
    const char** itemNames; /* point into the card's tree */
    unsigned int tlvWords;
    unsigned int* tlv;
    int curveMade; /* made from dbmin, dbmax and dbvalue points, as no tlv was given */
    int node;      /* the control's compound in the tree */
};

struct stateCard
{
    char* text; /* the file as read, which writes change in place */
    size_t length;
    struct stateTree tree;
    char id[16];
    unsigned int count;
    struct stateControl* controls;
};

/* Reads a state file from `fd` (its first card block) into `card`: 0, -EFBIG for a file over
 * the limit, or -EINVAL with `error` naming the line and the reason; `card` is left empty on
 * failure. Controls that cannot be served are left out. */
int stateLoad(int fd, struct stateCard* card, struct stateError* error);
/* The same from bytes in memory, which the card copies. */
int stateLoadText(const char* text, size_t length, struct stateCard* card,
                  struct stateError* error);
/* Opens and reads the state file at `path` only if it is a regular file: 0, -ENODEV for a
 * missing or special file, else as stateLoad. */
int stateCheck(const char* path, struct stateError* error);
void stateFree(struct stateCard* card);

/* Sets control `key` to `values` (checked against its range) and rewrites the file `fd` with
 * only that control's value lines changed; `card` then holds the file as written. Returns 1 for
 * a change, 0 for none, or a negative errno. */
int stateStore(struct stateCard* card, int fd, unsigned int key, const long* values);
/* The text of that write without writing it, in a new buffer the caller frees. */
char* stateRewrite(const struct stateCard* card, unsigned int key, const long* values,
                   size_t* length);

int stateSameIdent(const struct stateIdent* a, const struct stateIdent* b);

#ifdef __cplusplus
}
#endif
