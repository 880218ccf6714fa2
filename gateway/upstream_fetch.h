// One GET of a live source's address over HTTP or HTTPS with WinINet, with
// the system's proxy settings, bounded in time and size.
#ifndef MORVANE_GATEWAY_UPSTREAM_FETCH_H
#define MORVANE_GATEWAY_UPSTREAM_FETCH_H

#include <windows.h>

#include <stdint.h>

#include <string>

#include "gateway/upstream_answer.h"

// Returns within `budget_ms` (plus a little), or as soon as `stop` is set,
// whatever the network does: the GET runs on a thread of its own, which
// shares nothing with the caller but the job it was given and is left to
// finish alone when the caller stops waiting. Bodies above
// kMaxUpstreamBodyBytes give Kind::too_large.
UpstreamAnswer fetch_upstream(const std::string &url, uint32_t budget_ms, HANDLE stop);

#endif
