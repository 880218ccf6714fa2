#!/usr/bin/env python3
"""Tests of tools/quote_server.py: run as a real process, spoken to over HTTP."""
import os
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
SERVER = os.path.join(TOOLS, "quote_server.py")
QUOTE_QUERY = "mode=stock&symbol=%s&multi.x=25&multi.y=13"
MARKERS = (b"b>Market : ", b"offsite_quotes.asp", b"content=http://", b"Last Sale:", b"Previous Close:",
           b"Today's High:", b"Today's Low:", b"Volume:")


sys.path.insert(0, TOOLS)
import quote_server  # noqa: E402  (found through the line above)


def write_file(text):
    handle = tempfile.NamedTemporaryFile("w", suffix=".csv", delete=False, encoding="utf-8")
    handle.write(text)
    handle.close()
    return handle.name


class Server:
    """The server as a child process; its port is read from its first line."""

    def __init__(self, *args):
        self.process = subprocess.Popen([sys.executable, SERVER] + list(args), stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
        ready, _, _ = select.select([self.process.stdout], [], [], 10)
        line = self.process.stdout.readline() if ready else b""
        if not line.strip().isdigit():
            self.stop()
            raise AssertionError("no port printed: %r %r" % (line, self.process.stderr.read()))
        self.first_line = line
        self.port = int(line)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(10)
        finally:
            if self.process.poll() is None:
                self.process.kill()
            self.process.stdout.close()
            self.process.stderr.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()


class Response:
    def __init__(self, head, body, closed):
        lines = head.split(b"\r\n")
        self.status = int(lines[0].split()[1]) if lines[0] else 0
        self.headers = dict(line.decode().lower().split(": ", 1) for line in lines[1:] if b": " in line)
        self.body = body
        self.closed = closed

    @property
    def content_length(self):
        return int(self.headers.get("content-length", -1))


def get(port, target, wait=5.0, user_agent="tester"):
    """Sends one GET and reads for at most `wait` seconds; never blocks longer."""
    with socket.create_connection(("127.0.0.1", port), timeout=wait) as conn:
        conn.sendall(("GET %s HTTP/1.1\r\nHost: quotes.test\r\nUser-Agent: %s\r\n\r\n"
                      % (target, user_agent)).encode())
        data, closed = b"", False
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline:
            head, _, body = data.partition(b"\r\n\r\n")
            if _ and len(body) >= Response(head, b"", False).content_length >= 0:
                break
            conn.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                chunk = conn.recv(65536)
            except socket.timeout:
                break
            if not chunk:
                closed = True
                break
            data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    return Response(head, body, closed)


def field(body, marker_a, marker_b, terminator):
    start = body.index(marker_b, body.index(marker_a)) + len(marker_b)
    return body[start:body.index(terminator, start)]


def prices(body):
    return [field(body, marker, b"&nbsp;", b"<")
            for marker in (b"Last Sale:", b"Previous Close:", b"Today's High:", b"Today's Low:")]


class ArgumentTests(unittest.TestCase):
    def test_bad_arguments_exit_2_naming_the_problem(self):
        bad_csv = write_file("symbol,last_sale\nMSFT,abc\n")
        self.addCleanup(os.unlink, bad_csv)
        cases = [
            (["--port", "x"], "--port"), (["--port", "70000"], "65535"), (["--mode", "bogus"], "bogus"),
            (["--symbol-mode", "MSFT"], "SYM=MODE"), (["--symbol-mode", "MSFT=bogus"], "bogus"),
            (["--lifetime", "-1"], "negative"), (["--quotes", "/nonexistent/quotes.csv"], "cannot read"),
            (["--quotes", bad_csv], "not a price"), (["--unknown"], "unrecognized"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = subprocess.run([sys.executable, SERVER] + args, capture_output=True, text=True, timeout=20)
                self.assertEqual(result.returncode, 2)
                self.assertIn(message, result.stderr)
                self.assertEqual(result.stdout, "")


class CsvTests(unittest.TestCase):
    def load(self, text):
        path = write_file(text)
        self.addCleanup(os.unlink, path)
        return quote_server.load_quotes(path)

    def test_good_file_with_columns_in_any_order_and_defaults(self):
        quotes = self.load("\ufeffvolume,Symbol,last_sale,market\n12345,msft,12.25,NASDAQ-NM\n\n,ibm,.5,\n")
        self.assertEqual(sorted(quotes), ["IBM", "MSFT"])
        msft, ibm = quotes["MSFT"], quotes["IBM"]
        self.assertEqual((msft.last_sale, msft.previous_close, msft.high, msft.low, msft.volume, msft.market),
                         (12.25, 12.25, 12.25, 12.25, 12345, "NASDAQ-NM"))
        self.assertEqual((ibm.last_sale, ibm.volume, ibm.market), (0.5, 0, "NASDAQ-NM"))

    def test_malformed_files_are_refused_with_the_reason(self):
        cases = {
            "": "empty",
            "symbol,price\nMSFT,1\n": "unknown column",
            "symbol,volume\nMSFT,1\n": "missing column 'last_sale'",
            "symbol,last_sale,last_sale\nMSFT,1,1\n": "named twice",
            "symbol,last_sale\nMSFT,1,2\n": "3 fields, expected 2",
            "symbol,last_sale\n,1\n": "empty symbol",
            "symbol,last_sale\nMSFT,1\nmsft,2\n": "listed twice",
            "symbol,last_sale\nMSFT,\"1,234.50\"\n": "not a price",
            "symbol,last_sale\nMSFT,-1\n": "not a price",
            "symbol,last_sale\nMSFT,inf\n": "not a price",
            "symbol,last_sale\nMSFT,1_0\n": "not a price",
            "symbol,last_sale,high\nMSFT,1,nan\n": "not a price",
            "symbol,last_sale,volume\nMSFT,1,\"12,345\"\n": "volume",
            "symbol,last_sale,volume\nMSFT,1,4294967296\n": "volume",
        }
        for text, message in cases.items():
            with self.subTest(text=text):
                with self.assertRaises(quote_server.UsageError) as raised:
                    self.load(text)
                self.assertIn(message, str(raised.exception))


class ServingTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.quotes = write_file("symbol,last_sale,previous_close,high,low,volume,market\n"
                                "MSFT,12.25,12.00,12.50,11.75,1234567,NASDAQ-NM\n")
        cls.log = cls.quotes + ".log"
        cls.server = Server("--quotes", cls.quotes, "--log", cls.log, "--slow-seconds", "0.5",
                            "--trickle-seconds", "0.05", "--symbol-mode", "HANG=hang-accept")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        os.unlink(cls.quotes)
        if os.path.exists(cls.log):
            os.unlink(cls.log)

    def get(self, target, **kwargs):
        return get(self.server.port, target, **kwargs)

    def test_prints_the_port_alone_on_its_first_line(self):
        self.assertRegex(self.server.first_line.decode(), r"^[0-9]+\n$")
        self.assertGreater(self.server.port, 0)

    def test_origin_and_absolute_form_serve_the_same_quote_page(self):
        origin = self.get("/Quote.dll?" + QUOTE_QUERY % "msft")
        absolute = self.get("http://quotes.nasdaq.com:80/Quote.dll?" + QUOTE_QUERY % "MSFT")
        self.assertEqual(origin.status, 200)
        self.assertEqual(origin.body, absolute.body)
        page = origin.body
        self.assertEqual(field(page, b"b>Market", b" : ", b"<"), b"NASDAQ-NM")
        self.assertRegex(field(page, b"offsite_quotes.asp", b"content=", b'"'), rb"^http://127\.0\.0\.1:[0-9]+/")
        for marker, value in ((b"Last Sale:", b"12.25"), (b"Previous Close:", b"12.00"),
                              (b"Today's High:", b"12.50"), (b"Today's Low:", b"11.75")):
            self.assertEqual(field(page, marker, b"&nbsp;", b"<"), value)
        self.assertEqual(field(page, b"Volume:", b'">', b"<"), b"1,234,567")

    def test_symbol_missing_from_the_file_gets_a_page_without_markers(self):
        page = self.get("/Quote.dll?" + QUOTE_QUERY % "NOPE")
        self.assertEqual(page.status, 200)
        self.assertFalse([m for m in MARKERS if m in page.body])

    def test_bad_server_modes(self):
        for mode, check in (
            ("normal", lambda r, s: self.assertTrue(all(m in r.body for m in MARKERS))),
            ("slow", lambda r, s: self.assertGreaterEqual(s, 0.45)),
            ("hang-accept", lambda r, s: self.assertEqual((r.status, r.body), (0, b""))),
            ("hanging", lambda r, s: self.assertEqual((r.status, r.body), (0, b""))),
            ("hang-headers", lambda r, s: (self.assertEqual(r.status, 200),
                                           self.assertGreater(r.content_length, 0),
                                           self.assertEqual(r.body, b""))),
            ("trickle", lambda r, s: self.assertTrue(0 < len(r.body) < 40, len(r.body))),
            ("huge", lambda r, s: (self.assertGreater(len(r.body), 150000),
                                   self.assertNotIn(b"Last Sale:", r.body[:150000]),
                                   self.assertIn(b"Last Sale:", r.body))),
            ("truncated", lambda r, s: (self.assertTrue(r.closed),
                                        self.assertLess(len(r.body), r.content_length),
                                        self.assertGreater(len(r.body), 0))),
            ("garbage", lambda r, s: (self.assertEqual(len(r.body), 4096),
                                      self.assertFalse([m for m in MARKERS if m in r.body]))),
            ("empty", lambda r, s: self.assertEqual((r.status, r.content_length, r.body), (200, 0, b""))),
            ("no-markers", lambda r, s: (self.assertEqual(r.status, 200),
                                         self.assertFalse([m for m in MARKERS if m in r.body]))),
            ("no-terminators", lambda r, s: (self.assertTrue(all(m in r.body for m in MARKERS)),
                                             self.assertNotIn(b"<", r.body))),
            ("price-1e39", lambda r, s: self.assertEqual(prices(r.body), [b"1e39"] * 4)),
            ("price-minus-0", lambda r, s: self.assertEqual(prices(r.body), [b"-0"] * 4)),
            ("price-3.4e38", lambda r, s: self.assertEqual(prices(r.body), [b"3.4e38"] * 4)),
            ("long-volume", lambda r, s: self.assertEqual(field(r.body, b"Volume:", b'">', b"<"),
                                                          b"1234567890" * 4)),
            ("redirect-loop", lambda r, s: (self.assertEqual(r.status, 302),
                                            # Response lower-cases whole header lines.
                                            self.assertEqual(r.headers["location"], "http://quotes.test"
                                                             "/test/redirect-loop/quote.dll?symbol=msft"))),
        ):
            with self.subTest(mode=mode):
                started = time.monotonic()
                response = self.get("/test/%s/Quote.dll?symbol=MSFT" % mode, wait=1.0)
                check(response, time.monotonic() - started)

    def test_redirect_page_names_its_location_and_counts_down_its_hops(self):
        to = "http://elsewhere.test/test/body?size=3"
        for hops, location in ((1, to), (3, "redirect?status=307&hops=2&to=http%3A%2F%2Felsewhere.test"
                                            "%2Ftest%2Fbody%3Fsize%3D3")):
            with self.subTest(hops=hops):
                response = self.get("/test/redirect?status=307&hops=%d&to=%s" % (hops, urllib.parse.quote(to, "")))
                self.assertEqual(response.status, 307)
                # Response lower-cases whole header lines.
                self.assertEqual(response.headers["location"], location.lower())
                self.assertEqual(response.body, ("moved to %s\n" % location).encode())

    def test_symbol_mode_applies_to_that_symbol_only(self):
        self.assertEqual(self.get("/Quote.dll?" + QUOTE_QUERY % "HANG", wait=1.0).status, 0)
        self.assertEqual(self.get("/Quote.dll?" + QUOTE_QUERY % "MSFT", wait=1.0).status, 200)

    def test_body_page_is_written_in_chunks(self):
        started = time.monotonic()
        response = self.get("/test/body?size=30&chunk=10&delay=200")
        self.assertGreaterEqual(time.monotonic() - started, 0.35)
        self.assertEqual(response.body, b"abcdefghijklmnopqrstuvwxyzabcd")

    def test_cacheable_page_counts_requests_that_reach_the_server(self):
        first = self.get("/test/cacheable?id=count")
        self.assertIn("max-age=3600", first.headers["cache-control"])
        self.assertEqual([first.body, self.get("/test/cacheable?id=count").body], [b"hits=1", b"hits=2"])

    def test_echo_and_log_record_request_line_and_agent(self):
        echo = self.get("/test/echo?x=1", user_agent="MQUTILITIES")
        self.assertTrue(echo.body.startswith(b"GET /test/echo?x=1 HTTP/1.1\r\n"))
        self.assertIn(b"\r\nUser-Agent: MQUTILITIES\r\n", echo.body)
        with open(self.log, encoding="utf-8") as log:
            self.assertIn("GET /test/echo?x=1 HTTP/1.1\tMQUTILITIES\n", log.read())


class RandomWalkAndLifetimeTests(unittest.TestCase):
    def last_sales(self, seed, symbol, count):
        with Server("--seed", str(seed)) as server:
            return [field(get(server.port, "/Quote.dll?" + QUOTE_QUERY % symbol).body,
                          b"Last Sale:", b"&nbsp;", b"<") for _ in range(count)]

    def test_walk_is_fixed_by_seed_and_symbol_and_moves_per_request(self):
        walk = self.last_sales(5, "MSFT", 3)
        self.assertEqual(walk, self.last_sales(5, "MSFT", 3))
        self.assertEqual(len(set(walk)), 3)
        self.assertNotEqual(walk, self.last_sales(6, "MSFT", 3))
        self.assertNotEqual(walk, self.last_sales(5, "IBM", 3))

    def test_stops_after_its_lifetime_and_on_sigint(self):
        with Server("--lifetime", "1") as server:
            self.assertEqual(server.process.wait(10), 0)
        with Server() as server:
            server.process.send_signal(signal.SIGINT)
            self.assertEqual(server.process.wait(10), 0)


if __name__ == "__main__":
    unittest.main()
