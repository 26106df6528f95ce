// SPDX-License-Identifier: GPL-3.0-or-later
#include "statereader.h"

#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define END (-1)
#define FAILED (-2)

struct reader
{
    const char* text;
    size_t length, at;
    unsigned int line;
    struct stateTree* tree;
    struct stateError* error;
};

/* An open { } or [ ]: the compound, its closing character (0 for the file itself), the next
 * array index and the entry it ends, or -1. */
struct open
{
    int node;
    char closer;
    unsigned int index;
    long entry;
};

static int fail(struct reader* r, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

static int fail(struct reader* r, unsigned int line, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    r->error->line = line;
    vsnprintf(r->error->reason, sizeof r->error->reason, format, arguments);
    va_end(arguments);
    return -EINVAL;
}

static int peek(const struct reader* r)
{
    return r->at < r->length ? (unsigned char)r->text[r->at] : END;
}

static int take(struct reader* r)
{
    const int c = peek(r);
    if (c != END) {
        ++r->at;
        r->line += c == '\n';
    }
    return c;
}

static int isSpace(int c)
{
    return c == ' ' || c == '\f' || c == '\t' || c == '\n' || c == '\r';
}

/* Skips blanks and comments to the next token's first character, or END. An include, which
 * alsa-lib would open and read in place, is refused before anything is opened. */
static int nextToken(struct reader* r)
{
    for (;;) {
        const int c = peek(r);
        if (isSpace(c)) {
            take(r);
        } else if (c == '#') {
            while (peek(r) != END && take(r) != '\n')
                ;
        } else if (c == '<') {
            return fail(r, r->line, "an include of another file (<...>)"), FAILED;
        } else {
            return c;
        }
    }
}

static int reserve(void** items, size_t* capacity, size_t wanted, size_t itemSize)
{
    if (wanted <= *capacity)
        return 0;
    size_t grown = *capacity ? *capacity : 64;
    while (grown < wanted)
        grown *= 2;
    void* larger = realloc(*items, grown * itemSize);
    if (!larger)
        return -ENOMEM;
    *items = larger;
    *capacity = grown;
    return 0;
}

static int appendByte(struct stateTree* tree, char byte)
{
    if (reserve((void**)&tree->strings, &tree->size, tree->used + 1, 1) < 0)
        return -ENOMEM;
    tree->strings[tree->used++] = byte;
    return 0;
}

static int isFreeStringEnd(int c, int isId)
{
    return c == END || isSpace(c) || strchr("=,;{}[]'\"\\#", c) || (isId && c == '.');
}

int stateEndsBareValue(int c)
{
    return isFreeStringEnd(c, 0);
}

static int escaped(struct reader* r, unsigned int line)
{
    static const char letters[] = "ntvbrf", codes[] = "\n\t\v\b\r\f";
    const int c = take(r);
    const char* letter = c > 0 ? strchr(letters, c) : NULL;
    if (c == END)
        return fail(r, line, "a quoted string that does not end"), FAILED;
    if (letter)
        return codes[letter - letters];
    if (c < '0' || c > '7')
        return c;
    int number = c - '0';
    for (int digits = 1; digits < 3 && peek(r) >= '0' && peek(r) <= '7'; ++digits)
        number = number * 8 + take(r) - '0';
    return number & 0xff;
}

/* A quoted string's characters up to its closing quote, unescaped as alsa-lib does. */
static int quotedString(struct reader* r, int quote, unsigned int line)
{
    for (int c = take(r); c != quote; c = take(r)) {
        if (c == END)
            return fail(r, line, "a quoted string that does not end");
        if (c == '\\') {
            if (peek(r) == '\n') {
                take(r);
                continue;
            }
            if ((c = escaped(r, line)) == FAILED)
                return -EINVAL;
            if (c == 0)
                return fail(r, line, "a NUL byte in a string");
        }
        if (appendByte(r->tree, (char)c) < 0)
            return -ENOMEM;
    }
    return 0;
}

/* A name or a value, kept NUL-terminated in the tree's strings at `*at`. */
static int readString(struct reader* r, int isId, size_t* at, int* quoted)
{
    const int c = nextToken(r);
    const unsigned int line = r->line;
    if (c == FAILED)
        return -EINVAL;
    if (c == END)
        return fail(r, line, "the file ends where a %s should be", isId ? "name" : "value");
    if (strchr("=,;.{}[]\\", c))
        return fail(r, line, "'%c' where a %s should be", c, isId ? "name" : "value");
    *at = r->tree->used;
    *quoted = c == '\'' || c == '"';
    int result = 0;
    if (*quoted) {
        take(r);
        result = quotedString(r, c, line);
    } else {
        while (result == 0 && !isFreeStringEnd(peek(r), isId))
            result = appendByte(r->tree, (char)take(r));
    }
    return result < 0 ? result : appendByte(r->tree, '\0');
}

static size_t hashOf(int parent, const char* id)
{
    uint64_t hash = 1469598103934665603ULL;
    for (; *id; ++id)
        hash = (hash ^ (unsigned char)*id) * 1099511628211ULL;
    /* Mixed with the parent so that the low bits, which pick the slot, depend on every bit. */
    hash ^= (uint64_t)parent * 0x9e3779b97f4a7c15ULL;
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    return (size_t)(hash ^ hash >> 33);
}

static const char* idOf(const struct stateTree* tree, int node)
{
    return tree->strings + tree->nodes[node].idAt;
}

static size_t slotOf(const struct stateTree* tree, int parent, const char* id)
{
    size_t slot = hashOf(parent, id) & (tree->slotCount - 1);
    for (; tree->slots[slot]; slot = (slot + 1) & (tree->slotCount - 1)) {
        const int node = (int)tree->slots[slot] - 1;
        if (tree->nodes[node].parent == parent && strcmp(idOf(tree, node), id) == 0)
            break;
    }
    return slot;
}

static int rehash(struct stateTree* tree)
{
    size_t count = tree->slotCount ? tree->slotCount * 2 : 256;
    size_t* slots = calloc(count, sizeof *slots);
    if (!slots)
        return -ENOMEM;
    free(tree->slots);
    tree->slots = slots;
    tree->slotCount = count;
    for (int node = 1; node < tree->count; ++node)
        tree->slots[slotOf(tree, tree->nodes[node].parent, idOf(tree, node))] = (size_t)node + 1;
    return 0;
}

static int find(const struct stateTree* tree, int parent, const char* id)
{
    const size_t slot = slotOf(tree, parent, id);
    return tree->slots[slot] ? (int)tree->slots[slot] - 1 : -1;
}

int stateFind(const struct stateTree* tree, int parent, const char* id)
{
    return tree->slotCount && parent >= 0 && parent < tree->count ? find(tree, parent, id) : -1;
}

/* A new last child of `parent`; its id is at `idAt` in the strings. */
static int addNode(struct reader* r, int parent, size_t idAt, int type, unsigned int line)
{
    struct stateTree* tree = r->tree;
    size_t capacity = (size_t)tree->capacity;
    if (tree->nodes[parent].depth >= STATE_TREE_DEPTH)
        return fail(r, line, "entries nested deeper than a state file's");
    if ((size_t)tree->count * 2 >= tree->slotCount && rehash(tree) < 0)
        return -ENOMEM;
    if (reserve((void**)&tree->nodes, &capacity, (size_t)tree->count + 1, sizeof *tree->nodes) < 0)
        return -ENOMEM;
    tree->capacity = (int)capacity;
    const int node = tree->count++;
    tree->nodes[node] = (struct stateNode){.type = type,
                                           .depth = tree->nodes[parent].depth + 1,
                                           .parent = parent,
                                           .first = -1,
                                           .last = -1,
                                           .next = -1,
                                           .line = line,
                                           .idAt = idAt};
    struct stateNode* up = &tree->nodes[parent];
    if (up->last >= 0)
        tree->nodes[up->last].next = node;
    else
        up->first = node;
    up->last = node;
    tree->slots[slotOf(tree, parent, idOf(tree, node))] = (size_t)node + 1;
    return node;
}

/* The compound child `idAt` of `parent`, made if it is not there. */
static int compound(struct reader* r, int parent, size_t idAt, unsigned int line)
{
    const int node = find(r->tree, parent, r->tree->strings + idAt);
    if (node < 0)
        return addNode(r, parent, idAt, STATE_COMPOUND, line);
    if (r->tree->nodes[node].type != STATE_COMPOUND)
        return fail(r, line, "'%s' is both a value and a group", r->tree->strings + idAt);
    return node;
}

static int addEntry(struct reader* r, int head, int inner, size_t begin)
{
    struct stateTree* tree = r->tree;
    if (reserve((void**)&tree->entries, &tree->entryCapacity, tree->entryCount + 1,
                sizeof *tree->entries) < 0)
        return -ENOMEM;
    tree->entries[tree->entryCount++] =
        (struct stateEntry){head, inner, begin, 0, STATE_NO_SEPARATOR};
    return 0;
}

/* A bare word that starts like a number must be a whole number (alsactl writes no other). */
static int leafValue(struct reader* r, struct stateNode* node, int quoted, unsigned int line)
{
    const char* text = r->tree->strings + node->textAt;
    char* end;
    if (quoted || !((*text >= '0' && *text <= '9') || *text == '-'))
        return 0;
    errno = 0;
    node->integer = strtoll(text, &end, 0);
    if (*end)
        return fail(r, line, "'%.40s' is not a whole number", text);
    node->type = STATE_INTEGER;
    return 0;
}

static int leaf(struct reader* r, int parent, size_t idAt, unsigned int line)
{
    size_t textAt;
    int quoted;
    if (find(r->tree, parent, r->tree->strings + idAt) >= 0)
        return fail(r, line, "'%s' given twice", r->tree->strings + idAt);
    int result = readString(r, 0, &textAt, &quoted);
    if (result < 0)
        return result;
    const int node = addNode(r, parent, idAt, STATE_STRING, line);
    if (node < 0)
        return node;
    r->tree->nodes[node].textAt = textAt;
    result = leafValue(r, &r->tree->nodes[node], quoted, line);
    return result < 0 ? result : node;
}

/* The `,` or `;` after an entry, if there is one; noted in the entry, if it has one. */
static int skipSeparator(struct reader* r, long entry)
{
    const int c = nextToken(r);
    if (c == ';' || c == ',') {
        if (entry >= 0)
            r->tree->entries[entry].separator = r->at;
        take(r);
    }
    return c == FAILED ? -EINVAL : 0;
}

static int isJoinable(const char* id)
{
    static const char* const groups[] = {"state", "control", "value", "comment", "item", "dbvalue"};
    for (size_t i = 0; i < sizeof groups / sizeof groups[0]; ++i)
        if (strcmp(id, groups[i]) == 0)
            return 1;
    return 0;
}

/* A value, a { } or a [ ] for child `idAt` of `parent`; opening one pushes it on `stack`. */
static int value(struct reader* r, int parent, size_t idAt, int head, int inner, size_t begin,
                 struct open* stack, int* top)
{
    const unsigned int line = r->line;
    const int c = nextToken(r);
    if (c == FAILED)
        return -EINVAL;
    if (c != '{' && c != '[') {
        const int node = leaf(r, parent, idAt, line);
        if (node < 0 || begin == (size_t)-1)
            return node < 0 ? node : 0;
        if (addEntry(r, head < 0 ? node : head, inner, begin) < 0)
            return -ENOMEM;
        r->tree->entries[r->tree->entryCount - 1].end = r->at;
        return skipSeparator(r, (long)r->tree->entryCount - 1);
    }
    const int node = compound(r, parent, idAt, line);
    if (node < 0)
        return node;
    take(r);
    long entry = -1;
    if (begin != (size_t)-1) {
        if (addEntry(r, head < 0 ? node : head, inner, begin) < 0)
            return -ENOMEM;
        entry = (long)r->tree->entryCount - 1;
    }
    stack[++*top] = (struct open){node, c == '{' ? '}' : ']', 0, entry};
    return 0;
}

/* One `name[.name...] [=] value [;|,]` entry in compound `parent`. */
static int definition(struct reader* r, int parent, struct open* stack, int* top)
{
    const size_t begin = r->at;
    const unsigned int line = r->line;
    int c = peek(r), head = -1, inner = -1, parts = 0;
    size_t idAt = 0;
    if (strchr("+-?!", c))
        return fail(r, line, "the prefix '%c', which alsactl does not write", c);
    for (;;) {
        int quoted, result = readString(r, 1, &idAt, &quoted);
        if (result < 0)
            return result;
        if ((c = nextToken(r)) != '.')
            break;
        const char* id = r->tree->strings + idAt;
        if (++parts == 3 || !isJoinable(id))
            return fail(r, r->line, "the dotted name '%.40s.', which alsactl does not write", id);
        take(r);
        if ((parent = compound(r, parent, idAt, line)) < 0)
            return parent;
        head = head < 0 ? parent : head;
        inner = parts == 2 ? parent : -1;
    }
    if (c == FAILED)
        return -EINVAL;
    if (c == '=')
        take(r);
    return value(r, parent, idAt, head, inner, begin, stack, top);
}

/* Closes the innermost { } or [ ] at its closing character. */
static int closeGroup(struct reader* r, struct open* stack, int* top, int c)
{
    const struct open* o = &stack[*top];
    if (c != o->closer)
        return fail(r, r->line, "an unexpected '%c'", c);
    r->tree->nodes[o->node].close = r->at;
    take(r);
    if (o->entry >= 0)
        r->tree->entries[o->entry].end = r->at;
    const long entry = o->entry;
    --*top;
    return entry >= 0 ? skipSeparator(r, entry) : 0;
}

static int arrayIndex(struct reader* r, struct open* o, size_t* at)
{
    char number[16];
    snprintf(number, sizeof number, "%u", o->index++);
    *at = r->tree->used;
    for (const char* p = number; *p; ++p)
        if (appendByte(r->tree, *p) < 0)
            return -ENOMEM;
    return appendByte(r->tree, '\0');
}

static int readAll(struct reader* r)
{
    struct open stack[STATE_TREE_DEPTH + 2] = {{0, 0, 0, -1}};
    int top = 0;
    for (;;) {
        const int c = nextToken(r);
        int result = 0;
        size_t idAt;
        if (c == FAILED)
            return -EINVAL;
        if (c == END && top > 0)
            return fail(r, r->line, "the file ends inside the { } or [ ] of line %u",
                        r->tree->nodes[stack[top].node].line);
        if (c == END)
            return 0;
        if (c == '}' || c == ']')
            result = closeGroup(r, stack, &top, c);
        else if (stack[top].closer == ']')
            result = arrayIndex(r, &stack[top], &idAt) < 0
                         ? -ENOMEM
                         : value(r, stack[top].node, idAt, -1, -1, (size_t)-1, stack, &top);
        else
            result = definition(r, stack[top].node, stack, &top);
        if (result < 0)
            return result;
    }
}

static void finish(struct stateTree* tree)
{
    for (int n = 0; n < tree->count; ++n) {
        struct stateNode* node = &tree->nodes[n];
        node->id = tree->strings + node->idAt;
        node->text = node->type == STATE_COMPOUND ? NULL : tree->strings + node->textAt;
    }
}

int stateParse(const char* text, size_t length, struct stateTree* tree, struct stateError* error)
{
    struct reader r = {text, length, 0, 1, tree, error};
    memset(tree, 0, sizeof *tree);
    error->line = 0;
    error->reason[0] = '\0';
    const char* nul = memchr(text, '\0', length);
    int result = 0;
    if (nul) {
        for (const char* p = text; p < nul; ++p)
            r.line += *p == '\n';
        result = fail(&r, r.line, "a NUL byte");
    }
    if (result == 0 && (appendByte(tree, '\0') < 0 || !(tree->nodes = malloc(sizeof *tree->nodes))))
        result = -ENOMEM;
    if (result == 0) {
        tree->capacity = 1;
        tree->count = 1;
        tree->nodes[0] = (struct stateNode){.parent = -1, .first = -1, .last = -1, .next = -1};
        result = rehash(tree) < 0 ? -ENOMEM : readAll(&r);
    }
    if (result < 0)
        stateTreeFree(tree);
    else
        finish(tree);
    return result;
}

void stateTreeFree(struct stateTree* tree)
{
    free(tree->nodes);
    free(tree->entries);
    free(tree->strings);
    free(tree->slots);
    memset(tree, 0, sizeof *tree);
}
