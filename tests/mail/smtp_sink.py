#!/usr/bin/python3
"""Loopback SMTP server for the mail tests.

usage: smtp_sink.py PORT FOLDER [ADDRESS]
Listens on ADDRESS:PORT (127.0.0.1 by default), stores each message received as FOLDER/N.eml (the data as
received, dots already removed) and its envelope as FOLDER/N.env, writes FOLDER/ready once
listening, and stops when FOLDER/stop appears or after two minutes.
"""
import os
import sys
import time

from aiosmtpd.controller import Controller


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".env", "w", encoding="utf-8") as f:
            f.write(envelope.mail_from + "\n" + "\n".join(envelope.rcpt_tos) + "\n")
        # Written under another name first, so the test never reads half a file.
        with open(base + ".part", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".part", base + ".eml")
        return "250 OK"


def main():
    port, folder = int(sys.argv[1]), sys.argv[2]
    address = sys.argv[3] if len(sys.argv) > 3 else "127.0.0.1"
    controller = Controller(Store(folder), hostname=address, port=port)
    controller.start()
    open(os.path.join(folder, "ready"), "w").close()
    try:
        for _ in range(1200):
            if os.path.exists(os.path.join(folder, "stop")):
                break
            time.sleep(0.1)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
