#!/usr/bin/env python3
"""Local quote server for Morvane Quote: the demo's market and the tests' web.

Serves quote pages in the format the Nasdaq plug-in reads, at

    /Quote.dll?mode=stock&symbol=SYM&multi.x=25&multi.y=13

both in origin form (GET /Quote.dll?...) and in absolute form
(GET http://host:80/Quote.dll?...), so the ticker can use it as its quote host
or, configured as its HTTP proxy, whatever host its address names. It listens
on 127.0.0.1 only, prints the chosen port alone on the first line of its
standard output, and never connects anywhere itself.

Market data
  By default every symbol follows a seeded random walk (--seed): the same seed
  and symbol give the same sequence of quotes, and each request for a symbol
  moves its walk one step.
  --quotes FILE serves fixed quotes from a CSV file instead. Its first row
  names the columns, in any order:
      symbol          ticker symbol (required; matched without regard to case)
      last_sale       price (required)
      previous_close  price (default: last_sale)
      high            day's high (default: last_sale)
      low             day's low (default: last_sale)
      volume          whole number of shares, 0 to 4294967295 (default 0)
      market          market name (default NASDAQ-NM)
  Prices are decimal numbers, 0 or more. A symbol missing from the file gets
  the "not found" page, which carries no quote markers.

Bad-server modes (--mode for every quote page, --symbol-mode SYM=MODE for one
symbol, or the path prefix /test/MODE/ for any page below it):
  normal         the quote page
  slow           the quote page after --slow-seconds (default 2)
  hang-accept    reads the request, then never answers (also: hanging)
  hang-headers   sends the response headers, then never sends the body
  trickle        the quote page one byte every --trickle-seconds (default 0.1)
  huge           200000 bytes of filler before the quote, in 4096-byte chunks
  truncated      announces the whole page, sends half of it and hangs up
  garbage        seeded random bytes, zero bytes included
  empty          an empty body
  no-markers     a well-formed page without any quote marker
  no-terminators the quote page with every '<' taken out: the markers stay, but
                 no number and no market name ends at its terminator
  price-1e39     the quote page with 1e39 for every price (beyond any float)
  price-minus-0  the quote page with -0 for every price
  price-3.4e38   the quote page with 3.4e38 for every price (just below the
                 largest float)
  long-volume    the quote page with a volume of 40 digits
  redirect-loop  a redirect (302) to the address just asked for, every time

Test pages
  /test/body?size=N&chunk=M&delay=MS   N bytes ('a'..'z' repeating) written in
                                       chunks of M bytes, MS milliseconds apart
  /test/cacheable?id=ID                cacheable for an hour (Cache-Control
                                       max-age); its body counts the requests
                                       for ID that reached the server
  /test/echo                           the request line and headers received
  /test/redirect?status=S&to=URL&hops=N
                                       a redirect S (300 to 399, default 302)
                                       to URL, as given; with N above 1, first
                                       N-1 redirects back here, each with a
                                       relative location
Every redirect's body is "moved to " and its location, on one line.
  /detail?symbol=SYM                   the page a quote's detail address names
Every request is written to --log FILE as: request line, a tab, User-Agent.
"""
import argparse
import csv
import http.server
import math
import random
import re
import select
import signal
import sys
import threading
import time
import urllib.parse

MODES = ("normal", "slow", "hang-accept", "hanging", "hang-headers", "trickle", "huge",
         "truncated", "garbage", "empty", "no-markers", "no-terminators", "price-1e39", "price-minus-0",
         "price-3.4e38", "long-volume", "redirect-loop")
HUGE_FILLER_BYTES = 200000
HUGE_CHUNK_BYTES = 4096
HANG_LIMIT_SECONDS = 600
MAX_VOLUME = 4294967295
FORTY_DIGIT_VOLUME = "1234567890123456789012345678901234567890"
QUOTE_PATH = "/quote.dll"


class UsageError(Exception):
    pass


# ---------------------------------------------------------------- market data

class Quote:
    def __init__(self, last_sale, previous_close, high, low, volume, market):
        self.last_sale = last_sale
        self.previous_close = previous_close
        self.high = high
        self.low = low
        self.volume = volume
        self.market = market


