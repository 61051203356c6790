"""Clients of the site's load test, as the wizard speaks to the studio's site
(HTTP/1.0, "Connection: close", one request a connection).

  hold   the crowd that holds the server: idle clients that send half a
         request and wait (and come back when they are cut off), and slow
         downloads of the package at a fixed rate (again when one ends);
         prints "ready" once every one has connected, its figures as JSON
         on SIGTERM or after --seconds
  fetch  the other users: feed checks and whole downloads of the package,
         each checked byte for byte; prints its figures as JSON

Every client has a bounded life; nothing runs past --seconds or --deadline.
"""
import argparse
import asyncio
import hashlib
import json
import random
import resource
import signal
import socket
import time


def raise_descriptor_limit():
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft < hard:
        resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))


def check_value(name, key):
    """The wizard's request check value of /port.php."""
    r = random.randint(1, 900)
    value = (sum(c ^ r for c in name) * 1000 + (r ^ key)) & 0xFFFFFFFF
    return value - (1 << 32) if value >= 1 << 31 else value


def request(path, host, complete=True):
    head = f"GET {path} HTTP/1.0\r\nHost: {host}\r\nConnection: close\r\nUser-Agent: GetHTTP 0.0\r\n"
    return (head + ("\r\n" if complete else "")).encode()


def package_paths(count, key):
    """Alternately the first attempt's address and the later ones'."""
    return [
        f"/port.php?c=do&a=123.7z&b={check_value(b'123.7z', key)}" if i % 2 == 0 else "/dowfile/123.rar"
        for i in range(count)
    ]


async def connect(address, source, receive_buffer=0):
    loop = asyncio.get_running_loop()
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setblocking(False)
    if receive_buffer:
        # A small window: the server feels the slow line at once.
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    try:
        sock.bind((source, 0))
        await loop.sock_connect(sock, (address, 80))
    except BaseException:
        sock.close()
        raise
    return sock


def source(prefix, i, spread):
    return f"{prefix}.{i % spread + 1}"


# --- hold -------------------------------------------------------------------


async def hold(args):
    loop = asyncio.get_running_loop()
    stop = asyncio.Event()
    for s in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(s, stop.set)
    figures = {"idle_cut_off": 0, "idle_connect_failures": 0, "slow_bytes": 0, "slow_ended": 0,
               "slow_connect_failures": 0}
    connected = set()
    paths = package_paths(args.slow, args.key)

    async def idle(i):
        while not stop.is_set():
            try:
                sock = await asyncio.wait_for(connect(args.address, source("127.0.5", i, 50)), 10)
            except (OSError, asyncio.TimeoutError):
                figures["idle_connect_failures"] += 1
                await asyncio.sleep(0.5)
                continue
            connected.add(("idle", i))
            try:
                await loop.sock_sendall(sock, request("/cu.txt", args.address, complete=False))
                while await loop.sock_recv(sock, 4096):
                    pass
                figures["idle_cut_off"] += 1
            except OSError:
                figures["idle_cut_off"] += 1
            finally:
                sock.close()
            await asyncio.sleep(0.1)

    async def slow(i):
        while not stop.is_set():
            try:
                sock = await asyncio.wait_for(
                    connect(args.address, source("127.0.6", i, 50), 16384), 10)
            except (OSError, asyncio.TimeoutError):
                figures["slow_connect_failures"] += 1
                await asyncio.sleep(0.5)
                continue
            connected.add(("slow", i))
            try:
                await loop.sock_sendall(sock, request(paths[i], args.address))
                start, got = time.monotonic(), 0
                while True:
                    due = args.rate * (time.monotonic() - start) - got
                    if due < 1024:
                        await asyncio.sleep(0.05)
                        continue
                    data = await loop.sock_recv(sock, int(min(due, 65536)))
                    if not data:
                        break
                    got += len(data)
                    figures["slow_bytes"] += len(data)
            except OSError:
                pass
            finally:
                sock.close()
            figures["slow_ended"] += 1

    tasks = [asyncio.create_task(idle(i)) for i in range(args.idle)]
    tasks += [asyncio.create_task(slow(i)) for i in range(args.slow)]
    began = time.monotonic()
    while len(connected) < args.idle + args.slow and time.monotonic() - began < 15:
        await asyncio.sleep(0.1)
    print(f"ready {len(connected)} of {args.idle + args.slow} connected", flush=True)
    try:
        await asyncio.wait_for(stop.wait(), args.seconds)
    except asyncio.TimeoutError:
        pass
    stop.set()
    for t in tasks:
        t.cancel()
    await asyncio.gather(*tasks, return_exceptions=True)
    figures["seconds"] = round(time.monotonic() - began, 1)
    print(json.dumps(figures), flush=True)


