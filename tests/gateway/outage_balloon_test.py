#!/usr/bin/env python3
"""The gateway's own notification icon for real: Morvane Quote Gateway.exe
under Wine, inside Wine's virtual desktop whose taskbar holds the icon,
against a fake source that dies and comes back. Nothing shows while quotes
flow; when they stop, /status.json says since when and the tray corner of
the desktop changes (the balloon opens); the picture of it is saved to
SCREENSHOT (the README's, when that is docs/gateway_outage.png); when they
come back, /status.json says so.

    outage_balloon_test.py GATEWAY_EXE FAKE_SOURCE ANSWERS SCREENSHOT QUOTE_HOST
"""
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

from gateway_client import ask_quote, free_port, get

GATEWAY, FAKE_SOURCE, ANSWERS, SCREENSHOT, QUOTE_HOST = sys.argv[1:6]
DESKTOP = "MorvaneQuoteOutage"
# The bottom-right corner of the desktop: the taskbar's tray and the balloon.
TRAY_CORNER = "720x170+0+0"
# Wine's tray opens a balloon 2 s after it is asked to.
BALLOON_DELAY_S = 3


def wait_for(done, seconds, what):
    deadline = time.monotonic() + seconds
    while not done():
        if time.monotonic() > deadline:
            raise AssertionError("%s within %d s" % (what, seconds))
        time.sleep(0.2)


def listens(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


def tray_corner(path):
    whole = path + ".whole.png"
    subprocess.run(["import", "-window", "root", whole], check=True, timeout=60)
    subprocess.run(["convert", whole, "-gravity", "SouthEast", "-crop", TRAY_CORNER, "+repage", path],
                   check=True, timeout=60)
    os.remove(whole)


def differing_pixels(first, second):
    compared = subprocess.run(["compare", "-metric", "AE", first, second, "null:"],
                              capture_output=True, text=True, timeout=60)
    return int(float(compared.stderr.split()[0]))


class OutageBalloon(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.source_port = free_port()
        self.port = free_port()
        self.source = None
        self.start_source()
        subprocess.run(["wine", "reg", "delete", r"HKCU\Software\Morvane\Morvane Quote Gateway", "/f"],
                       capture_output=True, timeout=60)
        base = "http://127.0.0.1:%d" % self.source_port
        self.arguments = ["--port", str(self.port), "--log", os.path.join(self.folder, "gateway.log")]
        self.desktop = subprocess.Popen(["wine", "explorer", "/desktop=%s,1024x768" % DESKTOP, GATEWAY,
                                         *self.arguments, "--cache-seconds", "0",
                                         "--nasdaq-base", base, "--yahoo-base", base])
        wait_for(lambda: listens(self.port), 30, "the gateway did not listen")

    def tearDown(self):
        subprocess.run(["wine", GATEWAY, *self.arguments, "--stop"], timeout=60)
        self.desktop.wait(timeout=60)
        self.stop_source()

    def start_source(self):
        self.source = subprocess.Popen([sys.executable, FAKE_SOURCE, "--port", str(self.source_port),
                                        "--answers", ANSWERS], stdout=subprocess.PIPE)
        self.source.stdout.readline()  # its port: it listens

    def stop_source(self):
        if self.source:
            self.source.terminate()
            self.source.wait(timeout=30)
            self.source = None

    def quote(self):
        return ask_quote(self.port, QUOTE_HOST, "MSFT")[0]

    def stopped_since(self):
        return json.loads(get(self.port, "/status.json")[2])["quotes_stopped_since"]

    def test_the_tray_says_when_live_quotes_stop_and_come_back(self):
        flowing = os.path.join(self.folder, "flowing.png")
        self.assertEqual(self.quote(), 200)
        time.sleep(BALLOON_DELAY_S)
        tray_corner(flowing)

        self.stop_source()
        self.assertNotEqual(self.quote(), 200)
        self.assertIsNone(self.stopped_since())  # one request could be bad luck
        self.assertNotEqual(self.quote(), 200)
        since = self.stopped_since()
        self.assertRegex(since or "", r"^\d\d:\d\d:\d\d$")
        time.sleep(BALLOON_DELAY_S)
        os.makedirs(os.path.dirname(os.path.abspath(SCREENSHOT)), exist_ok=True)
        tray_corner(SCREENSHOT)
        self.assertGreater(differing_pixels(flowing, SCREENSHOT), 1000)
        print("[ measured ] live quotes stopped since %s; the tray corner: %s" % (since, SCREENSHOT))

        self.start_source()
        self.assertEqual(self.quote(), 200)
        self.assertIsNone(self.stopped_since())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
