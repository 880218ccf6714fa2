#!/usr/bin/env python3
"""The gateway's status page for real: Morvane Quote Gateway.exe under Wine,
driven through the fake source into each state (a good quote, a 429 that
rests Nasdaq, an unknown symbol, a dead Yahoo), then read as JSON, refused
to a foreign Host, and opened in headless Chromium, whose rendered page is
checked and saved as a picture (the README's, when SCREENSHOT is that file).

    status_page_browser_test.py GATEWAY_EXE FAKE_SOURCE_PORT_FILE SCREENSHOT QUOTE_HOST
"""
import http.client
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

GATEWAY, PORT_FILE, SCREENSHOT, QUOTE_HOST = sys.argv[1:5]
CHROMIUM = shutil.which("chromium")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def get(port, path, host=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=15)
    connection.putrequest("GET", path, skip_host=True)
    connection.putheader("Host", host or "127.0.0.1:%d" % port)
    connection.endheaders()
    answer = connection.getresponse()
    body = answer.read().decode("utf-8", "replace")
    headers = dict(answer.getheaders())
    connection.close()
    return answer.status, headers, body


def ask_quote(port, symbol):
    """Asks as the ticker does through its proxy setting."""
    target = "http://%s:80/Quote.dll?mode=stock&symbol=%s&multi.x=25&multi.y=13" % (QUOTE_HOST, symbol)
    return get(port, target, host=QUOTE_HOST)


def clock_seconds(text):
    hours, minutes, seconds = (int(part) for part in text.split(":"))
    return hours * 3600 + minutes * 60 + seconds


def chromium(*arguments):
    return subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", *arguments],
                          capture_output=True, text=True, timeout=90)


class StatusPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(PORT_FILE, encoding="ascii") as port_file:
            source = "http://127.0.0.1:%s" % port_file.read().strip()
        cls.port = free_port()
        cls.log = os.path.join(tempfile.mkdtemp(), "gateway.log")
        cls.arguments = ["--port", str(cls.port), "--log", cls.log]
        # A watchlist left by another test would bring prefetches along.
        subprocess.run(["wine", "reg", "delete", r"HKCU\Software\Morvane\Morvane Quote Gateway", "/f"],
                       capture_output=True, timeout=60)
        cls.gateway = subprocess.Popen(["wine", GATEWAY, *cls.arguments, "--nasdaq-base", source,
                                        "--yahoo-base", "http://127.0.0.1:1"])
        # Ready once its port accepts a connection.
        deadline = time.monotonic() + 30
        while True:
            try:
                socket.create_connection(("127.0.0.1", cls.port), timeout=1).close()
                break
            except OSError:
                if time.monotonic() > deadline or cls.gateway.poll() is not None:
                    cls.gateway.kill()
                    raise AssertionError("the gateway did not listen within 30 s") from None
                time.sleep(0.2)
        # A good quote, an unknown symbol that a dead Yahoo cannot answer
        # either, and a 429 that rests Nasdaq.
        for symbol in ("MSFT", "NOSUCH", "LIMIT"):
            ask_quote(cls.port, symbol)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wine", GATEWAY, *cls.arguments, "--stop"], timeout=60)
        cls.gateway.wait(timeout=60)

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


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
