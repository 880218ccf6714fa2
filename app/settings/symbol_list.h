// The ordered, append-only list of tracked symbols, addressed by 0-based
// position. Positions and record addresses stay fixed until the list is freed.
// All operations return 1 for success and 0 for failure, except
// symbol_list_last_position. Portable: no Windows header.
#ifndef MORVANE_APP_SETTINGS_SYMBOL_LIST_H
#define MORVANE_APP_SETTINGS_SYMBOL_LIST_H

#include <stdint.h>

#include "app/settings/quote_record.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SymbolNode {
    struct SymbolNode *next;
    struct SymbolNode *prev;
    QuoteRecord *record;  // the node's own copy, at a fixed address
} SymbolNode;

typedef struct SymbolList {
    SymbolNode *first;
    SymbolNode *last;
    int32_t last_position;  // -1 for an empty list
} SymbolList;

// The most positions any consumer looks at (0 to 999).
enum { SYMBOL_LIST_MAX_POSITIONS = 1000 };

// Makes an empty list into *out; on failure *out is left untouched.
int32_t symbol_list_create(SymbolList **out);

// Appends a copy of `size` bytes (a QuoteRecord) at the tail. The caller keeps
// its buffer. Fails, leaving the list unchanged, on a missing list or when
// memory cannot be had.
int32_t symbol_list_append(SymbolList *list, const void *source, uint32_t size);

// Stores into *out a pointer to the list's own record at `position`; writes
// through it change the list. Fails, leaving *out untouched, for a missing or
// empty list, a negative position or one past the end.
int32_t symbol_list_get(SymbolList *list, QuoteRecord **out, int32_t position);

// A walk through the positions consumers look at (0 to
// SYMBOL_LIST_MAX_POSITIONS - 1), in order. Each step follows one link, so a
// whole walk costs as much as the list is long, where symbol_list_get for
// every position, each from the head, would cost its square.
typedef struct SymbolWalk {
    SymbolNode *next;  // the node of the record the next step hands out
    int32_t position;  // that record's position
} SymbolWalk;

// A walk from position 0; on a missing or empty list it ends at once.
SymbolWalk symbol_list_walk(const SymbolList *list);

// Stores the next record (the list's own, as symbol_list_get gives it) and
// its position, and steps on. Past the last record, or past the last
// position consumers look at, it fails and leaves both untouched. The list
// must outlive the walk.
int32_t symbol_list_walk_next(SymbolWalk *walk, QuoteRecord **out, int32_t *position);

// Position of the last record; -1 for an empty (or missing) list.
int32_t symbol_list_last_position(const SymbolList *list);

// Releases every node, record copy and the list itself.
int32_t symbol_list_free(SymbolList *list);

#ifdef __cplusplus
}
#endif

#endif
