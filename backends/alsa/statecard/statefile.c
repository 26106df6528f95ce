// SPDX-License-Identifier: GPL-3.0-or-later
#include "statefile.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define MUTE_DB (-9999999L) /* how alsactl writes the dB of a step that mutes */
#define MAX_CURVE_POINTS 32

typedef __int128 wide;

static long saturate(wide value)
{
    return value > LONG_MAX ? LONG_MAX : value < LONG_MIN ? LONG_MIN : (long)value;
}

static const struct stateNode* nodeAt(const struct stateCard* card, int node)
{
    return node >= 0 ? &card->tree.nodes[node] : NULL;
}

static const struct stateNode* field(const struct stateCard* card, int parent, const char* key)
{
    return nodeAt(card, stateFind(&card->tree, parent, key));
}

/* A whole number: a bare one, or a quoted one in decimal as alsa-lib's getters read it. */
static int integerOf(const struct stateNode* node, long* out)
{
    char* end;
    if (!node || node->type == STATE_COMPOUND)
        return -EINVAL;
    if (node->type == STATE_INTEGER) {
        *out = saturate(node->integer);
        return 0;
    }
    if (!*node->text)
        return -EINVAL;
    errno = 0;
    *out = strtol(node->text, &end, 10);
    return *end || errno ? -EINVAL : 0;
}

static int fieldInteger(const struct stateCard* card, int parent, const char* key, long* out)
{
    const struct stateNode* node = field(card, parent, key);
    return node ? integerOf(node, out) : -ENOENT;
}

static const char* fieldString(const struct stateCard* card, int parent, const char* key)
{
    const struct stateNode* node = field(card, parent, key);
    return node && node->type == STATE_STRING ? node->text : NULL;
}

/* A child named by a small number ("0", "1", ...), or -1. */
static long childNumber(const struct stateNode* child)
{
    char* end;
    if (*child->id < '0' || *child->id > '9')
        return -1;
    errno = 0;
    long number = strtol(child->id, &end, 10);
    return *end || errno || number > INT_MAX ? -1 : number;
}

