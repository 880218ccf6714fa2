#!/usr/bin/env python3
"""The gateway's status page for real: Morvane Quote Gateway.exe under Wine,
driven through the fake source into each state (a good quote, a 429 that
rests Nasdaq, an unknown symbol, a dead Yahoo), then read as JSON, refused
to a foreign Host, and opened in headless Chromium, whose rendered page is
checked and saved as a picture (the README's, when SCREENSHOT is that file).

    status_page_browser_test.py GATEWAY_EXE FAKE_SOURCE_PORT_FILE SCREENSHOT QUOTE_HOST
"""
import http.server
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import gateway_client

GATEWAY, PORT_FILE, SCREENSHOT, QUOTE_HOST = sys.argv[1:5]
CHROMIUM = shutil.which("chromium")
free_port, get = gateway_client.free_port, gateway_client.get


def junk_page(gateway_port, count):
    """A page that asks the gateway for `count` junk symbols, each with an
    <img> and a no-cors fetch, as any page the user opens could; it writes
    "settled" once every fetch has."""
    quote = "http://127.0.0.1:%d/Quote.dll?mode=stock&symbol=JUNK%%d&multi.x=25&multi.y=13" % gateway_port
    images = "".join('<img src="%s">' % (quote % n) for n in range(count))
    fetches = ",".join('fetch("%s", {mode: "no-cors"})' % (quote % n) for n in range(count))
    script = "Promise.allSettled([%s]).then(() => document.body.append('settled'));" % fetches
    return "<!DOCTYPE html><html><body>%s<script>%s</script></body></html>" % (images, script)


class PageServer(http.server.ThreadingHTTPServer):
    """Serves one page from another loopback port than the gateway's."""

    def __init__(self, page):
        page_bytes = page.encode("utf-8")

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):  # noqa: N802 - the base class's name
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(page_bytes)))
                self.end_headers()
                self.wfile.write(page_bytes)

            def log_message(self, format, *args):  # noqa: A002 - the base class's name
                pass

        super().__init__(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.serve_forever, daemon=True).start()


def source_requests(symbol_part):
    with open(os.path.join(os.path.dirname(PORT_FILE), "requests.log"), encoding="utf-8") as log:
        return sum(symbol_part in line for line in log)


def stored_watchlist():
    return subprocess.run(["wine", "reg", "query", r"HKCU\Software\Morvane\Morvane Quote Gateway",
                           "/v", "Watchlist"], capture_output=True, text=True, timeout=60).stdout


def ask_quote(port, symbol):
    return gateway_client.ask_quote(port, QUOTE_HOST, symbol)


def clock_seconds(text):
    hours, minutes, seconds = (int(part) for part in text.split(":"))
    return hours * 3600 + minutes * 60 + seconds


def chromium(*arguments):
    return subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", *arguments],
                          capture_output=True, text=True, timeout=90)


class Gateway:
    """Morvane Quote Gateway.exe on a free port with a log of its own, its
    Nasdaq the fake source and its Yahoo `yahoo`; ready once its port
    accepts a connection."""

    def __init__(self, yahoo="http://127.0.0.1:1"):
        with open(PORT_FILE, encoding="ascii") as port_file:
            source = "http://127.0.0.1:%s" % port_file.read().strip()
        self.port = free_port()
        self.log = os.path.join(tempfile.mkdtemp(), "gateway.log")
        self.arguments = ["--port", str(self.port), "--log", self.log]
        self.process = subprocess.Popen(["wine", GATEWAY, *self.arguments, "--nasdaq-base", source,
                                         "--yahoo-base", yahoo.replace("SOURCE", source)])
        deadline = time.monotonic() + 30
        while True:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                break
            except OSError:
                if time.monotonic() > deadline or self.process.poll() is not None:
                    self.process.kill()
                    raise AssertionError("the gateway did not listen within 30 s") from None
                time.sleep(0.2)

    def stop(self):
        subprocess.run(["wine", GATEWAY, *self.arguments, "--stop"], timeout=60)
        self.process.wait(timeout=60)

    def log_text(self):
        with open(self.log, encoding="utf-8", errors="replace") as log:
            return log.read()


class StatusPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A watchlist left by another test would bring prefetches along.
        subprocess.run(["wine", "reg", "delete", r"HKCU\Software\Morvane\Morvane Quote Gateway", "/f"],
                       capture_output=True, timeout=60)
        cls.gateway = Gateway()
        cls.port, cls.log = cls.gateway.port, cls.gateway.log
        # A good quote, an unknown symbol that a dead Yahoo cannot answer
        # either, and a 429 that rests Nasdaq.
        for symbol in ("MSFT", "NOSUCH", "LIMIT"):
            ask_quote(cls.port, symbol)

    @classmethod
    def tearDownClass(cls):
        cls.gateway.stop()

    def test_json_tells_every_fact_of_each_state(self):
        status, headers, body = get(self.port, "/status.json")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "application/json")
        facts = json.loads(body)
        nasdaq, yahoo = facts["sources"]
        self.assertEqual((nasdaq["name"], nasdaq["state"], nasdaq["last_error"]),
                         ("nasdaq", "resting", "rate limited (http 429)"))
        # It rests the minute after the 429 that failed it.
        self.assertIn(clock_seconds(nasdaq["resting_until"]) - clock_seconds(nasdaq["failing_since"]),
                      (59, 60, 61, 60 - 86400))
        self.assertEqual((yahoo["name"], yahoo["state"], yahoo["last_error"]),
                         ("yahoo", "failing", "unreachable"))
        symbols = {row["symbol"]: row for row in facts["symbols"]}
        self.assertEqual((symbols["MSFT"]["last_sale"], symbols["MSFT"]["source"]), (315.44, "nasdaq"))
        self.assertTrue(symbols["NOSUCH"]["failing"])
        self.assertIsNone(symbols["NOSUCH"]["last_sale"])
        self.assertEqual(symbols["NOSUCH"]["last_outcome"],
                         "no quote: nasdaq: unknown symbol; yahoo: unreachable")
        self.assertEqual((facts["port"], facts["source_order"]), (self.port, ["nasdaq", "yahoo"]))
        for symbol in ("MSFT", "NOSUCH", "LIMIT"):
            self.assertEqual(sum("\t%s\t" % symbol in line for line in facts["recent_requests"]), 1)
        print("[ measured ] /status.json of the driven states:\n" + json.dumps(facts, indent=1))

    def test_a_foreign_host_gets_no_page(self):
        status, headers, body = get(self.port, "/status.json", host="evil.example:%d" % self.port)
        self.assertEqual(status, 421)
        self.assertNotIn("nasdaq", body)
        self.assertNotIn("Access-Control-Allow-Origin", headers)
        print("[ measured ] Host: evil.example got %d: %s" % (status, body.strip()))

    @unittest.skipUnless(CHROMIUM, "chromium is not installed")
    def test_the_browser_renders_each_state_from_the_page_alone(self):
        status, headers, _ = get(self.port, "/")
        self.assertEqual(status, 200)
        self.assertIn("default-src 'none'", headers["Content-Security-Policy"])
        url = "http://127.0.0.1:%d/" % self.port
        dom = chromium("--dump-dom", url).stdout
        for text in ("answering", "resting", "failing", "MSFT", "315.44", "NOSUCH", "unknown symbol"):
            self.assertIn(text, dom)
        # Nothing but the page itself: no script, style sheet, font or image to load.
        for tag in ("<script", "<link", "<img", "<iframe", "url("):
            self.assertNotIn(tag, dom.lower())
        os.makedirs(os.path.dirname(os.path.abspath(SCREENSHOT)), exist_ok=True)
        chromium("--screenshot=" + SCREENSHOT, "--window-size=1000,900", "--hide-scrollbars", url)
        self.assertTrue(os.path.getsize(SCREENSHOT) > 0)

    # A gateway of its own, with both sources answering, so that nothing
    # resting hides what the page would cost them.
    @unittest.skipUnless(CHROMIUM, "chromium is not installed")
    def test_web_page_asking_for_junk_symbols_reaches_no_source(self):
        junk_count = 50
        before = source_requests("JUNK")
        gateway = Gateway(yahoo="SOURCE")
        page = PageServer(junk_page(gateway.port, junk_count))
        try:
            url = "http://127.0.0.1:%d/" % page.server_address[1]
            dom = chromium("--virtual-time-budget=60000", "--dump-dom", url).stdout
            _, _, body = get(gateway.port, "/status.json")
        finally:
            page.shutdown()
            gateway.stop()
        upstream = source_requests("JUNK") - before
        listed = [row["symbol"] for row in json.loads(body)["symbols"] if row["symbol"].startswith("JUNK")]
        stored = stored_watchlist().count("JUNK")
        refused = gateway.log_text().count("refused 403")
        print("[ measured ] a page asking for %d junk symbols (<img> and fetch each): %d upstream "
              "requests, %d junk symbols on the status page, %d in the stored watchlist, %d refused"
              % (junk_count, upstream, len(listed), stored, refused))
        self.assertIn("</script>settled", dom)
        # Every request reached the gateway, and each was turned away.
        self.assertEqual(refused, 2 * junk_count)
        self.assertEqual((upstream, listed, stored), (0, [], 0))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
