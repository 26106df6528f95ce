#include "statefile.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define MUTE_DB (-9999999L)       /* how alsactl writes the dB of a step that mutes */
#define MAX_FILE_BYTES (8L << 20) /* twenty times the largest real card */
#define MAX_CURVE_POINTS 32
#define MAX_DEPTH 64 /* a state file nests 4 deep */

static int integerOf(snd_config_t* node, long* out)
{
    long long wide;
    const char* text;
    char* end;
    if (snd_config_get_integer(node, out) == 0)
        return 0;
    if (snd_config_get_integer64(node, &wide) == 0) {
        *out = wide > LONG_MAX ? LONG_MAX : wide < LONG_MIN ? LONG_MIN : (long)wide;
        return 0;
    }
    if (snd_config_get_string(node, &text) < 0 || !*text)
        return -EINVAL;
    errno = 0;
    *out = strtol(text, &end, 10);
    return *end || errno ? -EINVAL : 0;
}

static int fieldInteger(snd_config_t* parent, const char* key, long* out)
{
    snd_config_t* node;
    return snd_config_search(parent, key, &node) < 0 ? -ENOENT : integerOf(node, out);
}

static const char* fieldString(snd_config_t* parent, const char* key)
{
    snd_config_t* node;
    const char* text;
    if (snd_config_search(parent, key, &node) < 0 || snd_config_get_string(node, &text) < 0)
        return NULL;
    return text;
}

/* A child of a compound named by a small number ("0", "1", ...), or -1. */
static long childNumber(snd_config_t* child)
{
    const char* id;
    char* end;
    if (snd_config_get_id(child, &id) < 0 || *id < '0' || *id > '9')
        return -1;
    long number = strtol(id, &end, 10);
    return *end || number > INT_MAX ? -1 : number;
}

static int parseIdent(snd_config_t* node, struct stateIdent* id)
{
    const char* name = fieldString(node, "name");
    const char* iface = fieldString(node, "iface");
    long number = SND_CTL_ELEM_IFACE_MIXER;
    if (!name || !*name)
        return -EINVAL;
    snprintf(id->name, sizeof id->name, "%s", name);
    if (iface) {
        for (number = 0; number <= SND_CTL_ELEM_IFACE_LAST; ++number)
            if (strcmp(iface, snd_ctl_elem_iface_name((snd_ctl_elem_iface_t)number)) == 0)
                break;
    } else if (fieldInteger(node, "iface", &number) == -EINVAL) {
        return -EINVAL;
    }
    if (number < 0 || number > SND_CTL_ELEM_IFACE_LAST)
        return -EINVAL;
    id->iface = (int)number;
    long index = 0, device = 0, subdevice = 0;
    fieldInteger(node, "index", &index);
    fieldInteger(node, "device", &device);
    fieldInteger(node, "subdevice", &subdevice);
    if (index < 0 || index > INT_MAX || device < 0 || device > INT_MAX || subdevice < 0 ||
        subdevice > INT_MAX)
        return -EINVAL;
    id->index = (unsigned int)index;
    id->device = (unsigned int)device;
    id->subdevice = (unsigned int)subdevice;
    return 0;
}

static int parseType(const char* text)
{
    static const int served[] = {SND_CTL_ELEM_TYPE_INTEGER, SND_CTL_ELEM_TYPE_BOOLEAN,
                                 SND_CTL_ELEM_TYPE_ENUMERATED};
    for (size_t i = 0; text && i < sizeof served / sizeof served[0]; ++i)
        if (strcmp(text, snd_ctl_elem_type_name((snd_ctl_elem_type_t)served[i])) == 0)
            return served[i];
    return -1;
}

static void parseAccess(const char* text, struct stateControl* c)
{
    char words[128];
    char* save = NULL;
    snprintf(words, sizeof words, "%s", text ? text : "read");
    for (char* word = strtok_r(words, " ", &save); word; word = strtok_r(NULL, " ", &save)) {
        c->writable |= strcmp(word, "write") == 0;
        c->inactive |= strcmp(word, "inactive") == 0;
        c->isVolatile |= strcmp(word, "volatile") == 0;
    }
}