class RandomWalkMarket:
    """Seeded per symbol; each quote() moves that symbol's walk one step."""

    def __init__(self, seed):
        self._seed = seed
        self._walks = {}
        self._lock = threading.Lock()

    def quote(self, symbol):
        with self._lock:
            walk = self._walks.get(symbol)
            if walk is None:
                walk = self._start(symbol)
                self._walks[symbol] = walk
            rng, quote = walk
            step = quote.last_sale * rng.gauss(0.0, 0.01)
            quote.last_sale = round(min(999.0, max(0.05, quote.last_sale + step)), 2)
            quote.high = max(quote.high, quote.last_sale)
            quote.low = min(quote.low, quote.last_sale)
            quote.volume = min(MAX_VOLUME, quote.volume + rng.randint(100, 50000))
            return Quote(quote.last_sale, quote.previous_close, quote.high,
                         quote.low, quote.volume, quote.market)

    def _start(self, symbol):
        rng = random.Random("%s:%s" % (self._seed, symbol))
        price = round(rng.uniform(5.0, 300.0), 2)
        market = rng.choice(("NASDAQ-NM", "NASDAQ-SC", "NYSE", "AMEX"))
        return rng, Quote(price, price, price, price, rng.randint(10000, 5000000), market)


class FixedMarket:
    def __init__(self, quotes):
        self._quotes = quotes

    def quote(self, symbol):
        return self._quotes.get(symbol)


def _price(text, column, line):
    if not re.fullmatch(r"[0-9]+(\.[0-9]*)?|\.[0-9]+", text):
        raise UsageError("line %d: %s %r is not a price" % (line, column, text))
    return float(text)


def _volume(text, line):
    if not re.fullmatch(r"[0-9]+", text) or int(text) > MAX_VOLUME:
        raise UsageError("line %d: volume %r is not a whole number from 0 to %d" % (line, text, MAX_VOLUME))
    return int(text)


def load_quotes(path):
    """Reads a --quotes CSV file into {SYMBOL: Quote}; raises UsageError."""
    known = ("symbol", "last_sale", "previous_close", "high", "low", "volume", "market")
    try:
        # utf-8-sig: a spreadsheet's CSV export starts with a byte-order mark.
        with open(path, newline="", encoding="utf-8-sig") as handle:
            rows = list(csv.reader(handle))
    except (OSError, UnicodeDecodeError, csv.Error) as error:
        raise UsageError("cannot read quotes file %s: %s" % (path, error))
    if not rows:
        raise UsageError("quotes file %s is empty" % path)
    header = [name.strip().lower() for name in rows[0]]
    for name in header:
        if name not in known:
            raise UsageError("quotes file %s: unknown column %r" % (path, name))
    for name in ("symbol", "last_sale"):
        if name not in header:
            raise UsageError("quotes file %s: missing column %r" % (path, name))
    if len(set(header)) != len(header):
        raise UsageError("quotes file %s: a column is named twice" % path)
    quotes = {}
    for line, row in enumerate(rows[1:], start=2):
        if not any(cell.strip() for cell in row):
            continue
        if len(row) != len(header):
            raise UsageError("quotes file %s line %d: %d fields, expected %d" % (path, line, len(row), len(header)))
        fields = dict(zip(header, (cell.strip() for cell in row)))
        symbol = fields["symbol"].upper()
        if not symbol:
            raise UsageError("quotes file %s line %d: empty symbol" % (path, line))
        if symbol in quotes:
            raise UsageError("quotes file %s line %d: symbol %s listed twice" % (path, line, symbol))
        last_sale = _price(fields["last_sale"], "last_sale", line)
        prices = [_price(fields[name], name, line) if fields.get(name) else last_sale
                  for name in ("previous_close", "high", "low")]
        volume = _volume(fields["volume"], line) if fields.get("volume") else 0
        quotes[symbol] = Quote(last_sale, prices[0], prices[1], prices[2], volume,
                               fields.get("market") or "NASDAQ-NM")
    return quotes


# ---------------------------------------------------------------------- pages

