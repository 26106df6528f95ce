/* One card's controls as an `alsactl store` state file describes them, read and written with
 * alsa-lib's configuration parser. Plain data owned by one plugin handle; no locking here: the
 * caller holds the state file's flock while loading or storing. */
#pragma once

#include <alsa/asoundlib.h>

#define STATE_MAX_VALUES 128 /* a control's values, as snd_ctl_elem_value_t holds them */
#define STATE_MAX_TLV_WORDS 256

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
    const char** itemNames; /* point into the configuration tree */
    unsigned int tlvWords;
    unsigned int* tlv;
    snd_config_t* node; /* the control's compound, where values are written back */
};

struct stateCard
{
    snd_config_t* root;
    char id[16];
    unsigned int count;
    struct stateControl* controls;
};

/* Reads a state file from `fd` (its first card block) into `card`: 0, or a negative errno with
 * `card` left empty. Controls that cannot be served are left out. */
int stateLoad(int fd, struct stateCard* card);
void stateFree(struct stateCard* card);

/* Sets control `key` to `values` (checked against its range) and rewrites the whole file `fd`.
 * Returns 1 for a change, 0 for none, or a negative errno. */
int stateStore(struct stateCard* card, int fd, unsigned int key, const long* values);

int stateSameIdent(const struct stateIdent* a, const struct stateIdent* b);
