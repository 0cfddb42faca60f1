#!/usr/bin/env python3
"""Checks the unpacked release: the guides open in Notepad as shipped, and
each names the menu text, the registry key and every message that the DLLs
really hold in its language (read from the DLLs, not from the sources).

Usage: release_check.py UNPACKED_DIR    (exit status 1 on any failure)
"""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_resources  # noqa: E402

KEY = "HKEY_CURRENT_USER\\Software\\Norvale\\QuillonPlugIns\\ZtoA"
# (guide, encoding, language of the DLL's texts, joins a wrapped line with)
GUIDES = [("guide-zh.txt", "gbk", 0x0804, ""),
          ("guide-ja.txt", "cp932", 0x0411, ""),
          ("guide-en.txt", "ascii", 0x0409, " ")]
MENU_TEXT, VERSION = 5, 2
MESSAGES = [1, 7, 8, 9, 10, 11]   # uninstall prompt, then why a sort did not happen
ALWAYS = [1, 2, 5, 7, 8, 9]       # every language holds at least these


def main(folder):
    failures = []
    tables = {}
    for arch in ("x86", "x64"):
        tables[arch] = pe_resources.load(os.path.join(folder, arch, "ZtoA.dll")).strings()
    if tables["x86"] != tables["x64"]:
        failures.append("the two DLLs hold different texts")
    for name, encoding, language, joiner in GUIDES:
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        if data.startswith((b"\xef\xbb\xbf", b"\xff\xfe", b"\xfe\xff")):
            failures.append("%s: starts with a byte-order mark" % name)
        if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n"):
            failures.append("%s: a line end other than CR LF" % name)
        try:
            text = data.decode(encoding)
        except UnicodeDecodeError as error:
            failures.append("%s: not %s: %s" % (name, encoding, error))
            continue
        joined = re.sub(r"[ \t]*\r\n[ \t]*", joiner, text)
        strings = tables["x86"].get(language, {})
        for number in ALWAYS:
            if number not in strings:
                failures.append("%s: the DLL lacks string %d in language 0x%04x" % (name, number, language))
        wanted = [("the registry key", KEY)]
        wanted += [("string %d" % n, strings[n]) for n in [MENU_TEXT, VERSION] + MESSAGES if n in strings]
        for what, needle in wanted:
            if needle not in joined:
                failures.append("%s does not name %s: %s" % (name, what, needle))
    for failure in failures:
        print("FAILED: " + failure)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
