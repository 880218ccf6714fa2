// Scraping a quote out of the text of a quote page, by fixed text markers.
//
// Portable: no Windows header.
#ifndef MORVANE_PLUGIN_QUOTE_PAGE_H
#define MORVANE_PLUGIN_QUOTE_PAGE_H

#include <stdint.h>

#include "plugin/quote_plugin.h"

// Copies into `output` (at least limit + 1 bytes) the text that follows
// marker_b, where marker_b is searched from the first occurrence of marker_a,
// up to the terminator, the end of the page, or `limit` characters. The
// output is always zero-terminated; it is empty when a marker is missing.
// Returns true when both markers were found.
bool extract_field(const char *page, const char *marker_a, const char *marker_b, char terminator,
                   char *output, int32_t limit);

// Resets the request's out fields (numbers to 0, texts to empty) and fills
// in every field whose markers the zero-terminated page holds; a price that
// no finite float holds stays 0. Reads and writes nothing of the request but
// its out fields.
void parse_quote_page(QuoteRequest *request, const char *page);

#endif
