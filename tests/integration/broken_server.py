"""Answers every request on 127.0.0.1:PORT in one broken way, for the transport's failure cases.
usage: python3 broken_server.py PORT MODE
  silent   accepts, reads the request, never answers
  close    reads the request and closes without a reply
  garbage  answers a line that is no HTTP
  short    announces 100 bytes of body, sends 3 ("abc"), closes
  stall    sends the head and 3 bytes, then nothing more
  repeated answers after an interim block, with a header given twice, one folded onto a second
           line, and a blank in the request path echoed back
  bighead  answers a head of 200 KB (WinHTTP takes 64 KB at most)
  longline answers a head whose one header line is 300 KB
  endless  a chunked body that never ends, as fast as the client reads
  trickle  a head that never ends, one byte every 100 ms
  continue an interim "100 Continue" head every 10 ms, never a final one
  dribble  a chunked body of one byte every 100 ms, never ending
  large    a timeline of one status whose text is 100 MB
  cookie   echoes the request, setting a cookie
  fragment redirects /start to http://HOST/frag.xml#part; echoes any other request
  dropmid  keeps the connection; a POST that comes on a reused one is read whole, then the
           connection closes unanswered; every answer's body counts the POSTs read so far
  proxyauth a proxy that keeps its connections: 407 (Basic) to a request without
           Proxy-Authorization, else 200 with the number of connections that brought requests"""

import contextlib
import socket
import sys
import threading
import time

posts_read = 0
connections_accepted = 0

def read_request(connection, pending):
    """(the request's head and body, what came after it), or None when the peer closed."""
    while b"\r\n\r\n" not in pending:
        chunk = connection.recv(4096)
        if not chunk:
            return None
        pending += chunk
    head, rest = pending.split(b"\r\n\r\n", 1)
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value)
    while len(rest) < length:
        chunk = connection.recv(4096)
        if not chunk:
            return None
        rest += chunk
    return head, rest[length:]


def drop_a_reused_post(connection):
    global posts_read
    with connection, contextlib.suppress(OSError):
        pending, served = b"", 0
        while True:
            got = read_request(connection, pending)
            if got is None:
                return
            head, pending = got
            if head.startswith(b"POST"):
                posts_read += 1
                if served > 0:
                    return
            body = b"posts=%d" % posts_read
            connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n%s" % (len(body), body))
            served += 1


def ask_for_proxy_credentials(connection):
    global connections_accepted
    with connection, contextlib.suppress(OSError):
        pending, counted = b"", False
        while True:
            got = read_request(connection, pending)
            if got is None:
                return
            head, pending = got
            if not counted:  # a connection that only probed the port is none
                connections_accepted, counted = connections_accepted + 1, True
            if b"\r\nproxy-authorization:" in head.lower():
                body = b"connections=%d" % connections_accepted
                connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n%s" % (len(body), body))
            else:
                body = b"<html>credentials, please</html>"
                connection.sendall(b"HTTP/1.1 407 Proxy Authentication Required\r\n"
                                   b"Proxy-Authenticate: Basic realm=\"proxy\"\r\n"
                                   b"Content-Length: %d\r\n\r\n%s" % (len(body), body))


def serve(connection, mode):
    if mode == "dropmid":
        return drop_a_reused_post(connection)
    if mode == "proxyauth":
        return ask_for_proxy_credentials(connection)
    with connection, contextlib.suppress(OSError):
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = connection.recv(4096)
            if not chunk:
                return
            request += chunk
        line = request.split(b"\r\n", 1)[0]
        if mode == "silent" or mode == "stall":
            if mode == "stall":
                connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc")
            time.sleep(120)
        elif mode == "garbage":
            connection.sendall(b"THIS IS NOT HTTP\r\n\r\n")
        elif mode == "short":
            connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc")
        elif mode == "bighead":
            filler = b"X-Filler: " + b"f" * 90 + b"\r\n"
            connection.sendall(b"HTTP/1.1 200 OK\r\n" + filler * 2000 + b"Content-Length: 0\r\n\r\n")
        elif mode == "longline":
            connection.sendall(b"HTTP/1.1 200 OK\r\nX-Long: " + b"l" * (300 << 10) + b"\r\nContent-Length: 0\r\n\r\n")
        elif mode == "endless":
            connection.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
            chunk = b"%x\r\n%s\r\n" % (1 << 16, b"x" * (1 << 16))
            while True:
                connection.sendall(chunk)
        elif mode == "trickle":
            connection.sendall(b"HTTP/1.1 200 OK\r\nX-Slow: ")
            while True:
                time.sleep(0.1)
                connection.sendall(b"s")
        elif mode == "continue":
            while True:
                connection.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
                time.sleep(0.01)
        elif mode == "dribble":
            connection.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
            while True:
                time.sleep(0.1)
                connection.sendall(b"1\r\nx\r\n")
        elif mode == "large":
            text = b"x" * (100 << 20)
            body = b"<statuses type=\"array\"><status><id>1</id><text>%s</text></status></statuses>" % text
            connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body))
            connection.sendall(body)
        elif mode == "fragment" and line.split(b" ")[1] == b"/start":
            host = [h.split(b":", 1)[1].strip() for h in request.split(b"\r\n") if h.lower().startswith(b"host:")][0]
            connection.sendall(b"HTTP/1.1 302 Found\r\nLocation: http://%s/frag.xml#part\r\n"
                               b"Content-Length: 0\r\nConnection: close\r\n\r\n" % host)
        elif mode in ("cookie", "fragment"):
            cookie = b"Set-Cookie: visit=1; Path=/\r\n" if mode == "cookie" else b""
            connection.sendall(b"HTTP/1.1 200 OK\r\n%sContent-Length: %d\r\n"
                               b"Connection: close\r\n\r\n%s" % (cookie, len(request), request))
        elif mode == "repeated":
            body = line + b"\n" + request
            connection.sendall(b"HTTP/1.1 100 Continue\r\nServer: interim\r\n\r\n"
                               b"HTTP/1.1 200 Fine Thanks\r\nX-Twice: first\r\nX-Twice: second\r\n"
                               b"Server: one\r\nServer: two\r\nVia: 1.1 a,\r\n\t 1.1 b\r\n"
                               b"Content-Length: %d\r\n\r\n%s" % (len(body), body))


def main():
    port, mode = int(sys.argv[1]), sys.argv[2]
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(16)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection, mode), daemon=True).start()


if __name__ == "__main__":
    main()
