#!/usr/bin/env python3
"""Compares the attachments one mail's walk saved through the stand-in with ripmime's extraction.

    compare_mail.py STANDIN_DIR RIPMIME_ALL_DIR RIPMIME_NAMED_DIR MIME_SOURCE

Prints nothing and exits 0 when they agree, else one line saying what differs and exits 1.
Rules (each a quirk of the tools, not of the mail):
- Attached messages are compared through their contents: the stand-in saves them as .msg files
  and walks them, ripmime saves the message/rfc822 part under its name and unpacks it too. Both
  message files are left out.
- ripmime keeps the line break before a closing boundary, which belongs to the boundary
  (RFC 2046); a file that differs only by that one final line break counts as the same.
- Parts without a name of their own get generated names on both sides (ripmime "textfileN",
  the stand-in "ATT0000N.ext"), so they count only in one direction: what the stand-in saved
  must be among all of ripmime's files; what ripmime saved under a real name must be among
  the stand-in's.
"""
import email
import email.policy
import hashlib
import os
import sys


def folded(name):
    """A header value as one line: folding and runs of blanks become one space."""
    return " ".join(name.split())


def files(folder, skip_names=()):
    out = []
    for base, _, names in os.walk(folder):
        for n in names:
            if folded(n) in skip_names:
                continue
            with open(os.path.join(base, n), "rb") as f:
                out.append((os.path.relpath(os.path.join(base, n), folder), f.read()))
    return out


def variants(data):
    yield data
    for nl in (b"\r\n", b"\n"):
        if data.endswith(nl):
            yield data[: -len(nl)]
            break


def attached_message_names(source):
    with open(source, "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.compat32)
    names = set()
    for part in msg.walk():
        if part.get_content_type() in ("message/rfc822", "message/global"):
            for n in (part.get_filename(), part.get_param("name")):
                if n:
                    names.add(folded(str(email.header.make_header(email.header.decode_header(str(n))))))
    return names


def main():
    standin_dir, all_dir, named_dir, source = sys.argv[1:5]
    messages = attached_message_names(source)
    ours = [(n, d) for n, d in files(standin_dir) if not n.lower().endswith(".msg")]
    rip_all = files(all_dir, messages)
    rip_named = files(named_dir, messages)
    all_hashes = {hashlib.sha256(v).hexdigest() for _, d in rip_all for v in variants(d)}
    our_hashes = {hashlib.sha256(d).hexdigest() for _, d in ours}
    extra = [n for n, d in ours if hashlib.sha256(d).hexdigest() not in all_hashes]
    lost = [n for n, d in rip_named if not any(hashlib.sha256(v).hexdigest() in our_hashes for v in variants(d))]
    if not extra and not lost:
        return 0
    show = lambda names: ", ".join(sorted(names)[:5]) + (" ..." if len(names) > 5 else "") if names else "-"
    print("only the stand-in: %s; only ripmime: %s" % (show(extra), show(lost)))
    return 1


if __name__ == "__main__":
    sys.exit(main())