# --- fetch ------------------------------------------------------------------


async def fetch_one(args, path, i, limit):
    """Status, body and seconds of one request; status 0 when it failed."""
    loop = asyncio.get_running_loop()
    began = time.monotonic()

    async def run():
        sock = await connect(args.address, source("127.0.7", i, 50))
        try:
            await loop.sock_sendall(sock, request(path, args.address))
            data = bytearray()
            while chunk := await loop.sock_recv(sock, 1 << 20):
                data += chunk
            return bytes(data)
        finally:
            sock.close()

    try:
        data = await asyncio.wait_for(run(), limit)
    except (OSError, asyncio.TimeoutError):
        return 0, b"", time.monotonic() - began
    head, _, body = data.partition(b"\r\n\r\n")
    parts = head.split(b" ", 2)
    status = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else 0
    return status, body, time.monotonic() - began


async def fetch(args):
    feed = open(args.feed, "rb").read()
    package_sum = hashlib.sha256(open(args.package, "rb").read()).digest()
    began = time.monotonic()
    deadline = began + args.deadline
    # Users come over a while, not all in the same instant.
    spread = args.feeds / args.feed_rate
    latencies, feed_ok, downloads = [], 0, []

    def left():
        return deadline - time.monotonic()

    async def start_at(when):
        await asyncio.sleep(max(0.0, min(began + when, deadline) - time.monotonic()))

    async def feeds(worker):
        nonlocal feed_ok
        for n in range(worker, args.feeds, args.concurrency):
            await start_at(n / args.feed_rate)
            if left() <= 0:
                return
            status, body, took = await fetch_one(args, "/cu.txt", n, min(args.timeout, left()))
            latencies.append(took)
            feed_ok += status == 200 and body == feed

    paths = package_paths(args.downloads, args.key)

    async def packages(worker):
        for n in range(worker, args.downloads, args.download_concurrency):
            await start_at(n * spread / args.downloads)
            if left() <= 0:
                return
            status, body, took = await fetch_one(args, paths[n], 1000 + n, left())
            downloads.append((status == 200 and hashlib.sha256(body).digest() == package_sum,
                              len(body), took))

    await asyncio.gather(*[feeds(w) for w in range(args.concurrency)],
                         *[packages(w) for w in range(args.download_concurrency)])
    latencies.sort()

    def quantile(q):
        if len(latencies) < args.feeds:
            return None  # some were never answered: no honest figure
        return round(latencies[min(len(latencies) - 1, int(q * len(latencies)))], 4)

    identical = sum(ok for ok, _, _ in downloads)
    size = sum(n for _, n, _ in downloads)
    # The speed one download saw, on average.
    speed = size / (1 << 20) / sum(t for _, _, t in downloads) if downloads else 0
    print(json.dumps({
        "feed_ok": feed_ok, "feed_asked": len(latencies), "feed_p50": quantile(0.5),
        "feed_p99": quantile(0.99), "feed_max": round(latencies[-1], 4) if latencies else None,
        "downloads_identical": identical, "downloads_done": len(downloads),
        "download_mib_s": round(speed, 1), "seconds": round(time.monotonic() - began, 1)}),
        flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("role", choices=["hold", "fetch"])
    parser.add_argument("--address", required=True)
    parser.add_argument("--key", type=int, required=True, help="the request check key")
    parser.add_argument("--idle", type=int, default=500)
    parser.add_argument("--slow", type=int, default=200)
    parser.add_argument("--rate", type=int, default=50000, help="bytes a second of a slow download")
    parser.add_argument("--seconds", type=float, default=120, help="the crowd's longest stay")
    parser.add_argument("--feeds", type=int, default=1000)
    parser.add_argument("--downloads", type=int, default=50)
    parser.add_argument("--concurrency", type=int, default=25, help="feed checks at a time")
    parser.add_argument("--feed-rate", type=float, default=100, help="feed checks begun a second")
    parser.add_argument("--download-concurrency", type=int, default=10)
    parser.add_argument("--timeout", type=float, default=5, help="one feed check's longest wait")
    parser.add_argument("--deadline", type=float, default=40, help="the fetch run's longest stay")
    parser.add_argument("--feed", help="the published feed (fetch)")
    parser.add_argument("--package", help="the published package (fetch)")
    args = parser.parse_args()
    raise_descriptor_limit()
    asyncio.run(hold(args) if args.role == "hold" else fetch(args))


if __name__ == "__main__":
    main()
