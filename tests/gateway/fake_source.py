#!/usr/bin/env python3
"""A fake of the gateway's two live sources, for the gateway's tests.

Answers, on 127.0.0.1 only,
    /api/quote/SYM/info?assetclass=stocks    as the Nasdaq source
    /v8/finance/chart/SYM?range=1d&...       as the Yahoo source
from a JSON file of recorded-style answers:
    {"nasdaq": {"SYM": ANSWER, ...}, "yahoo": {"SYM": ANSWER, ...}}
where ANSWER holds "json" (the body, as JSON) or "text" (the body as it
stands), and optionally "status" (default 200), "location" (a Location
header, for a redirect) and "delay" (seconds before answering). A symbol missing from the file gets the source's own answer for
an unknown symbol; a Nasdaq symbol under another asset class than stocks is
written SYM@CLASS (SPY@etf). W1, W2, ... (a W and digits) are a watchlist
of any length: each gets a quote from either source after --watchlist-delay
seconds, however many are asked at once. As a hostile or failing source
might: DEEP1, DEEP2, ... get 1 MiB of "["; TRICKLE1, ... get their
headers one byte a second, for a minute, until the client leaves; SLOW1,
... get a watchlist quote after 20 seconds; HUGE gets from Nasdaq a
watchlist quote padded past the gateway's 128 KiB cap on answers, and from
Yahoo a watchlist quote. GET /peak tells the most
requests that were in progress at once, how many came and how many are in
progress now, then counts anew. Every request line is appended to --log.
Prints its port alone on the first line.
"""
import argparse
import contextlib
import http.server
import json
import os
import re
import signal
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from quote_server import StopRequest, _non_negative, _port  # noqa: E402

ROUTES = (("nasdaq", re.compile(r"^/api/quote/([^/?]+)/info(\?|$)")),
          ("yahoo", re.compile(r"^/v8/finance/chart/([^/?]+)(\?|$)")))
WATCHLIST_SYMBOL = re.compile(r"^W[0-9]+$")
DEEP_SYMBOL = re.compile(r"^DEEP[0-9]+$")
DEEP_ANSWER = {"text": "[" * (1 << 20)}
TRICKLE_SYMBOL = re.compile(r"^TRICKLE[0-9]+$")
TRICKLED_HEAD = b"HTTP/1.1 200 OK\r\nX-Slow: " + b"." * 60
SLOW_SYMBOL = re.compile(r"^SLOW[0-9]+$")
SLOW_DELAY_SECONDS = 20
WATCHLIST_ANSWER = {
    "nasdaq": {"json": {"data": {"exchange": "NASDAQ-GS", "marketStatus": "Open", "keyStats": None,
                                 "primaryData": {"lastSalePrice": "$10.00", "netChange": "+0.50",
                                                 "deltaIndicator": "up", "volume": "1,000"}}}},
    "yahoo": {"json": {"chart": {"result": [{"meta": {"currency": "USD", "regularMarketPrice": 10.0,
                                                      "previousClose": 9.5}}], "error": None}}},
}
MAX_ANSWER_BYTES = 128 * 1024
HUGE_SYMBOL = "HUGE"
HUGE_ANSWER = {"text": json.dumps(WATCHLIST_ANSWER["nasdaq"]["json"]).ljust(MAX_ANSWER_BYTES + 1)}
UNKNOWN = {
    "nasdaq": {"status": 200, "json": {"data": None, "message": None,
                                       "status": {"rCode": 400, "bCodeMessage": [
                                           {"code": 1001, "errorMessage": "Symbol not exists."}]}}},
    "yahoo": {"status": 404, "json": {"chart": {"result": None, "error": {
        "code": "Not Found", "description": "No data found, symbol may be delisted"}}}},
}


def _answer_key(symbol, path):
    """Nasdaq's funds and indices are known under their own asset class:
    SPY@etf answers assetclass=etf, SPY alone assetclass=stocks."""
    asset_class = re.search(r"[?&]assetclass=([a-z]+)", path)
    if asset_class and asset_class.group(1) != "stocks":
        return symbol + "@" + asset_class.group(1)
    return symbol


class SourceHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def setup(self):
        super().setup()
        # Headers and body go out in separate writes; without this, Nagle's
        # wait for the client's delayed acknowledgement adds 40 ms to each.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def do_GET(self):
        if self.path == "/peak":
            return self._send(200, ("%d %d %d" % self.server.take_load()).encode("ascii"))
        self.server.record(self.requestline)
        for source, pattern in ROUTES:
            match = pattern.match(self.path)
            if match:
                symbol = match.group(1).replace("%5E", "^")
                with self.server.in_progress():
                    if TRICKLE_SYMBOL.match(symbol):
                        return self._trickle(TRICKLED_HEAD)
                    return self._answer(self._answer_for(source, symbol))
        self._send(404, b"not found")

    def _answer_for(self, source, symbol):
        if WATCHLIST_SYMBOL.match(symbol):
            return dict(WATCHLIST_ANSWER[source], delay=self.server.watchlist_delay)
        if DEEP_SYMBOL.match(symbol):
            return DEEP_ANSWER
        if symbol == HUGE_SYMBOL:
            return HUGE_ANSWER if source == "nasdaq" else WATCHLIST_ANSWER[source]
        if SLOW_SYMBOL.match(symbol):
            return dict(WATCHLIST_ANSWER[source], delay=SLOW_DELAY_SECONDS)
        return self.server.answers.get(source, {}).get(_answer_key(symbol, self.path), UNKNOWN[source])

    def _answer(self, answer):
        time.sleep(answer.get("delay", 0))
        body = answer["text"] if "text" in answer else json.dumps(answer["json"])
        self._send(answer.get("status", 200), body.encode("utf-8"), answer.get("location"))

    def _trickle(self, data):
        try:
            for byte in data:
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
                time.sleep(1)
        except OSError:
            pass  # the gateway let go
        self.close_connection = True

    def _send(self, status, body, location=None):
        try:
            self.send_response(status)
            if location:
                self.send_header("Location", location)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except OSError:
            pass  # the gateway gave up waiting


class SourceServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128

    def __init__(self, port, answers, log_path, watchlist_delay):
        super().__init__(("127.0.0.1", port), SourceHandler)
        self.answers = answers
        self.watchlist_delay = watchlist_delay
        self._log_path = log_path
        self._lock = threading.Lock()
        self._now = 0
        self._peak = 0
        self._count = 0

    @contextlib.contextmanager
    def in_progress(self):
        with self._lock:
            self._now += 1
            self._count += 1
            self._peak = max(self._peak, self._now)
        try:
            yield
        finally:
            with self._lock:
                self._now -= 1

    def take_load(self):
        with self._lock:
            load = (self._peak, self._count, self._now)
            self._peak, self._count = self._now, 0
        return load

    def record(self, request_line):
        if self._log_path:
            with self._lock, open(self._log_path, "a", encoding="utf-8") as log:
                log.write(request_line + "\n")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0])
    parser.add_argument("--port", type=_port, default=0)
    parser.add_argument("--answers", required=True, metavar="FILE")
    parser.add_argument("--log", metavar="FILE")
    parser.add_argument("--lifetime", type=_non_negative(float), metavar="SECONDS")
    parser.add_argument("--watchlist-delay", type=_non_negative(float), default=0.25, metavar="SECONDS")
    options = parser.parse_args(argv)
    try:
        with open(options.answers, encoding="utf-8") as answers_file:
            answers = json.load(answers_file)
    except (OSError, ValueError) as error:
        parser.error("cannot read %s: %s" % (options.answers, error))
    server = SourceServer(options.port, answers, options.log, options.watchlist_delay)
    stop = StopRequest()
    for signal_number in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signal_number, stop.request)
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    print(server.server_address[1], flush=True)
    stop.wait(options.lifetime)
    server.shutdown()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
