#!/usr/bin/python3
"""Checks a received notification mail with Python's standard mail parser.

usage: check_mail.py FILE FROM TO SUBJECT BODY [--prefix]
Exits 0 when the headers are the expected ones in the expected order, the date is the
time of sending in this machine's local zone, and subject and body decode to SUBJECT and BODY (with --prefix: the body is a
cut-off beginning of BODY). Prints every mismatch.
"""
import datetime
import email
import email.policy
import email.utils
import sys

EXPECTED_HEADERS = ["Date", "From", "To", "Subject", "MIME-Version", "Content-Type",
                    "Content-Transfer-Encoding", "X-Mailer"]


def main():
    path, sender, recipient, subject, body = sys.argv[1:6]
    prefix = "--prefix" in sys.argv[6:]
    with open(path, "rb") as f:
        raw = f.read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    problems = []

    def expect(what, got, wanted):
        if got != wanted:
            problems.append(f"{what}: got {got!r}, wanted {wanted!r}")

    expect("header order", list(message.keys()), EXPECTED_HEADERS)
    expect("From", str(message["From"]), sender)
    expect("To", str(message["To"]), recipient)
    expect("Subject", str(message["Subject"]), subject)
    expect("MIME-Version", str(message["MIME-Version"]), "1.0")
    expect("charset", message.get_content_charset(), "iso-2022-jp")
    expect("X-Mailer", str(message["X-Mailer"]), "KV Trap Receiver")
    date = email.utils.parsedate_to_datetime(str(message["Date"]))
    local = datetime.datetime.fromtimestamp(date.timestamp()).astimezone()
    expect("zone", date.utcoffset(), local.utcoffset())
    if abs(date.timestamp() - datetime.datetime.now().timestamp()) > 300:
        problems.append(f"date: {message['Date']} is not the time of sending")
    if any(b >= 0x80 for b in raw):
        problems.append("8-bit byte in a 7bit message")

    text = message.get_content().replace("\r\n", "\n")
    if text.endswith("\n"):
        text = text[:-1]
    wanted = body.replace("\r\n", "\n")
    if prefix:
        if not (len(text) > 100 and wanted.startswith(text) and len(text) < len(wanted)):
            problems.append(f"body is not a cut-off beginning: {text!r}")
    else:
        expect("body", text, wanted)

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
