#!/usr/bin/env python3
"""Checks the unpacked release against what the module and the sources do:
- each guide opens in Notepad as shipped: the code-page copy without a
  byte-order mark, its "-utf8" twin with one and the same text, CR LF;
- each names the release, the menu text, the uninstall prompt and every
  message that the DLLs hold in its language, word for word (read from the
  DLLs, not from the sources), the label of every check box of the dialog
  in its language, the registry key and the value names the module reads;
- each says that the digits box is greyed where Windows lacks the option,
  which the dialog does, rather than asking the user to clear it;
- the README's table of options gives each box the flag that the dialog
  stores for it, with the value that Windows' headers give that flag.

Usage: release_check.py UNPACKED_DIR ROOT    (exit status 1 on any failure)
"""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_resources  # noqa: E402

KEY = "HKEY_CURRENT_USER\\Software\\Norvale\\QuillonPlugIns\\ZtoA"
BOM = b"\xef\xbb\xbf"
# (guide, code page, language of the DLL's texts, joins a wrapped line with,
#  what the guide calls a greyed box)
GUIDES = [("guide-zh-cn", "cp936", 0x0804, "", "灰色"),
          ("guide-zh-tw", "cp950", 0x0404, "", "灰色"),
          ("guide-ja", "cp932", 0x0411, "", "灰色"),
          ("guide-en", "ascii", 0x0409, " ", "greyed")]
PROMPT, MENU_TEXT, FIRST_MESSAGE = 1, 5, 7
ALWAYS = [1, 2, 5, 7, 8, 9]          # every language holds at least these
DIGITS_BOX = 1007
WINDOWS_HEADER = "/usr/share/mingw-w64/include/winnls.h"


def read_source(root, path):
    with open(os.path.join(root, path), encoding="utf-8") as f:
        return f.read()


def flag_boxes(root):
    """{control id: flag name} of the dialog's table of check boxes."""
    ids = dict((name, int(value)) for name, value in
               re.findall(r"#define\s+(IDC_\w+)\s+(\d+)", read_source(root, "resources/resource.h")))
    return dict((ids[box], flag) for box, flag in
                re.findall(r"\{\s*(IDC_\w+),\s*(\w+)\s*\}", read_source(root, "settings/propdlg.cpp")))


def release_text(root):
    return re.search(r'#define ZTOA_RELEASE_TEXT\s+"([^"]+)"', read_source(root, "resources/version.h")).group(1)


def box_label(text):
    """A check box's label as a guide names it: without its access key."""
    return re.sub(r"\(&\w\)$", "", text).replace("&", "")


def guide_text(folder, name, encoding, failures):
    """The text of a guide's code-page copy, checked against its twin; None if unreadable."""
    with open(os.path.join(folder, name + ".txt"), "rb") as f:
        data = f.read()
    if data.startswith((BOM, b"\xff\xfe", b"\xfe\xff")):
        failures.append("%s.txt: starts with a byte-order mark" % name)
    if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n"):
        failures.append("%s.txt: a line end other than CR LF" % name)
    try:
        text = data.decode(encoding)
    except UnicodeDecodeError as error:
        failures.append("%s.txt: not %s: %s" % (name, encoding, error))
        return None
    if encoding != "ascii":
        with open(os.path.join(folder, name + "-utf8.txt"), "rb") as f:
            twin = f.read()
        if not twin.startswith(BOM) or twin[len(BOM):].decode("utf-8", "replace") != text:
            failures.append("%s-utf8.txt: not the same text in UTF-8 after a byte-order mark" % name)
    return text


def check_guide(text, name, joiner, greyed, strings, labels, values, release, failures):
    """Whether the guide names what the module holds and does."""
    joined = re.sub(r"[ \t]*\r\n[ \t]*", joiner, text)
    wanted = [("the registry key", KEY), ("the release", "ZtoA " + release)]
    wanted += [("value name", v) for v in values]
    wanted += [("box %d" % box, label) for box, label in sorted(labels.items())]
    wanted += [("string %d" % n, strings[n]) for n in sorted(strings)
               if n in (PROMPT, MENU_TEXT) or n >= FIRST_MESSAGE]
    for what, needle in wanted:
        if needle not in joined:
            failures.append("%s does not name %s: %s" % (name, what, needle))
    digits = labels.get(DIGITS_BOX)
    if digits is not None:
        start = joined.find(digits)
        following = [joined.find(label, start + 1) for label in labels.values()]
        end = min([at for at in following if at > start] + [joined.find(strings[FIRST_MESSAGE])])
        if start < 0 or greyed not in joined[start:end]:
            failures.append("%s: the digits option does not say its box is %s" % (name, greyed))


def check_readme(root, english_labels, failures):
    """The README's flag table against the dialog and Windows' headers."""
    with open(WINDOWS_HEADER) as f:
        windows = dict((n, int(v, 16)) for n, v in re.findall(r"#define\s+(\w+)\s+0x([0-9A-Fa-f]+)", f.read()))
    boxes = flag_boxes(root)
    rows = re.findall(r"^\| (.+?) \| (0x[0-9A-Fa-f]+) \(`(\w+)`\) \|$", read_source(root, "README.md"), re.M)
    if len(rows) != len(boxes):
        failures.append("README: %d rows of options and flags, the dialog has %d boxes" % (len(rows), len(boxes)))
    for label, value, flag in rows:
        box = [b for b, text in english_labels.items() if label.startswith(text)]
        if not box or boxes.get(box[0]) != flag:
            failures.append("README: the box \"%s\" does not store %s" % (label, flag))
        if windows.get(flag) != int(value, 16):
            failures.append("README: %s is 0x%x, not %s" % (flag, windows.get(flag, -1), value))


def main(folder, root):
    failures = []
    tables, dialogs = {}, {}
    for arch in ("x86", "x64"):
        dll = pe_resources.load(os.path.join(folder, arch, "ZtoA.dll"))
        tables[arch], dialogs[arch] = dll.strings(), dll.dialog_texts(103)
    if tables["x86"] != tables["x64"] or dialogs["x86"] != dialogs["x64"]:
        failures.append("the two DLLs hold different texts")
    boxes = flag_boxes(root)
    values = re.findall(r'ReadDwordValue\(\w+, "(\w+)"', read_source(root, "settings/settings.cpp"))
    release = release_text(root)
    for name, encoding, language, joiner, greyed in GUIDES:
        strings = tables["x86"].get(language, {})
        for number in ALWAYS:
            if number not in strings:
                failures.append("%s: the DLL lacks string %d in language 0x%04x" % (name, number, language))
        labels = dict((box, box_label(text)) for box, text in dialogs["x86"].get(language, {}).items()
                      if box in boxes)
        if len(labels) != len(boxes):
            failures.append("%s: the dialog in language 0x%04x lacks a box" % (name, language))
        text = guide_text(folder, name, encoding, failures)
        if text is not None:
            check_guide(text, name, joiner, greyed, strings, labels, values, release, failures)
    english = dict((box, box_label(text)) for box, text in dialogs["x86"].get(0x0409, {}).items() if box in boxes)
    check_readme(root, english, failures)
    for failure in failures:
        print("FAILED: " + failure)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
