"""A UDP relay on 127.0.0.1 between a guest and a host that drops, duplicates, corrupts and delays
(so reorders) datagrams from a fixed seed, counts the bytes each way, and goes dark in `outages`."""
import contextlib
import heapq
import random
import select
import socket
import threading
import time


class Relay:
    def __init__(self, host_port, drop=0.0, duplicate=0.0, delay_ms=(0, 0), seed=1, corrupt=0.0, outages=()):
        self.host = ("127.0.0.1", host_port)
        self.outages = outages  # (start, seconds) after the first datagram
        self.drop, self.duplicate, self.delay_ms, self.corrupt = drop, duplicate, delay_ms, corrupt
        self.random = random.Random(seed)
        self.to_guest, self.to_host = (socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2))
        for sock in (self.to_guest, self.to_host):
            sock.bind(("127.0.0.1", 0))
        self.port = self.to_guest.getsockname()[1]
        self.guest, self.bytes = None, {"guest_to_host": 0, "host_to_guest": 0}
        self.first = self.last = None  # times of the first and the last datagram
        self.queue, self.order = [], 0  # (due, order, socket, data, address)
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.stopping.set()
        self.thread.join(5)
        self.to_guest.close(), self.to_host.close()

    def dark(self, at):
        return any(start <= at - self.first < start + seconds for start, seconds in self.outages)

    def schedule(self, sock, data, address):
        if self.random.random() < self.drop or self.dark(time.monotonic()):
            return
        if data and self.random.random() < self.corrupt:  # one byte changed on the way
            at = self.random.randrange(len(data))
            data = data[:at] + bytes([data[at] ^ (1 << self.random.randrange(8))]) + data[at + 1:]
        for _ in range(2 if self.random.random() < self.duplicate else 1):
            due = time.monotonic() + self.random.uniform(*self.delay_ms) / 1000.0
            self.order += 1
            heapq.heappush(self.queue, (due, self.order, sock, data, address))

    def run(self):
        while not self.stopping.is_set():
            wait = 0.05 if not self.queue else max(0.0, self.queue[0][0] - time.monotonic())
            ready, _, _ = select.select([self.to_guest, self.to_host], [], [], min(wait, 0.05))
            for sock in ready:
                data, address = sock.recvfrom(65536)
                self.last = time.monotonic()
                self.first = self.first or self.last
                if sock is self.to_guest:
                    self.guest = address
                    self.bytes["guest_to_host"] += len(data)
                    self.schedule(self.to_host, data, self.host)
                elif self.guest is not None:
                    self.bytes["host_to_guest"] += len(data)
                    self.schedule(self.to_guest, data, self.guest)
            while self.queue and self.queue[0][0] <= time.monotonic():
                due, _, sock, data, address = heapq.heappop(self.queue)
                if self.dark(due):
                    continue
                with contextlib.suppress(OSError):
                    sock.sendto(data, address)
