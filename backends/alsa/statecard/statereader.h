// SPDX-License-Identifier: GPL-3.0-or-later
/* The syntax of an `alsactl store` state file, read into a tree of nodes without alsa-lib:
 * no includes, no functions, no override prefixes, no real numbers, no dotted names beyond the
 * ones alsactl writes, a bounded depth and no recursion, in time linear in the file's size.
 * A tree is plain data owned by its caller; no locking, no shared state. */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define STATE_TREE_DEPTH 7 /* state.<card>.control.<n>.comment.item.<n> */

enum stateNodeType {
    STATE_COMPOUND,
    STATE_INTEGER, /* a bare whole number */
    STATE_STRING   /* a quoted string, or a bare word that is no number */
};

struct stateNode
{
    const char* id;   /* "" for the root; valid while the tree lives */
    const char* text; /* a leaf's text as written, unquoted and unescaped; NULL for a compound */
    long long integer;
    int type, depth;
    int parent, first, last, next; /* node indexes, -1 for none */
    unsigned int line;             /* where the node was first named */
    size_t close;                  /* a braced compound: the offset of its closing brace, else 0 */
    size_t idAt, textAt;           /* the reader's own */
};

/* One entry as written: from its name to the end of its value, the node its first name part
 * names (a `value.1 3` entry: the node `value`) and the group its second part names, if the
 * name has a third (`comment.dbvalue.0 -600`: the node `dbvalue`; else -1); and the offset of
 * the `,` or `;` that ends it, or STATE_NO_SEPARATOR. */
#define STATE_NO_SEPARATOR ((size_t)-1)
struct stateEntry
{
    int head, inner;
    size_t begin, end, separator;
};

struct stateTree
{
    struct stateNode* nodes; /* nodes[0] is the root */
    int count, capacity;
    struct stateEntry* entries;
    size_t entryCount, entryCapacity;
    char* strings;
    size_t used, size;
    size_t* slots; /* hash of (parent, id): node index + 1, or 0 */
    size_t slotCount;
};

struct stateError
{
    unsigned int line;
    char reason[160];
};

/* Reads `length` bytes of `text`: 0, -EINVAL with `error` saying why and where, or -ENOMEM.
 * The tree is left empty on failure. */
int stateParse(const char* text, size_t length, struct stateTree* tree, struct stateError* error);
void stateTreeFree(struct stateTree* tree);

/* Whether byte `c` (or -1, the end of the text) ends a bare word that is a value. */
int stateEndsBareValue(int c);

/* The child of compound `parent` named `id`, or -1. */
int stateFind(const struct stateTree* tree, int parent, const char* id);

#ifdef __cplusplus
}
#endif