static int parseRange(snd_config_t* comment, struct stateControl* c)
{
    const char* range = fieldString(comment, "range");
    int used = 0;
    c->step = 0;
    if (!range || sscanf(range, "%ld - %ld%n", &c->min, &c->max, &used) != 2)
        return -EINVAL;
    if (range[used] && sscanf(range + used, " (step %ld)", &c->step) != 1)
        return -EINVAL;
    return c->min <= c->max && c->step >= 0 ? 0 : -EINVAL;
}

/* The item names in `item.<n>` order; every number from 0 must be there once. */
static int parseItems(snd_config_t* comment, struct stateControl* c)
{
    snd_config_t *items, *item;
    snd_config_iterator_t i, next;
    unsigned int count = 0;
    if (snd_config_search(comment, "item", &items) < 0 ||
        snd_config_get_type(items) != SND_CONFIG_TYPE_COMPOUND)
        return -EINVAL;
    snd_config_for_each(i, next, items)++ count;
    if (count == 0 || !(c->itemNames = calloc(count, sizeof *c->itemNames)))
        return -EINVAL;
    c->items = count;
    snd_config_for_each(i, next, items)
    {
        item = snd_config_iterator_entry(i);
        long number = childNumber(item);
        const char* name;
        if (number < 0 || number >= (long)count || c->itemNames[number] ||
            snd_config_get_string(item, &name) < 0)
            return -EINVAL;
        c->itemNames[number] = name;
    }
    c->min = 0;
    c->max = (long)count - 1;
    return 0;
}

static int hexDigit(char ch)
{
    return ch >= '0' && ch <= '9'   ? ch - '0'
           : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
           : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                    : -1;
}

static int setTlv(struct stateControl* c, const unsigned int* words, unsigned int count)
{
    if (!(c->tlv = malloc(sizeof *c->tlv * count)))
        return -ENOMEM;
    memcpy(c->tlv, words, sizeof *c->tlv * count);
    c->tlvWords = count;
    return 0;
}

/* A `tlv` hex string, one 8-digit word after another, as alsactl writes it. */
static int parseTlv(const char* hex, struct stateControl* c)
{
    unsigned int words[STATE_MAX_TLV_WORDS];
    size_t length = strlen(hex);
    if (length % 8 || length / 8 < 2 || length / 8 > STATE_MAX_TLV_WORDS)
        return -EINVAL;
    for (size_t w = 0; w < length / 8; ++w) {
        words[w] = 0;
        for (int d = 0; d < 8; ++d) {
            int digit = hexDigit(hex[w * 8 + (size_t)d]);
            if (digit < 0)
                return -EINVAL;
            words[w] = words[w] << 4 | (unsigned int)digit;
        }
    }
    unsigned int count = (unsigned int)(length / 8);
    if (words[1] % 4 || words[1] / 4 > count - 2)
        return -EINVAL;
    return setTlv(c, words, 2 + words[1] / 4);
}

static int fitsTlv(long value)
{
    return value >= INT_MIN && value <= INT_MAX;
}

/* The dB of `raw` on the line from (min, dbMin) to (max, dbMax), as alsa-lib reckons it. */
static long onLine(long min, long max, long dbMin, long dbMax, long raw)
{
    return (long)((long long)(dbMax - dbMin) * (raw - min) / (max - min)) + dbMin;
}

struct point
{
    long raw, db;
};

