#!/usr/bin/env python3
"""A loopback TCP proxy that makes a page service look far away.

    delay_proxy.py LISTEN_PORT UPSTREAM_PORT RTT_MS

Listens on 127.0.0.1:LISTEN_PORT and forwards every connection to 127.0.0.1:UPSTREAM_PORT.
Bytes in each direction arrive half a round trip late, and the first bytes a client sends
wait one round trip more, as they would behind a TCP handshake over that distance. Order and
half-closes are kept. Runs until it is sent SIGTERM.
"""

import asyncio
import signal
import sys


async def pump(reader, writer, delay, first_delay=0.0):
    """Copies reader to writer; each piece is written `delay` seconds after it arrived."""
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def read():
        extra = first_delay
        while True:
            data = await reader.read(65536)
            await queue.put((loop.time() + delay + extra, data))
            extra = 0.0
            if not data:
                return

    async def write():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()

    try:
        await asyncio.gather(read(), write())
    except (ConnectionError, OSError):
        pass


async def serve(client_reader, client_writer, upstream_port, rtt):
    try:
        upstream_reader, upstream_writer = await asyncio.open_connection("127.0.0.1",
                                                                         upstream_port)
    except OSError:
        client_writer.close()
        return
    await asyncio.gather(pump(client_reader, upstream_writer, rtt / 2, first_delay=rtt),
                         pump(upstream_reader, client_writer, rtt / 2))
    for writer in (upstream_writer, client_writer):
        writer.close()


async def main():
    listen_port, upstream_port, rtt_ms = (int(a) for a in sys.argv[1:4])
    rtt = rtt_ms / 1000.0
    server = await asyncio.start_server(
        lambda r, w: serve(r, w, upstream_port, rtt), "127.0.0.1", listen_port, backlog=64)
    stop = asyncio.Event()
    asyncio.get_running_loop().add_signal_handler(signal.SIGTERM, stop.set)
    async with server:
        await stop.wait()


if __name__ == "__main__":
    asyncio.run(main())
