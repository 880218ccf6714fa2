"""A plain HTTP client of the gateway for its Python tests: a free port to
start it on, a GET with the Host header of the caller's choice, and the
quote request in the ticker's own shape."""
import http.client
import socket


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def get(port, path, host=None):
    """(status, headers, body) of a GET of `path` from 127.0.0.1:port."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=15)
    connection.putrequest("GET", path, skip_host=True)
    connection.putheader("Host", host or "127.0.0.1:%d" % port)
    connection.endheaders()
    answer = connection.getresponse()
    body = answer.read().decode("utf-8", "replace")
    headers = dict(answer.getheaders())
    connection.close()
    return answer.status, headers, body


def ask_quote(port, quote_host, symbol):
    """Asks as the ticker does through its proxy setting."""
    target = "http://%s:80/Quote.dll?mode=stock&symbol=%s&multi.x=25&multi.y=13" % (quote_host, symbol)
    return get(port, target, host=quote_host)