/* Known points of the curve inside the range: each value with its `dbvalue.<n>`. */
static int curvePoints(snd_config_t* comment, const struct stateControl* c, struct point* points)
{
    snd_config_t *dbValues, *child;
    snd_config_iterator_t i, next;
    int count = 0;
    if (snd_config_search(comment, "dbvalue", &dbValues) < 0 ||
        snd_config_get_type(dbValues) != SND_CONFIG_TYPE_COMPOUND)
        return 0;
    snd_config_for_each(i, next, dbValues)
    {
        child = snd_config_iterator_entry(i);
        long n = childNumber(child), db;
        if (n < 0 || n >= (long)c->count || integerOf(child, &db) < 0 || db <= MUTE_DB ||
            !fitsTlv(db) || c->values[n] <= c->min || c->values[n] >= c->max)
            continue;
        int at = 0;
        while (at < count && points[at].raw < c->values[n])
            ++at;
        if (at == count || points[at].raw != c->values[n]) {
            if (count == MAX_CURVE_POINTS)
                break;
            memmove(points + at + 1, points + at, sizeof *points * (size_t)(count - at));
            points[at] = (struct point){c->values[n], db};
            ++count;
        }
    }
    return count;
}

/* A curve through the points, one min/max line between each pair. */
static int rangeCurve(struct stateControl* c, const struct point* points, int count)
{
    unsigned int words[2 + 6 * (MAX_CURVE_POINTS - 1)];
    unsigned int n = 2;
    for (int p = 0; p + 1 < count; ++p) {
        const unsigned int segment[6] = {
            (unsigned int)points[p].raw, (unsigned int)points[p + 1].raw,
            SND_CTL_TLVT_DB_MINMAX,      2 * sizeof(unsigned int),
            (unsigned int)points[p].db,  (unsigned int)points[p + 1].db};
        memcpy(words + n, segment, sizeof segment);
        n += 6;
    }
    words[0] = SND_CTL_TLVT_DB_RANGE;
    words[1] = (n - 2) * (unsigned int)sizeof(unsigned int);
    return setTlv(c, words, n);
}

/* A dB curve from `dbmin`/`dbmax`, refined by `dbvalue` where the values tell more. A bottom
 * step that mutes becomes a min/max curve with mute, its bottom dB from a point above it. */
static int dbCurve(snd_config_t* comment, struct stateControl* c)
{
    long dbMin, dbMax;
    struct point points[MAX_CURVE_POINTS + 2];
    if (c->type != SND_CTL_ELEM_TYPE_INTEGER || c->max <= c->min || !fitsTlv(c->min) ||
        !fitsTlv(c->max) || fieldInteger(comment, "dbmin", &dbMin) < 0 ||
        fieldInteger(comment, "dbmax", &dbMax) < 0 || !fitsTlv(dbMin) || dbMax <= MUTE_DB ||
        !fitsTlv(dbMax))
        return 0;
    int known = curvePoints(comment, c, points + 1);
    if (dbMin <= MUTE_DB) {
        if (known == 0)
            return 0; /* the bottom's dB cannot be told */
        const struct point* p = &points[known];
        long long bottom =
            dbMax - (long long)(dbMax - p->db) * (c->max - c->min) / (c->max - p->raw);
        if (!fitsTlv((long)bottom))
            return 0;
        const unsigned int words[4] = {SND_CTL_TLVT_DB_MINMAX_MUTE, 2 * sizeof(unsigned int),
                                       (unsigned int)bottom, (unsigned int)dbMax};
        return setTlv(c, words, 4);
    }
    int straight = 1;
    for (int p = 1; p <= known; ++p)
        straight &= labs(onLine(c->min, c->max, dbMin, dbMax, points[p].raw) - points[p].db) <= 1;
    if (straight) {
        const unsigned int words[4] = {SND_CTL_TLVT_DB_MINMAX, 2 * sizeof(unsigned int),
                                       (unsigned int)dbMin, (unsigned int)dbMax};
        return setTlv(c, words, 4);
    }
    points[0] = (struct point){c->min, dbMin};
    points[known + 1] = (struct point){c->max, dbMax};
    return rangeCurve(c, points, known + 2);
}

static long parseValue(snd_config_t* node, const struct stateControl* c)
{
    long value = c->min;
    const char* text;
    if (c->type == SND_CTL_ELEM_TYPE_BOOLEAN) {
        int on = snd_config_get_bool(node);
        return on > 0;
    }
    if (integerOf(node, &value) < 0 && c->type == SND_CTL_ELEM_TYPE_ENUMERATED &&
        snd_config_get_string(node, &text) == 0) {
        for (unsigned int item = 0; item < c->items; ++item)
            if (strcmp(text, c->itemNames[item]) == 0)
                return (long)item;
    }
    return value < c->min ? c->min : value > c->max ? c->max : value;
}