def quote_page(symbol, quote, detail_base, price_text=None, volume_text=None):
    """The quote page: every marker the plug-in looks for, numbers as it reads them.
    price_text and volume_text, when given, stand in for every price and for the volume."""
    detail = "%s/detail?symbol=%s" % (detail_base, urllib.parse.quote(symbol))
    prices = [price_text or "%.2f" % value
              for value in (quote.last_sale, quote.previous_close, quote.high, quote.low)]
    return (
        "<html><head><title>%(symbol)s - Stock Quote</title></head><body>\n"
        "<table class=\"quote\">\n"
        "<tr><td><b>%(symbol)s</b></td><td><b>Market : %(market)s</b></td></tr>\n"
        "<tr><td><a href=\"/offsite_quotes.asp?symbol=%(symbol)s\">Full quote</a>"
        "<meta name=\"detail\" content=%(detail)s\"></td></tr>\n"
        "<tr><td>Last Sale:</td><td align=\"right\">&nbsp;%(last)s</td></tr>\n"
        "<tr><td>Previous Close:</td><td align=\"right\">&nbsp;%(previous)s</td></tr>\n"
        "<tr><td>Today's High:</td><td align=\"right\">&nbsp;%(high)s</td></tr>\n"
        "<tr><td>Today's Low:</td><td align=\"right\">&nbsp;%(low)s</td></tr>\n"
        "<tr><td>Volume:</td><td align=\"right\">%(volume)s</td></tr>\n"
        "</table></body></html>\n"
    ) % {"symbol": symbol, "market": quote.market, "detail": detail,
         "last": prices[0], "previous": prices[1], "high": prices[2], "low": prices[3],
         "volume": volume_text or "{:,}".format(quote.volume)}


def not_found_page(symbol):
    return ("<html><head><title>Symbol lookup</title></head><body>\n"
            "<p>%s is not a known symbol.</p></body></html>\n" % symbol)


def detail_page(symbol):
    return "<html><body><h1>%s</h1><p>Full quote.</p></body></html>\n" % symbol


