#include "app/settings/symbol_list.h"

#include <stdlib.h>
#include <string.h>

// Each record copy is its own heap block, so its address never moves while
// the list grows; the node only points at it.

int32_t symbol_list_create(SymbolList **out) {
    SymbolList *list = static_cast<SymbolList *>(malloc(sizeof(SymbolList)));
    if (list == nullptr) return 0;
    list->first = nullptr;
    list->last = nullptr;
    list->last_position = -1;
    *out = list;
    return 1;
}

int32_t symbol_list_append(SymbolList *list, const void *source, uint32_t size) {
    if (list == nullptr) return 0;
    SymbolNode *node = static_cast<SymbolNode *>(malloc(sizeof(SymbolNode)));
    // The list hands out QuoteRecord pointers, so a record copy is never
    // smaller than one, whatever size the caller passes.
    size_t block_size = size < sizeof(QuoteRecord) ? sizeof(QuoteRecord) : size;
    QuoteRecord *record = static_cast<QuoteRecord *>(calloc(1, block_size));
    if (node == nullptr || record == nullptr) {
        free(node);
        free(record);
        return 0;
    }
    memcpy(record, source, size);
    node->record = record;
    node->next = nullptr;
    node->prev = list->last;
    if (list->last == nullptr) {
        list->first = node;
    } else {
        list->last->next = node;
    }
    list->last = node;
    list->last_position += 1;
    return 1;
}

int32_t symbol_list_get(SymbolList *list, QuoteRecord **out, int32_t position) {
    if (list == nullptr || list->first == nullptr || position < 0) return 0;
    SymbolNode *node = list->first;
    for (int32_t counter = 0; counter != position; ++counter) {
        node = node->next;
        if (node == nullptr) return 0;
    }
    *out = node->record;
    return 1;
}

SymbolWalk symbol_list_walk(const SymbolList *list) {
    SymbolWalk walk;
    walk.next = list == nullptr ? nullptr : list->first;
    walk.position = 0;
    return walk;
}

int32_t symbol_list_walk_next(SymbolWalk *walk, QuoteRecord **out, int32_t *position) {
    if (walk->next == nullptr || walk->position >= SYMBOL_LIST_MAX_POSITIONS) return 0;
    *out = walk->next->record;
    *position = walk->position;
    walk->next = walk->next->next;
    walk->position += 1;
    return 1;
}

int32_t symbol_list_last_position(const SymbolList *list) {
    return list == nullptr ? -1 : list->last_position;
}

int32_t symbol_list_free(SymbolList *list) {
    if (list == nullptr) return 0;
    SymbolNode *node = list->first;
    while (node != nullptr) {
        SymbolNode *following = node->next;
        free(node->record);
        free(node);
        node = following;
    }
    free(list);
    return 1;
}