static int parseIdent(const struct stateCard* card, int node, struct stateIdent* id)
{
    const char* name = fieldString(card, node, "name");
    const char* iface = fieldString(card, node, "iface");
    long number = SND_CTL_ELEM_IFACE_MIXER;
    if (!name || !*name)
        return -EINVAL;
    snprintf(id->name, sizeof id->name, "%s", name);
    if (iface) {
        for (number = 0; number <= SND_CTL_ELEM_IFACE_LAST; ++number)
            if (strcmp(iface, snd_ctl_elem_iface_name((snd_ctl_elem_iface_t)number)) == 0)
                break;
    } else if (fieldInteger(card, node, "iface", &number) == -EINVAL) {
        return -EINVAL;
    }
    if (number < 0 || number > SND_CTL_ELEM_IFACE_LAST)
        return -EINVAL;
    id->iface = (int)number;
    long index = 0, device = 0, subdevice = 0;
    fieldInteger(card, node, "index", &index);
    fieldInteger(card, node, "device", &device);
    fieldInteger(card, node, "subdevice", &subdevice);
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

static int hasWord(const char* text, const char* word)
{
    const size_t length = strlen(word);
    for (const char* p = text; *p; p += strspn(p, " ")) {
        const size_t span = strcspn(p, " ");
        if (span == length && strncmp(p, word, length) == 0)
            return 1;
        p += span;
    }
    return 0;
}

static void parseAccess(const char* text, struct stateControl* c)
{
    text = text ? text : "read";
    c->writable = hasWord(text, "write");
    c->inactive = hasWord(text, "inactive");
    c->isVolatile = hasWord(text, "volatile");
}

/* A decimal number after optional blanks, saturated as strtol saturates. */
static int readLong(const char** p, long* out)
{
    char* end;
    *out = strtol(*p, &end, 10);
    if (end == *p)
        return -EINVAL;
    *p = end;
    return 0;
}

static int skipWord(const char** p, const char* word)
{
    *p += strspn(*p, " \t\n");
    const size_t length = strlen(word);
    if (strncmp(*p, word, length) != 0)
        return -EINVAL;
    *p += length;
    return 0;
}

/* `range 'min - max'` or `'min - max (step n)'`. */
static int parseRange(const struct stateCard* card, int comment, struct stateControl* c)
{
    const char* p = fieldString(card, comment, "range");
    c->step = 0;
    if (!p || readLong(&p, &c->min) < 0 || skipWord(&p, "-") < 0 || readLong(&p, &c->max) < 0)
        return -EINVAL;
    p += strspn(p, " \t\n");
    if (*p && (skipWord(&p, "(step") < 0 || readLong(&p, &c->step) < 0))
        return -EINVAL;
    return c->min <= c->max && c->step >= 0 ? 0 : -EINVAL;
}

/* The item names in `item.<n>` order; every number from 0 must be there once. */
static int parseItems(const struct stateCard* card, int comment, struct stateControl* c)
{
    const struct stateNode* items = field(card, comment, "item");
    unsigned int count = 0;
    if (!items || items->type != STATE_COMPOUND)
        return -EINVAL;
    for (int i = items->first; i >= 0; i = card->tree.nodes[i].next)
        ++count;
    if (count == 0 || !(c->itemNames = calloc(count, sizeof *c->itemNames)))
        return -EINVAL;
    c->items = count;
    for (int i = items->first; i >= 0; i = card->tree.nodes[i].next) {
        const struct stateNode* item = &card->tree.nodes[i];
        long number = childNumber(item);
        if (number < 0 || number >= (long)count || c->itemNames[number] ||
            item->type != STATE_STRING)
            return -EINVAL;
        c->itemNames[number] = item->text;
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
    return saturate((wide)(dbMax - dbMin) * ((wide)raw - min) / ((wide)max - min) + dbMin);
}

struct point
{
    long raw, db;
};

/* Known points of the curve inside the range: each value with its `dbvalue.<n>`, in raw order,
 * at most MAX_CURVE_POINTS of them. */
static int curvePoints(const struct stateCard* card, int comment, const struct stateControl* c,
                       struct point* points)
{
    const struct stateNode* dbValues = field(card, comment, "dbvalue");
    int count = 0;
    if (!dbValues || dbValues->type != STATE_COMPOUND)
        return 0;
    for (int i = dbValues->first; i >= 0; i = card->tree.nodes[i].next) {
        const struct stateNode* child = &card->tree.nodes[i];
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
    const unsigned int n = 2 + 6 * (unsigned int)(count - 1);
    unsigned int* words = malloc(sizeof *words * n);
    if (!words)
        return -ENOMEM;
    for (int p = 0; p + 1 < count; ++p) {
        const unsigned int segment[6] = {
            (unsigned int)points[p].raw, (unsigned int)points[p + 1].raw,
            SND_CTL_TLVT_DB_MINMAX,      2 * sizeof(unsigned int),
            (unsigned int)points[p].db,  (unsigned int)points[p + 1].db};
        memcpy(words + 2 + 6 * p, segment, sizeof segment);
    }
    words[0] = SND_CTL_TLVT_DB_RANGE;
    words[1] = (n - 2) * (unsigned int)sizeof(unsigned int);
    c->tlv = words;
    c->tlvWords = n;
    c->curveMade = 1;
    return 0;
}

static int minMaxCurve(struct stateControl* c, unsigned int type, long low, long high)
{
    const unsigned int words[4] = {type, 2 * sizeof(unsigned int), (unsigned int)low,
                                   (unsigned int)high};
    c->curveMade = 1;
    return setTlv(c, words, 4);
}

/* A dB curve from `dbmin`/`dbmax`, refined by `dbvalue` where the values tell more. A bottom
 * step that mutes becomes a min/max curve with mute, its bottom dB from a point above it. */
static int dbCurve(const struct stateCard* card, int comment, struct stateControl* c)
{
    long dbMin, dbMax;
    struct point points[MAX_CURVE_POINTS + 2];
    if (c->type != SND_CTL_ELEM_TYPE_INTEGER || c->max <= c->min || !fitsTlv(c->min) ||
        !fitsTlv(c->max) || fieldInteger(card, comment, "dbmin", &dbMin) < 0 ||
        fieldInteger(card, comment, "dbmax", &dbMax) < 0 || !fitsTlv(dbMin) || dbMax <= MUTE_DB ||
        !fitsTlv(dbMax))
        return 0;
    int known = curvePoints(card, comment, c, points + 1);
    if (dbMin <= MUTE_DB) {
        if (known == 0)
            return 0; /* the bottom's dB cannot be told */
        const struct point* p = &points[known];
        const long bottom =
            saturate(dbMax - (wide)(dbMax - p->db) * ((wide)c->max - c->min) / (c->max - p->raw));
        if (!fitsTlv(bottom))
            return 0;
        return minMaxCurve(c, SND_CTL_TLVT_DB_MINMAX_MUTE, bottom, dbMax);
    }
    int straight = 1;
    for (int p = 1; p <= known; ++p)
        straight &= labs(onLine(c->min, c->max, dbMin, dbMax, points[p].raw) - points[p].db) <= 1;
    if (straight)
        return minMaxCurve(c, SND_CTL_TLVT_DB_MINMAX, dbMin, dbMax);
    points[0] = (struct point){c->min, dbMin};
    points[known + 1] = (struct point){c->max, dbMax};
    return rangeCurve(c, points, known + 2);
}

/* A boolean as snd_config_get_bool() reads it; anything else reads as off. */
static long booleanOf(const struct stateNode* node)
{
    static const char* const on[] = {"1", "true", "yes", "on"};
    if (node->type == STATE_INTEGER)
        return node->integer == 1;
    for (size_t i = 0; node->type == STATE_STRING && i < sizeof on / sizeof on[0]; ++i)
        if (strcmp(node->text, on[i]) == 0)
            return 1;
    return 0;
}

/* An enumerated value is an item's name first, and a number only if no item has that name. */
static long parseValue(const struct stateNode* node, const struct stateControl* c)
{
    long value = c->min;
    if (c->type == SND_CTL_ELEM_TYPE_BOOLEAN)
        return booleanOf(node);
    if (c->type == SND_CTL_ELEM_TYPE_ENUMERATED && node->type == STATE_STRING) {
        for (unsigned int item = 0; item < c->items; ++item)
            if (strcmp(node->text, c->itemNames[item]) == 0)
                return (long)item;
    }
    integerOf(node, &value);
    return value < c->min ? c->min : value > c->max ? c->max : value;
}

/* `value` for one value, `value.<n>` for several; a missing or unreadable one reads as the
 * bottom of the range. */
static int parseValues(const struct stateCard* card, struct stateControl* c)
{
    const struct stateNode* values = field(card, c->node, "value");
    if (!(c->values = malloc(sizeof *c->values * c->count)))
        return -ENOMEM;
    for (unsigned int n = 0; n < c->count; ++n)
        c->values[n] = c->min;
    if (!values)
        return 0;
    if (values->type != STATE_COMPOUND) {
        c->values[0] = parseValue(values, c);
        return 0;
    }
    for (int i = values->first; i >= 0; i = card->tree.nodes[i].next) {
        const struct stateNode* child = &card->tree.nodes[i];
        long n = childNumber(child);
        if (n >= 0 && n < (long)c->count && child->type != STATE_COMPOUND)
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

static int loadControl(const struct stateCard* card, int node, struct stateControl* c)
{
    const struct stateNode* comment = field(card, node, "comment");
    long count;
    c->node = node;
    if (card->tree.nodes[node].type != STATE_COMPOUND || parseIdent(card, node, &c->id) < 0 ||
        !comment || comment->type != STATE_COMPOUND)
        return -EINVAL;
    const int at = (int)(comment - card->tree.nodes);
    if ((c->type = parseType(fieldString(card, at, "type"))) < 0 ||
        fieldInteger(card, at, "count", &count) < 0 || count < 1 || count > STATE_MAX_VALUES)
        return -EINVAL;
    c->count = (unsigned int)count;
    parseAccess(fieldString(card, at, "access"), c);
    int result = c->type == SND_CTL_ELEM_TYPE_INTEGER      ? parseRange(card, at, c)
                 : c->type == SND_CTL_ELEM_TYPE_ENUMERATED ? parseItems(card, at, c)
                                                           : 0;
    if (c->type == SND_CTL_ELEM_TYPE_BOOLEAN)
        c->max = 1;
    if (result == 0)
        result = parseValues(card, c);
    /* A tlv that cannot be read leaves the control without dB: a curve made in its place could
     * not be kept beside the values. */
    const char* tlv = fieldString(card, at, "tlv");
    if (result == 0 && c->type == SND_CTL_ELEM_TYPE_INTEGER && tlv)
        parseTlv(tlv, c);
    else if (result == 0 && c->type == SND_CTL_ELEM_TYPE_INTEGER && !field(card, at, "tlv"))
        result = dbCurve(card, at, c);
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

static int refuse(struct stateError* error, unsigned int line, const char* format, const char* id)
{
    error->line = line;
    snprintf(error->reason, sizeof error->reason, format, id);
    return -EINVAL;
}

/* Only the groups alsactl writes, where it writes them: `state` at the top, `control` in the
 * card that is served. */
static int checkGroups(const struct stateCard* card, int parent, const char* group,
                       struct stateError* error)
{
    for (int i = card->tree.nodes[parent].first; i >= 0; i = card->tree.nodes[i].next) {
        const struct stateNode* node = &card->tree.nodes[i];
        if (strcmp(node->id, group) != 0)
            return refuse(error, node->line, "'%.40s', which is no part of a state file", node->id);
        if (node->type != STATE_COMPOUND)
            return refuse(error, node->line, "'%s' that is not a group", node->id);
    }
    return 0;
}

static int loadControls(struct stateCard* card, int block)
{
    const struct stateNode* controls = field(card, block, "control");
    unsigned int total = 0;
    if (!controls)
        return 0; /* a card without controls */
    for (int i = controls->first; i >= 0; i = card->tree.nodes[i].next)
        ++total;
    if (total && !(card->controls = calloc(total, sizeof *card->controls)))
        return -ENOMEM;
    for (int i = controls->first; i >= 0; i = card->tree.nodes[i].next) {
        struct stateControl* c = &card->controls[card->count];
        if (loadControl(card, i, c) == 0)
            ++card->count;
        else
            freeControl(c);
    }
    dropDuplicates(card);
    return 0;
}

static int loadCard(struct stateCard* card, struct stateError* error)
{
    int result = stateParse(card->text, card->length, &card->tree, error);
    if (result == 0)
        result = checkGroups(card, 0, "state", error);
    const struct stateNode* state = result == 0 ? field(card, 0, "state") : NULL;
    if (result == 0 && (!state || state->first < 0))
        result = refuse(error, 1, "%sno card (state.<name> { ... })", "");
    if (result < 0)
        return result;
    const int block = state->first;
    snprintf(card->id, sizeof card->id, "%s", card->tree.nodes[block].id);
    if (card->tree.nodes[block].type != STATE_COMPOUND)
        return refuse(error, card->tree.nodes[block].line, "'%s' that is not a group",
                      card->tree.nodes[block].id);
    result = checkGroups(card, block, "control", error);
    return result < 0 ? result : loadControls(card, block);
}

int stateLoadText(const char* text, size_t length, struct stateCard* card, struct stateError* error)
{
    memset(card, 0, sizeof *card);
    if (length > (size_t)STATE_MAX_FILE_BYTES)
        return -EFBIG;
    if (!(card->text = malloc(length + 1)))
        return -ENOMEM;
    memcpy(card->text, text, length);
    card->text[length] = '\0';
    card->length = length;
    int result = loadCard(card, error);
    if (result < 0)
        stateFree(card);
    return result < 0 ? result : 0;
}

static char* readAll(int fd, size_t* length)
{
    struct stat info;
    if (fstat(fd, &info) < 0 || info.st_size > STATE_MAX_FILE_BYTES)
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

int stateLoad(int fd, struct stateCard* card, struct stateError* error)
{
    size_t length = 0;
    char* text = readAll(fd, &length);
    memset(card, 0, sizeof *card);
    if (!text)
        return -EFBIG;
    int result = stateLoadText(text, length, card, error);
    free(text);
    return result;
}

int stateCheck(const char* path, struct stateError* error)
{
    struct stat info;
    struct stateCard card;
    if (stat(path, &info) < 0 || !S_ISREG(info.st_mode))
        return -ENODEV;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int result = fd < 0 || fstat(fd, &info) < 0 || !S_ISREG(info.st_mode) ? -ENODEV : 0;
    if (result == 0 && (result = stateLoad(fd, &card, error)) == 0)
        stateFree(&card);
    if (fd >= 0)
        close(fd);
    return result;
}

void stateFree(struct stateCard* card)
{
    for (unsigned int i = 0; i < card->count; ++i)
        freeControl(&card->controls[i]);
    free(card->controls);
    stateTreeFree(&card->tree);
    free(card->text);
    memset(card, 0, sizeof *card);
}

/* Growing text for a rewrite; `failed` once memory ran out. */
struct buffer
{
    char* bytes;
    size_t length, capacity;
    int failed;
};

static void put(struct buffer* b, const char* bytes, size_t length)
{
    if (b->failed || length == 0)
        return;
    if (b->length + length > b->capacity) {
        size_t capacity = b->capacity ? b->capacity : 256;
        while (capacity < b->length + length)
            capacity *= 2;
        char* grown = realloc(b->bytes, capacity);
        if (!grown) {
            b->failed = 1;
            return;
        }
        b->bytes = grown;
        b->capacity = capacity;
    }
    memcpy(b->bytes + b->length, bytes, length);
    b->length += length;
}

static void putText(struct buffer* b, const char* text)
{
    put(b, text, strlen(text));
}

static void putNumber(struct buffer* b, const char* format, long number)
{
    char text[32];
    snprintf(text, sizeof text, format, number);
    putText(b, text);
}

/* A string quoted so that the reader gives back every byte: quotes and backslashes escaped,
 * control characters as three octal digits, other bytes as they are. */
static void putQuoted(struct buffer* b, const char* text)
{
    putText(b, "'");
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        if (*p == '\'' || *p == '\\') {
            put(b, "\\", 1);
            put(b, (const char*)p, 1);
        } else if (*p < 32 || *p == 127) {
            putNumber(b, "\\%03lo", *p);
        } else {
            put(b, (const char*)p, 1);
        }
    }
    putText(b, "'");
}

static void putValue(struct buffer* b, const struct stateControl* c, long value)
{
    unsigned int first = 0;
    if (c->type == SND_CTL_ELEM_TYPE_BOOLEAN) {
        putText(b, value ? "true" : "false");
        return;
    }
    if (c->type == SND_CTL_ELEM_TYPE_ENUMERATED) {
        /* A name that an earlier item has too would read back as that item: the number. */
        while (strcmp(c->itemNames[first], c->itemNames[value]) != 0)
            ++first;
        if (first == (unsigned int)value) {
            putQuoted(b, c->itemNames[value]);
            return;
        }
    }
    putNumber(b, "%ld", value);
}

/* The control's value lines, as alsactl writes them, `separator` between two; a curve made
 * from dbmin, dbmax and the values' dbvalue points is kept as the tlv alsactl would write, as
 * the points no longer match the values written. */
static void putValues(struct buffer* b, const struct stateControl* c, const long* values,
                      const char* separator)
{
    for (unsigned int n = 0; n < c->count; ++n) {
        if (n)
            putText(b, separator);
        putText(b, "value");
        if (c->count > 1)
            putNumber(b, ".%ld", n);
        putText(b, " ");
        putValue(b, c, values[n]);
    }
    if (!c->curveMade)
        return;
    putText(b, separator);
    putText(b, "comment.tlv '");
    for (unsigned int w = 0; w < c->tlvWords; ++w)
        putNumber(b, "%08lx", c->tlv[w]);
    putText(b, "'");
}

/* Where the line holding `at` begins, if only blanks come before `at` on it; else `at`. */
static size_t lineStart(const char* text, size_t at)
{
    size_t start = at;
    while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t'))
        --start;
    return start == 0 || text[start - 1] == '\n' ? start : at;
}

static int isBlank(char c)
{
    return c != '\0' && strchr(" \f\t\n\r", c) != NULL;
}

/* Where the text after `entry`, going from the file, resumes: past the newline of a line of
 * its own, and past its `,` or `;`, or the entries either side of it would meet at two
 * separators. What lies between the entry and its separator stays, and a blank goes between
 * the entries either side where they would touch and run into one word. */
static size_t dropSeparator(struct buffer* b, const char* text, const struct stateEntry* entry,
                            size_t end, int ownLine)
{
    const size_t separator = entry->separator;
    if (separator != STATE_NO_SEPARATOR && separator == end)
        ++end;
    end += ownLine && text[end] == '\n';
    if (separator != STATE_NO_SEPARATOR && separator >= end) {
        put(b, text + end, separator - end);
        end = separator + 1;
    }
    if (text[end] != '\0' && !isBlank(text[end]) && b->length > 0 &&
        !isBlank(b->bytes[b->length - 1]))
        put(b, " ", 1);
    return end;
}

static void putSeparator(struct buffer* b, const char* text, size_t start, size_t at)
{
    put(b, "\n", start < at ? 1 : 0);
    put(b, start < at ? text + start : " ", start < at ? at - start : 1);
}

/* The node `dbvalue` of control `c`'s comment, or -1: the dB of the values it held, which a
 * write drops, as the points would make a curve from values no longer there. */
static int pointsOf(const struct stateCard* card, const struct stateControl* c)
{
    const int comment = stateFind(&card->tree, c->node, "comment");
    return comment >= 0 ? stateFind(&card->tree, comment, "dbvalue") : -1;
}

char* stateRewrite(const struct stateCard* card, unsigned int key, const long* values,
                   size_t* length)
{
    const struct stateControl* c = &card->controls[key];
    const int valueNode = stateFind(&card->tree, c->node, "value"), points = pointsOf(card, c);
    const char* text = card->text;
    struct buffer b = {0}, separator = {0};
    size_t done = 0;
    int written = 0;
    for (size_t e = 0; e < card->tree.entryCount; ++e) {
        const struct stateEntry* entry = &card->tree.entries[e];
        const int isValue = valueNode >= 0 && entry->head == valueNode;
        if (entry->begin < done ||
            !(isValue || (points >= 0 && (entry->head == points || entry->inner == points))))
            continue;
        const size_t start = lineStart(text, entry->begin);
        size_t end = entry->end;
        if (written || !isValue) {
            /* A line that goes takes its own line with it, if it had one, else the blanks
             * before it. */
            size_t from = start < entry->begin ? start : entry->begin;
            while (start == entry->begin && from > done &&
                   (text[from - 1] == ' ' || text[from - 1] == '\t'))
                --from;
            put(&b, text + done, from - done);
            end = dropSeparator(&b, text, entry, end, start < entry->begin);
        } else {
            put(&b, text + done, entry->begin - done);
            putSeparator(&separator, text, start, entry->begin);
            put(&separator, "", 1);
            putValues(&b, c, values, separator.failed ? " " : separator.bytes);
            /* A quoted value may touch the next entry; the number written in its place may not. */
            put(&b, " ", stateEndsBareValue((unsigned char)text[end]) ? 0 : 1);
            written = 1;
        }
        done = end;
    }
    if (!written) {
        /* No value yet: one before the control's closing brace, indented as the rest. */
        const size_t close = card->tree.nodes[c->node].close, first = lineStart(text, close);
        const size_t start = first < done ? close : first;
        put(&b, text + done, start - done);
        putSeparator(&separator, text, start, close);
        put(&separator, start < close ? "\t" : "", start < close ? 2 : 1);
        putText(&b, start < close ? separator.bytes + 1 : " ");
        putValues(&b, c, values, separator.failed ? " " : separator.bytes);
        putText(&b, start < close ? "\n" : " ");
        done = start;
    }
    put(&b, text + done, card->length - done);
    free(separator.bytes);
    if (b.failed) {
        free(b.bytes);
        return NULL;
    }
    *length = b.length;
    return b.bytes ? b.bytes : calloc(1, 1);
}

static int writeText(int fd, const char* text, size_t length)
{
    size_t done = 0;
    ssize_t put = 1;
    while (done < length && (put = pwrite(fd, text + done, length - done, (off_t)done)) > 0)
        done += (size_t)put;
    return put < 0 || ftruncate(fd, (off_t)length) < 0 ? -errno : 0;
}

int stateStore(struct stateCard* card, int fd, unsigned int key, const long* values)
{
    struct stateCard fresh;
    struct stateError error;
    size_t length = 0;
    if (key >= card->count)
        return -ENOENT;
    const struct stateControl* c = &card->controls[key];
    if (!c->writable)
        return -EPERM;
    for (unsigned int n = 0; n < c->count; ++n)
        if (values[n] < c->min || values[n] > c->max)
            return -EINVAL;
    if (memcmp(c->values, values, sizeof *values * c->count) == 0)
        return 0;
    char* text = stateRewrite(card, key, values, &length);
    if (!text)
        return -ENOMEM;
    int result = length > (size_t)STATE_MAX_FILE_BYTES
                     ? -EFBIG
                     : stateLoadText(text, length, &fresh, &error);
    if (result == 0 && (result = writeText(fd, text, length)) == 0) {
        stateFree(card);
        *card = fresh;
    } else if (result == 0) {
        stateFree(&fresh);
    }
    free(text);
    return result < 0 ? result : 1;
}
