// One GET of a live source's address over HTTP or HTTPS with WinINet, with
// the system's proxy settings, bounded in time and size.
#ifndef MORVANE_GATEWAY_UPSTREAM_FETCH_H
#define MORVANE_GATEWAY_UPSTREAM_FETCH_H

#include <windows.h>

#include <stdint.h>

#include <string>

#include "gateway/upstream_answer.h"

// Returns within `budget_ms` (plus a little), or as soon as `stop` is set,
// whatever the network does. The GET runs on a thread of its own, which
// keeps `hold` until the GET has ended: at the budget or the stop its
// handles are closed from the waiting side, which ends it on Windows at
// once; Wine's WinINet ends a call already blocked on the network only at
// that call's own end. At most kMaxFetchThreads run at once; beyond that,
// and when no thread can start, the source counts as unreachable. Bodies
// above kMaxUpstreamBodyBytes give Kind::too_large.
UpstreamAnswer fetch_upstream(const std::string &url, uint32_t budget_ms, HANDLE stop,
                              FetchHold hold);

// Cuts every fetch in flight short and waits at most `wait_ms` for their
// threads to end; false when some still run. A thread left running uses
// only its own job and its hold, never what the caller goes on to destroy.
bool end_upstream_fetches(uint32_t wait_ms);

#endif