/* `value` for one value, `value.<n>` for several; a missing or unreadable one reads as the
 * bottom of the range. */
static int parseValues(snd_config_t* node, struct stateControl* c)
{
    snd_config_t* values;
    snd_config_iterator_t i, next;
    if (!(c->values = malloc(sizeof *c->values * c->count)))
        return -ENOMEM;
    for (unsigned int n = 0; n < c->count; ++n)
        c->values[n] = c->min;
    if (snd_config_search(node, "value", &values) < 0)
        return 0;
    if (snd_config_get_type(values) != SND_CONFIG_TYPE_COMPOUND) {
        c->values[0] = parseValue(values, c);
        return 0;
    }
    snd_config_for_each(i, next, values)
    {
        snd_config_t* child = snd_config_iterator_entry(i);
        long n = childNumber(child);
        if (n >= 0 && n < (long)c->count)
            c->values[n] = parseValue(child, c);
    }
    return 0;
}

static void freeControl(struct stateControl* c)
{
    free(c->values);
    free(c->itemNames);
    free(c->tlv);
    memset(c, 0, sizeof *c);
}

static int loadControl(snd_config_t* node, struct stateControl* c)
{
    snd_config_t* comment;
    long count;
    c->node = node;
    if (snd_config_get_type(node) != SND_CONFIG_TYPE_COMPOUND || parseIdent(node, &c->id) < 0 ||
        snd_config_search(node, "comment", &comment) < 0 ||
        (c->type = parseType(fieldString(comment, "type"))) < 0 ||
        fieldInteger(comment, "count", &count) < 0 || count < 1 || count > STATE_MAX_VALUES)
        return -EINVAL;
    c->count = (unsigned int)count;
    parseAccess(fieldString(comment, "access"), c);
    int result = c->type == SND_CTL_ELEM_TYPE_INTEGER      ? parseRange(comment, c)
                 : c->type == SND_CTL_ELEM_TYPE_ENUMERATED ? parseItems(comment, c)
                                                           : 0;
    if (c->type == SND_CTL_ELEM_TYPE_BOOLEAN)
        c->max = 1;
    if (result == 0)
        result = parseValues(node, c);
    const char* tlv = fieldString(comment, "tlv");
    if (result == 0 && c->type == SND_CTL_ELEM_TYPE_INTEGER && !(tlv && parseTlv(tlv, c) == 0))
        result = dbCurve(comment, c);
    return result;
}

static int compareIdent(const struct stateIdent* a, const struct stateIdent* b)
{
    int order = strcmp(a->name, b->name);
    if (order == 0)
        order = a->iface != b->iface           ? (a->iface < b->iface ? -1 : 1)
                : a->index != b->index         ? (a->index < b->index ? -1 : 1)
                : a->device != b->device       ? (a->device < b->device ? -1 : 1)
                : a->subdevice != b->subdevice ? (a->subdevice < b->subdevice ? -1 : 1)
                                               : 0;
    return order;
}

int stateSameIdent(const struct stateIdent* a, const struct stateIdent* b)
{
    return compareIdent(a, b) == 0;
}

static int compareControls(const void* a, const void* b)
{
    const struct stateControl *x = *(struct stateControl*const*)a,
                              *y = *(struct stateControl*const*)b;
    int order = compareIdent(&x->id, &y->id);
    return order ? order : x < y ? -1 : x > y;
}

/* Two controls with one id cannot both be served, as the kernel refuses the second: the later
 * one in the file is left out. */
