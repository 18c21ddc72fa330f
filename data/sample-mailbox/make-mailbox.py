#!/usr/bin/env python3
"""Writes the demo's sample mailbox (the .eml files beside this script) reproducibly.

Pictures are drawn with ImageMagick (/usr/bin/convert) without timestamps, so running the
script again gives the same bytes. Run it from anywhere: python3 make-mailbox.py
"""
import base64
import os
import subprocess
import tempfile
import textwrap

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert"
DATE = "Tue, 01 Dec 2026 09:30:00 +0100"


def picture(drawing, fmt, size="160x120"):
    """Draws one small picture from an ImageMagick drawing and returns its bytes."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "p." + fmt)
        cmd = [CONVERT, "-size", size] + drawing + ["-strip"]
        if fmt == "png":
            cmd += ["-define", "png:exclude-chunks=date,time"]
        if fmt == "jpg":
            cmd += ["-quality", "80"]
        subprocess.run(cmd + [out], check=True)
        with open(out, "rb") as f:
            return f.read()


# An EXIF block that holds only the orientation (1); ImageMagick's -orient then rewrites it.
EXIF_ORIENTATION = b"Exif\0\0II\x2a\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x01\0\0\0\0\0\0\0"


def phone_photo():
    """A photo as a phone held upright stores it: pixels turned a quarter anticlockwise, with the
    EXIF orientation 6 saying that they are to be shown turned a quarter clockwise."""
    with tempfile.TemporaryDirectory() as tmp:
        exif, plain, out = (os.path.join(tmp, n) for n in ("o.exif", "plain.jpg", "photo.jpg"))
        with open(exif, "wb") as f:
            f.write(EXIF_ORIENTATION)
        scene = [
            "-size", "240x320", "gradient:#7ec8f0-#dff3ff",
            "-fill", "#ffd23f", "-draw", "circle 180,70 180,100",
            "-fill", "#4a9b3f", "-draw", "rectangle 0,230 239,319",
            "-fill", "#b5553c", "-draw", "rectangle 50,170 140,240",
            "-fill", "#7a2e1d", "-draw", "polygon 40,170 95,120 150,170",
            "-fill", "#3b2a1a", "-draw", "rectangle 85,200 105,240",
        ]
        subprocess.run([CONVERT] + scene + ["-rotate", "270", "+repage", "-profile", "APP1:" + exif,
                                            "-quality", "85", plain], check=True)
        subprocess.run([CONVERT, plain, "-orient", "RightTop", "-quality", "85", out], check=True)
        with open(out, "rb") as f:
            return f.read()


def two_page_scan():
    """A bilevel fax-style scan of two pages (CCITT G4), as office scanners send them."""
    with tempfile.TemporaryDirectory() as tmp:
        pages = []
        for n, lines in ((1, 9), (2, 4)):
            page = os.path.join(tmp, "page%d.png" % n)
            draw = ["-draw", "rectangle 30,30 170,44"]
            for i in range(lines):
                width = 220 if i % 3 else 160
                draw += ["-draw", "rectangle 30,%d %d,%d" % (70 + 18 * i, 30 + width, 78 + 18 * i)]
            if n == 2:
                draw += ["-draw", "line 150,230 230,215", "-draw", "line 150,231 230,216"]
            subprocess.run([CONVERT, "-size", "280x300", "xc:white", "-fill", "black"] + draw +
                           ["-type", "bilevel", page], check=True)
            pages.append(page)
        out = os.path.join(tmp, "scan.tif")
        subprocess.run([CONVERT] + pages + ["-strip", "-compress", "group4", out], check=True)
        with open(out, "rb") as f:
            return f.read()


def b64(data):
    return "\r\n".join(textwrap.wrap(base64.b64encode(data).decode("ascii"), 76))


def rfc2231(name):
    """A filename parameter; non-ASCII names use RFC 2231 with UTF-8."""
    try:
        name.encode("ascii")
        return 'filename="%s"' % name.replace("\\", "\\\\").replace('"', '\\"')
    except UnicodeEncodeError:
        from urllib.parse import quote
        return "filename*=UTF-8''" + quote(name.encode("utf-8"), safe="")


def encoded_word(text):
    """RFC 2047 encoded word for a header text that is not plain ASCII."""
    try:
        text.encode("ascii")
        return text
    except UnicodeEncodeError:
        return "=?UTF-8?B?%s?=" % base64.b64encode(text.encode("utf-8")).decode("ascii")


def attachment(boundary, name, ctype, data):
    return (
        "--%s\r\nContent-Type: %s\r\nContent-Disposition: attachment; %s\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n%s\r\n" % (boundary, ctype, rfc2231(name), b64(data))
    )


def mail(subject, sender, boundary, body, parts, message_id):
    head = (
        "From: %s\r\nTo: Varoscope Demo <demo@example.org>\r\nSubject: %s\r\nDate: %s\r\n"
        "Message-ID: <%s@example.org>\r\nMIME-Version: 1.0\r\n"
        'Content-Type: multipart/mixed; boundary="%s"\r\n\r\n'
        % (sender, encoded_word(subject), DATE, message_id, boundary)
    )
    text = "--%s\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n%s\r\n" % (
        boundary,
        body,
    )
    return (head + text + "".join(parts) + "--%s--\r\n" % boundary).encode("utf-8")


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    sunset = picture(["gradient:orange-purple"], "png")
    lake = picture(["gradient:skyblue-navy"], "jpg")
    forest = picture(["-seed", "7", "plasma:green-darkgreen"], "gif")
    hills = picture(["radial-gradient:yellow-green"], "png", "120x90")
    snow = picture(["gradient:white-lightblue"], "jpg", "120x90")
    document = (
        "Holiday plan\r\n============\r\n\r\nDay 1: lake\r\nDay 2: forest\r\nDay 3: sunset point\r\n"
    ).encode("utf-8")

    b = "sample-boundary-1"
    write(
        "01-holiday-pictures.eml",
        mail(
            "Holiday pictures",
            "Anna Berg <anna@example.org>",
            b,
            "Here are three pictures and the plan.",
            [
                attachment(b, "sunset.png", "image/png", sunset),
                attachment(b, "lake.jpg", "image/jpeg", lake),
                attachment(b, "forest.gif", "image/gif", forest),
                attachment(b, "plan.txt", "text/plain; charset=utf-8", document),
            ],
            "holiday-1",
        ),
    )

    inner_b = "sample-boundary-2-inner"
    inner = mail(
        "Pictures from the hills",
        "Carl Dahl <carl@example.org>",
        inner_b,
        "Two pictures from the walk.",
        [
            attachment(inner_b, "hills.png", "image/png", hills),
            attachment(inner_b, "snow.jpg", "image/jpeg", snow),
        ],
        "hills-1",
    )
    outer_b = "sample-boundary-2-outer"
    forwarded = (
        "--%s\r\nContent-Type: message/rfc822\r\n"
        'Content-Disposition: attachment; filename="Pictures from the hills.eml"\r\n\r\n' % outer_b
    ).encode("ascii") + inner + b"\r\n"
    outer = mail(
        "Fwd: Pictures from the hills",
        "Anna Berg <anna@example.org>",
        outer_b,
        "Forwarding Carl's mail with its pictures.",
        [],
        "forward-1",
    )
    closing = ("--%s--\r\n" % outer_b).encode("ascii")
    write("02-forwarded-album.eml", outer[: -len(closing)] + forwarded + closing)

    b = "sample-boundary-3"
    write(
        "03-hostile-names.eml",
        mail(
            "<script>alert('x')</script> & \"quotes\" 'apostrophes' #1 100% ? Ünïcödé Ζεύς 東京",
            "\"O'Brien & <Sons>\" <obrien@example.org>",
            b,
            "Names that break careless code.",
            [
                attachment(b, "my photo #1 100% & more.png", "image/png", sunset),
                attachment(b, "O'Brien's lake.jpg", "image/jpeg", lake),
                attachment(b, "Größe Ünïcödé 東京.gif", "image/gif", forest),
                attachment(b, "notes; semi & colon.txt", "text/plain", document),
            ],
            "hostile-1",
        ),
    )

    b = "sample-boundary-5"
    write(
        "05-photo-and-scan.eml",
        mail(
            "Photo from my phone and the signed contract",
            "Carl Dahl <carl@example.org>",
            b,
            "The photo of the house, taken with my phone, and the contract as the office scanned it.",
            [
                attachment(b, "IMG_2041.jpg", "image/jpeg", phone_photo()),
                attachment(b, "contract-scan.tif", "image/tiff", two_page_scan()),
            ],
            "photo-scan-1",
        ),
    )

    calendar = (
        "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nVERSION:2.0\r\nPRODID:-//Varoscope//Sample//EN\r\n"
        "BEGIN:VEVENT\r\nUID:sample-meeting-1\r\nDTSTART:20261203T100000Z\r\nDTEND:20261203T110000Z\r\n"
        "SUMMARY:Picture review\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"
    )
    write(
        "04-meeting-request.eml",
        (
            "From: Anna Berg <anna@example.org>\r\nTo: Varoscope Demo <demo@example.org>\r\n"
            "Subject: Picture review\r\nDate: %s\r\nMessage-ID: <meeting-1@example.org>\r\nMIME-Version: 1.0\r\n"
            'Content-Type: text/calendar; method=REQUEST; charset="utf-8"\r\n\r\n%s' % (DATE, calendar)
        ).encode("utf-8"),
    )


if __name__ == "__main__":
    main()