def body_pattern(size):
    alphabet = b"abcdefghijklmnopqrstuvwxyz"
    return (alphabet * (size // len(alphabet) + 1))[:size]


# ------------------------------------------------------------------- handling

class QuoteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "MorvaneQuoteServer/1.0"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def do_GET(self):
        self.server.record(self.requestline, self.headers.get("User-Agent", ""))
        target = urllib.parse.urlsplit(self.path)
        path = target.path or "/"
        query = urllib.parse.parse_qs(target.query)
        if path.lower().startswith("/test/"):
            self._serve_test(path[len("/test/"):], query)
        elif path.lower() == QUOTE_PATH:
            symbol = query.get("symbol", [""])[0].upper()
            self._serve_quote(symbol, self.server.mode_for(symbol))
        elif path.lower() == "/detail":
            self._send(200, detail_page(query.get("symbol", [""])[0]).encode())
        else:
            self._send(404, b"<html><body>Not found</body></html>\n")

    def _serve_test(self, rest, query):
        name = rest.split("/", 1)[0]
        if name in MODES:
            symbol = query.get("symbol", ["TEST"])[0].upper()
            self._serve_quote(symbol, name)
        elif name == "body":
            self._serve_body(query)
        elif name == "cacheable":
            hits = self.server.count_hit(query.get("id", [""])[0])
            self._send(200, ("hits=%d" % hits).encode(),
                       {"Cache-Control": "public, max-age=3600",
                        "Last-Modified": "Mon, 01 Jan 2024 00:00:00 GMT", "ETag": "\"fixed\""})
        elif name == "redirect":
            self._serve_redirect(query)
        elif name == "echo":
            lines = [self.requestline] + ["%s: %s" % item for item in self.headers.items()]
            self._send(200, ("\r\n".join(lines) + "\r\n\r\n").encode())
        else:
            self._send(404, b"unknown test page\n")

    def _serve_body(self, query):
        try:
            size = int(query.get("size", ["0"])[0])
            chunk = int(query.get("chunk", [str(max(size, 1))])[0])
            delay = int(query.get("delay", ["0"])[0]) / 1000.0
        except ValueError:
            self._send(400, b"size, chunk and delay are whole numbers\n")
            return
        if size < 0 or chunk < 1 or delay < 0:
            self._send(400, b"size, chunk and delay out of range\n")
            return
        self._send_chunked(body_pattern(size), chunk, delay)

    def _serve_redirect(self, query):
        try:
            status = int(query.get("status", ["302"])[0])
            hops = int(query.get("hops", ["1"])[0])
        except ValueError:
            self._send(400, b"status and hops are whole numbers\n")
            return
        to = query.get("to", [""])[0]
        if not 300 <= status <= 399 or hops < 1:
            self._send(400, b"status 300 to 399 and hops 1 or more\n")
            return
        if hops > 1:
            to = "redirect?" + urllib.parse.urlencode({"status": status, "hops": hops - 1, "to": to})
        self._send_redirect(status, to)

    def _send_redirect(self, status, location):
        self._send(status, ("moved to %s\n" % location).encode(), {"Location": location})

    def _serve_quote(self, symbol, mode):
        quote = self.server.market.quote(symbol)

        def page_with(price_text=None, volume_text=None):
            if not quote:
                return not_found_page(symbol).encode()
            return quote_page(symbol, quote, self.server.base_url(), price_text, volume_text).encode()

        page = page_with()
        serve = {
            "normal": lambda: self._send(200, page),
            "slow": lambda: (time.sleep(self.server.slow_seconds), self._send(200, page)),
            "hang-accept": self._hang,
            "hanging": self._hang,
            "hang-headers": lambda: (self._send_headers(200, len(page)), self._hang()),
            "trickle": lambda: self._send_chunked(page, 1, self.server.trickle_seconds),
            "huge": lambda: self._send_chunked(b"<!--" + b"x" * HUGE_FILLER_BYTES + b"-->" + page,
                                               HUGE_CHUNK_BYTES, 0.001),
            "truncated": lambda: self._send_truncated(page),
            "garbage": lambda: self._send(200, self._garbage(symbol)),
            "empty": lambda: self._send(200, b""),
            "no-markers": lambda: self._send(200, not_found_page(symbol).encode()),
            "no-terminators": lambda: self._send(200, page.replace(b"<", b"")),
            "price-1e39": lambda: self._send(200, page_with(price_text="1e39")),
            "price-minus-0": lambda: self._send(200, page_with(price_text="-0")),
            "price-3.4e38": lambda: self._send(200, page_with(price_text="3.4e38")),
            "long-volume": lambda: self._send(200, page_with(volume_text=FORTY_DIGIT_VOLUME)),
            "redirect-loop": lambda: self._send_redirect(302, self._own_address()),
        }
        serve[mode]()

    def _own_address(self):
        if "://" in self.path:
            return self.path
        return "http://%s%s" % (self.headers.get("Host", "127.0.0.1:%d" % self.server.server_address[1]), self.path)

    def _garbage(self, symbol):
        rng = random.Random("%s:garbage:%s" % (self.server.seed, symbol))
        return bytes(rng.randrange(256) for _ in range(4096))

    def _send_headers(self, status, length, extra=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(length))
        for name, value in (extra or {}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.flush()

    def _send(self, status, body, extra=None):
        self._send_headers(status, len(body), extra)
        self.wfile.write(body)
        self.wfile.flush()

    def _send_chunked(self, body, chunk, delay):
        """Whole body announced, written in pieces with pauses between them."""
        self._send_headers(200, len(body))
        for start in range(0, len(body), chunk):
            if start and delay:
                if self.server.stopping.wait(delay):
                    return
            try:
                self.wfile.write(body[start:start + chunk])
                self.wfile.flush()
            except OSError:
                return  # the client gave up

    def _send_truncated(self, page):
        self._send_headers(200, len(page))
        self.wfile.write(page[:len(page) // 2])
        self.wfile.flush()
        self.close_connection = True

    def _hang(self):
        """Silent until the client hangs up or the server stops."""
        deadline = time.monotonic() + HANG_LIMIT_SECONDS
        while not self.server.stopping.is_set() and time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        break
                except OSError:
                    break
        self.close_connection = True


class QuoteServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, market, options):
        super().__init__(("127.0.0.1", port), QuoteHandler)
        self.market = market
        self.seed = options.seed
        self.default_mode = options.mode
        self.symbol_modes = options.symbol_modes
        self.slow_seconds = options.slow_seconds
        self.trickle_seconds = options.trickle_seconds
        self.stopping = threading.Event()
        self._log_path = options.log
        self._lock = threading.Lock()
        self._hits = {}

    def base_url(self):
        return "http://127.0.0.1:%d" % self.server_address[1]

    def mode_for(self, symbol):
        return self.symbol_modes.get(symbol, self.default_mode)

    def count_hit(self, key):
        with self._lock:
            self._hits[key] = self._hits.get(key, 0) + 1
            return self._hits[key]

    def record(self, request_line, user_agent):
        if not self._log_path:
            return
        with self._lock, open(self._log_path, "a", encoding="utf-8", errors="replace") as log:
            log.write("%s\t%s\n" % (request_line, user_agent))


# ------------------------------------------------------------------ arguments

def _symbol_mode(text):
    symbol, sep, mode = text.partition("=")
    if not sep or not symbol.strip() or mode not in MODES:
        raise argparse.ArgumentTypeError("expected SYM=MODE with MODE one of %s, got %r" % (", ".join(MODES), text))
    return symbol.strip().upper(), mode


def _non_negative(kind):
    def parse(text):
        try:
            value = kind(text)
        except ValueError:
            raise argparse.ArgumentTypeError("%r is not a number" % text)
        if not (value >= 0 and math.isfinite(value)):
            raise argparse.ArgumentTypeError("%r must not be negative" % text)
        return value
    return parse


def _port(text):
    value = _non_negative(int)(text)
    if value > 65535:
        raise argparse.ArgumentTypeError("port %r is above 65535" % text)
    return value


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n", 1)[0],
        epilog=__doc__.split("\n", 1)[1],
        formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=_port, default=0, help="port on 127.0.0.1 (default 0: any free port)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the random walks (default 1)")
    parser.add_argument("--quotes", metavar="FILE", help="fixed quotes from a CSV file (columns above)")
    parser.add_argument("--mode", choices=MODES, default="normal", help="mode of every quote page")
    parser.add_argument("--symbol-mode", type=_symbol_mode, action="append", default=[], metavar="SYM=MODE",
                        help="mode of one symbol's quote page (repeatable)")
    parser.add_argument("--slow-seconds", type=_non_negative(float), default=2.0)
    parser.add_argument("--trickle-seconds", type=_non_negative(float), default=0.1)
    parser.add_argument("--log", metavar="FILE", help="append each request line and User-Agent to FILE")
    parser.add_argument("--lifetime", type=_non_negative(float), metavar="SECONDS",
                        help="stop after this many seconds")
    options = parser.parse_args(argv)
    options.symbol_modes = dict(options.symbol_mode)
    try:
        options.market = FixedMarket(load_quotes(options.quotes)) if options.quotes else RandomWalkMarket(options.seed)
    except UsageError as error:
        parser.error(str(error))
    return options


class StopRequest:
    """Set by SIGINT/SIGTERM. A plain flag, polled: a handler that took a lock
    could deadlock against the main thread holding it, and a blocking wait
    would not wake for a signal the kernel handed to the serving thread."""

    def __init__(self):
        self.requested = False

    def request(self, *_):
        self.requested = True

    def wait(self, lifetime):
        deadline = None if lifetime is None else time.monotonic() + lifetime
        while not self.requested:
            if deadline is not None and time.monotonic() >= deadline:
                return
            time.sleep(0.1)


def main(argv):
    options = parse_arguments(argv)
    try:
        server = QuoteServer(options.port, options.market, options)
    except OSError as error:
        print("quote_server: cannot listen on 127.0.0.1:%d: %s" % (options.port, error), file=sys.stderr)
        return 2
    stop = StopRequest()
    for signal_number in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signal_number, stop.request)
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
    serving.start()
    print(server.server_address[1], flush=True)
    stop.wait(options.lifetime)
    server.stopping.set()
    server.shutdown()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