static void dropDuplicates(struct stateCard* card)
{
    struct stateControl** order = malloc(sizeof *order * (card->count ? card->count : 1));
    unsigned int kept = 0;
    if (!order)
        return;
    for (unsigned int i = 0; i < card->count; ++i)
        order[i] = &card->controls[i];
    qsort(order, card->count, sizeof *order, compareControls);
    for (unsigned int i = 1; i < card->count; ++i)
        if (stateSameIdent(&order[i - 1]->id, &order[i]->id))
            order[i]->count = 0; /* marked for removal; order[i - 1] comes first in the file */
    free(order);
    for (unsigned int i = 0; i < card->count; ++i) {
        if (card->controls[i].count)
            card->controls[kept++] = card->controls[i];
        else
            freeControl(&card->controls[i]);
    }
    card->count = kept;
}

static int loadControls(snd_config_t* block, struct stateCard* card)
{
    snd_config_t* controls;
    snd_config_iterator_t i, next;
    unsigned int total = 0;
    if (snd_config_search(block, "control", &controls) < 0 ||
        snd_config_get_type(controls) != SND_CONFIG_TYPE_COMPOUND)
        return 0; /* a card without controls */
    snd_config_for_each(i, next, controls)++ total;
    if (total && !(card->controls = calloc(total, sizeof *card->controls)))
        return -ENOMEM;
    snd_config_for_each(i, next, controls)
    {
        struct stateControl* c = &card->controls[card->count];
        if (loadControl(snd_config_iterator_entry(i), c) == 0)
            ++card->count;
        else
            freeControl(c);
    }
    dropDuplicates(card);
    return 0;
}

static char* readAll(int fd, size_t* length)
{
    struct stat info;
    if (fstat(fd, &info) < 0 || info.st_size > MAX_FILE_BYTES)
        return NULL;
    size_t size = (size_t)info.st_size, done = 0;
    char* text = malloc(size + 1);
    ssize_t got = 1;
    while (text && done < size && (got = pread(fd, text + done, size - done, (off_t)done)) > 0)
        done += (size_t)got;
    if (text && got < 0) {
        free(text);
        return NULL;
    }
    *length = done;
    return text;
}

/* Whether the text nests no deeper than `limit` ({ } and [ ] outside quotes and comments):
 * alsa-lib's parser recurses once per level, so a hostile file could exhaust the stack. */
static int nestsWithin(const char* text, size_t length, int limit)
{
    int depth = 0;
    char quote = 0;
    for (size_t i = 0; i < length; ++i) {
        const char ch = text[i];
        if (quote) {
            if (ch == '\\')
                ++i;
            else if (ch == quote)
                quote = 0;
        } else if (ch == '\'' || ch == '"') {
            quote = ch;
        } else if (ch == '#') {
            while (i + 1 < length && text[i + 1] != '\n')
                ++i;
        } else if ((ch == '{' || ch == '[') && ++depth > limit) {
            return 0;
        } else if (ch == '}' || ch == ']') {
            --depth;
        }
    }
    return 1;
}

int stateLoad(int fd, struct stateCard* card)
{
    size_t length = 0;
    char* text = readAll(fd, &length);
    snd_input_t* input = NULL;
    snd_config_t *state, *block = NULL;
    const char* id;
    memset(card, 0, sizeof *card);
    int result = !text ? -EFBIG
                 : !nestsWithin(text, length, MAX_DEPTH)
                     ? -EINVAL
                     : snd_input_buffer_open(&input, text, (ssize_t)length);
    if (result == 0 && (result = snd_config_top(&card->root)) == 0)
        result = snd_config_load(card->root, input);
    if (input)
        snd_input_close(input);
    free(text);
    if (result == 0 && (snd_config_search(card->root, "state", &state) < 0 ||
                        snd_config_get_type(state) != SND_CONFIG_TYPE_COMPOUND))
        result = -EINVAL; /* no state file */
    if (result == 0) {
        snd_config_iterator_t first = snd_config_iterator_first(state);
        if (first != snd_config_iterator_end(state))
            block = snd_config_iterator_entry(first);
        if (!block || snd_config_get_type(block) != SND_CONFIG_TYPE_COMPOUND ||
            snd_config_get_id(block, &id) < 0)
            result = -EINVAL;
    }
    if (result == 0) {
        snprintf(card->id, sizeof card->id, "%s", id);
        result = loadControls(block, card);
    }
    if (result < 0)
        stateFree(card);
    return result < 0 ? result : 0;
}

