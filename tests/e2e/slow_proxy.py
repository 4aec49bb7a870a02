#!/usr/bin/env python3
"""A slow network in front of a loopback server, so that a person (or the window driver) can see
the status and progress windows of an update that would otherwise be over in a blink.

    slow_proxy.py UPSTREAM_PORT HOLD_MS BYTES_PER_SECOND [FROM=TO]

Each connection is held HOLD_MS before it reaches the server; the server's answers then come
back at BYTES_PER_SECOND. With FROM=TO (texts of one length) every FROM in an answer's pieces
becomes TO, and every TO in a request FROM: a server that chooses names no honest one lists, and
serves them. Prints "listening on
127.0.0.1:PORT" and serves until killed."""
import socket
import sys
import threading
import time

upstream_port, hold_ms, rate = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
rewrite = sys.argv[4].encode('cp1252').split(b'=', 1) if len(sys.argv) > 4 else None
PIECE = 16 * 1024


def pump(src, dst, throttled):
    try:
        while True:
            data = src.recv(PIECE)
            if not data:
                break
            if rewrite:
                data = data.replace(*(rewrite if throttled else rewrite[::-1]))
            dst.sendall(data)
            if throttled:
                time.sleep(len(data) / rate)
    except OSError:
        pass
    finally:
        for s in (src, dst):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def serve(client):
    time.sleep(hold_ms / 1000)
    try:
        server = socket.create_connection(("127.0.0.1", upstream_port))
    except OSError:
        client.close()
        return
    threading.Thread(target=pump, args=(client, server, False), daemon=True).start()
    pump(server, client, True)
    client.close()
    server.close()


listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 0))
listener.listen(16)
print("listening on 127.0.0.1:%d" % listener.getsockname()[1], flush=True)
while True:
    conn, _ = listener.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
