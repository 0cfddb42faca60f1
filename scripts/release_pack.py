#!/usr/bin/env python3
"""Packs the release zip from the built DLLs and the sources in the checkout.

The user guides are kept in UTF-8 with LF line ends (docs/guide-*.txt) and
shipped with CR LF line ends in two forms that Notepad reads:
- in the ANSI code page of their language (936 Simplified Chinese, 950
  Traditional Chinese, 932 Japanese), without a byte-order mark: readable on
  every Windows of that language, 95 included; Notepad of the 9x family
  reads nothing else, and Notepad of NT 4.0 does not read UTF-8;
- in UTF-8 with a byte-order mark ("-utf8"): readable on every Windows from
  2000 on, whatever its code page, and where the system-wide UTF-8 option
  is on.
The English guide is plain ASCII, the same bytes in every code page, and
ships once.
"""
import argparse
import hashlib
import io
import os
import sys
import time
import zipfile

# (source in the checkout, name in the zip, encoding); "utf-8-sig" writes
# the byte-order mark by which Notepad knows UTF-8.
GUIDES = [
    ("docs/guide-en.txt", "guide-en.txt", "ascii"),
    ("docs/guide-ja.txt", "guide-ja.txt", "cp932"),
    ("docs/guide-ja.txt", "guide-ja-utf8.txt", "utf-8-sig"),
    ("docs/guide-zh.txt", "guide-zh-cn.txt", "cp936"),
    ("docs/guide-zh.txt", "guide-zh-cn-utf8.txt", "utf-8-sig"),
    ("docs/guide-zh-tw.txt", "guide-zh-tw.txt", "cp950"),
    ("docs/guide-zh-tw.txt", "guide-zh-tw-utf8.txt", "utf-8-sig"),
]

# Notepad of Windows 95 opens no file larger than this.
NOTEPAD_95_LIMIT = 64 * 1024 - 1


def notepad_text(text, encoding, name):
    """The guide's bytes for Notepad; raises ValueError if it cannot hold them."""
    if "\r" in text:
        raise ValueError("%s: the source must have LF line ends only" % name)
    if text.startswith("\ufeff"):
        raise ValueError("%s: the source must not start with a byte-order mark" % name)
    try:
        data = text.replace("\n", "\r\n").encode(encoding)
    except UnicodeEncodeError as error:
        line = text.count("\n", 0, error.start) + 1
        raise ValueError("%s:%d: %r is not in %s" % (name, line, error.object[error.start], encoding))
    if len(data) > NOTEPAD_95_LIMIT:
        raise ValueError("%s: %d bytes, more than Notepad of Windows 95 opens" % (name, len(data)))
    return data


def windows_text(path):
    """An ASCII file of the checkout with CR LF line ends, for Notepad."""
    with open(path, encoding="utf-8") as f:
        return f.read().replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")


def entries(root, x86, x64, build_record):
    """{name in the zip: bytes}, SHA256SUMS.txt included."""
    files = {}
    with open(x86, "rb") as f:
        files["x86/ZtoA.dll"] = f.read()
    with open(x64, "rb") as f:
        files["x64/ZtoA.dll"] = f.read()
    for source, name, encoding in GUIDES:
        with open(os.path.join(root, source), encoding="utf-8") as f:
            files[name] = notepad_text(f.read(), encoding, source)
    files["LICENSE.txt"] = windows_text(os.path.join(root, "LICENSE"))
    files["BUILDINFO.txt"] = windows_text(build_record)
    sums = "".join("%s  %s\r\n" % (hashlib.sha256(files[name]).hexdigest(), name)
                   for name in sorted(files))
    files["SHA256SUMS.txt"] = sums.encode("ascii")
    return files


def write_zip(path, files, epoch):
    """Writes the entries in name order, each with the given time (UTC)."""
    stamp = time.gmtime(max(epoch, 315532800))[:6]   # a zip cannot say before 1980
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3                    # Unix: the mode below, no owner
            info.external_attr = 0o100644 << 16       # a regular file, rw-r--r--
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, files[name], compresslevel=9)
    with open(path + ".tmp", "wb") as f:
        f.write(buffer.getvalue())
    os.replace(path + ".tmp", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--x86", required=True)
    parser.add_argument("--x64", required=True)
    parser.add_argument("--build-record", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    try:
        files = entries(args.root, args.x86, args.x64, args.build_record)
    except (OSError, ValueError) as error:
        print("release: %s" % error, file=sys.stderr)
        return 1
    write_zip(args.out, files, args.epoch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