void stateFree(struct stateCard* card)
{
    for (unsigned int i = 0; i < card->count; ++i)
        freeControl(&card->controls[i]);
    free(card->controls);
    if (card->root)
        snd_config_delete(card->root);
    memset(card, 0, sizeof *card);
}

static int makeValue(const struct stateControl* c, const char* id, long value, snd_config_t** out)
{
    if (c->type == SND_CTL_ELEM_TYPE_BOOLEAN)
        return snd_config_imake_string(out, id, value ? "true" : "false");
    if (c->type == SND_CTL_ELEM_TYPE_ENUMERATED)
        return snd_config_imake_string(out, id, c->itemNames[value]);
    return snd_config_imake_integer(out, id, value);
}

/* Replaces the control's `value` entries by `c->values`, as alsactl writes them. */
static int putValues(const struct stateControl* c)
{
    snd_config_t *old, *values = NULL, *leaf;
    int result = 0;
    if (snd_config_search(c->node, "value", &old) == 0)
        snd_config_delete(old);
    if (c->count == 1)
        result = makeValue(c, "value", c->values[0], &values);
    else
        result = snd_config_make_compound(&values, "value", 0);
    for (unsigned int n = 0; result == 0 && c->count > 1 && n < c->count; ++n) {
        char id[16];
        snprintf(id, sizeof id, "%u", n);
        if ((result = makeValue(c, id, c->values[n], &leaf)) == 0 &&
            (result = snd_config_add(values, leaf)) < 0)
            snd_config_delete(leaf);
    }
    if (result == 0)
        result = snd_config_add(c->node, values);
    if (result < 0 && values)
        snd_config_delete(values);
    return result;
}

static int writeFile(snd_config_t* root, int fd)
{
    snd_output_t* output;
    char* text;
    int result = snd_output_buffer_open(&output);
    if (result < 0)
        return result;
    if ((result = snd_config_save(root, output)) == 0) {
        size_t length = snd_output_buffer_string(output, &text), done = 0;
        ssize_t put = 1;
        while (done < length && (put = pwrite(fd, text + done, length - done, (off_t)done)) > 0)
            done += (size_t)put;
        result = put < 0 || ftruncate(fd, (off_t)length) < 0 ? -errno : 0;
    }
    snd_output_close(output);
    return result;
}

/* A curve made from `dbmin`/`dbmax` and the values' `dbvalue` points is kept in the file as the
 * `tlv` alsactl would write, so that a changed value does not change the curve read back. */
static int putTlv(const struct stateControl* c)
{
    snd_config_t *comment, *tlv;
    char hex[8 * STATE_MAX_TLV_WORDS + 1];
    if (!c->tlvWords || c->tlvWords > STATE_MAX_TLV_WORDS ||
        snd_config_search(c->node, "comment", &comment) < 0 ||
        snd_config_search(comment, "tlv", &tlv) == 0)
        return 0;
    for (unsigned int w = 0; w < c->tlvWords; ++w)
        snprintf(hex + 8 * w, 9, "%08x", c->tlv[w]);
    int result = snd_config_imake_string(&tlv, "tlv", hex);
    if (result == 0 && (result = snd_config_add(comment, tlv)) < 0)
        snd_config_delete(tlv);
    return result;
}

int stateStore(struct stateCard* card, int fd, unsigned int key, const long* values)
{
    if (key >= card->count)
        return -ENOENT;
    struct stateControl* c = &card->controls[key];
    if (!c->writable)
        return -EPERM;
    for (unsigned int n = 0; n < c->count; ++n)
        if (values[n] < c->min || values[n] > c->max)
            return -EINVAL;
    if (memcmp(c->values, values, sizeof *values * c->count) == 0)
        return 0;
    memcpy(c->values, values, sizeof *values * c->count);
    int result = putValues(c);
    if (result == 0)
        result = putTlv(c);
    if (result == 0)
        result = writeFile(card->root, fd);
    return result < 0 ? result : 1;
}
