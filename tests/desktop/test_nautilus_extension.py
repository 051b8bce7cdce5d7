"""The bridge's Nautilus extension, run with a stand-in for gi.repository.Nautilus.

Neither Nautilus nor nautilus-python is needed: the stand-in gives the two
classes the extension uses and file infos with a MIME type. GLib and GObject
are the real ones (python3-gi), so the data file is read by GLib's key-file
parser and programs are started by GLib, as in Nautilus.

Run as a test:      test_nautilus_extension.py  (TAVISK_NAUTILUS_EXTENSION names
                    the extension's source, TAVISK_ARG_RECORDER the recorder)
Run as a helper:    test_nautilus_extension.py activate DIR CAPTION MIME PATH...
                    loads DIR/tavisk-bridge.py, offers its items for the files
                    and activates the one with that caption (exit 3 when none).
"""
import contextlib
import importlib.util
import io
import os
import shutil
import sys
import tempfile
import time
import types
import unittest
import warnings

import gi

warnings.filterwarnings("ignore", category=ImportWarning)  # gi's importer, with the stand-in

# --- the stand-in --------------------------------------------------------

nautilus = types.ModuleType("gi.repository.Nautilus")


class MenuProvider:
    pass


class MenuItem:
    def __init__(self, name, label, tip, icon):
        self.name, self.label, self.tip, self.icon = name, label, tip, icon
        self.handlers = []

    def connect(self, signal, handler, *data):
        assert signal == "activate", signal
        self.handlers.append((handler, data))

    def activate(self):
        for handler, data in self.handlers:
            handler(self, *data)


nautilus.MenuProvider = MenuProvider
nautilus.MenuItem = MenuItem
sys.modules["gi.repository.Nautilus"] = nautilus
_require_version = gi.require_version
gi.require_version = lambda name, version: None if name == "Nautilus" else _require_version(
    name, version)

# A MIME type's parents, as the shared MIME database gives them.
PARENTS = {"text/x-csrc": ["text/plain"], "application/x-shellscript": ["text/plain"]}


class Location:
    def __init__(self, path):
        self.path = path

    def get_path(self):
        return self.path


class FileInfo:
    def __init__(self, path, mime):
        self.path, self.mime = path, mime

    def get_location(self):
        return Location(self.path)

    def is_mime_type(self, mime):
        return mime == self.mime or mime in PARENTS.get(self.mime, [])


def load_extension(directory):
    found = importlib.util.spec_from_file_location(
        "tavisk_bridge_%d" % time.monotonic_ns(), os.path.join(directory, "tavisk-bridge.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


# --- the tests -----------------------------------------------------------

HEADER = "[Tavisk Nautilus Menu]\nVersion=1\n\n"


def entry_group(id, caption, mimes, arguments, several, program="/opt/view"):
    return ("[Entry %s]\nName=%s\nIcon=view-icon\nMimeType=%s\nProgram=%s\n"
            "Arguments=%s\nMultiple=%s\nX-Tavisk-Verb=%s\n\n" %
            (id, caption, mimes, program, arguments, "true" if several else "false", caption))


ENTRIES = HEADER + \
    entry_group("tavisk-t", "Text", "text/plain;", "%f;", True) + \
    entry_group("tavisk-i", "Image", "image/png;image/jpeg;", "--in=%f;", False) + \
    entry_group("tavisk-s", "Source", "text/x-csrc;", "-a;%f;", False)


class ExtensionTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tavisk-nautilus-")
        shutil.copy(os.environ["TAVISK_NAUTILUS_EXTENSION"],
                    os.path.join(self.dir, "tavisk-bridge.py"))
        self.entries = os.path.join(self.dir, "tavisk-bridge.entries")
        self.write(ENTRIES)
        self.module = load_extension(self.dir)
        self.menu = self.module.TaviskBridgeMenu()
        self.started = []
        self.module.start = self.started.append

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, text):
        # A new inode each time, as the bridge's rename gives.
        temp = self.entries + ".new"
        with open(temp, "w", encoding="utf-8") as out:
            out.write(text)
        os.replace(temp, self.entries)

    def captions(self, files):
        return [item.label for item in self.menu.get_file_items(files)]

    def test_offered_for_the_listed_types_only(self):
        cases = [
            ([("/d/a.txt", "text/plain")], ["Text"]),
            ([("/d/a.c", "text/x-csrc")], ["Text", "Source"]),  # a kind of text/plain
            ([("/d/a.png", "image/png")], ["Image"]),
            ([("/d/a.pdf", "application/pdf")], []),
            ([("/d/folder", "inode/directory")], []),
            ([("/d/a.txt", "text/plain"), ("/d/b.sh", "application/x-shellscript")], ["Text"]),
            ([("/d/a.png", "image/png"), ("/d/b.jpg", "image/jpeg")], []),  # one file only
            ([("/d/a.txt", "text/plain"), ("/d/b.png", "image/png")], []),
            ([(None, "text/plain")], []),  # not on a local disk
            ([], []),
        ]
        for files, expected in cases:
            with self.subTest(files=files):
                self.assertEqual(self.captions([FileInfo(p, m) for p, m in files]), expected)

    def test_each_file_is_one_argument_without_a_shell(self):
        odd = "/d/it's \"q\" $HOME `x` \\ 100%f.txt"
        cases = [
            ("%f;", True, ["/d/a b.txt", odd], ["/opt/view", "/d/a b.txt", odd]),
            ("%f;", False, [odd], ["/opt/view", odd]),
            ("--in=%f;100%%;", False, [odd], ["/opt/view", "--in=" + odd, "100%"]),
            ("%f;%f;", False, ["/d/a"], ["/opt/view", "/d/a", "/d/a"]),
            ("a\\;b;\\s;;", False, ["/d/a"], ["/opt/view", "a;b", " ", ""]),
            ("", False, ["/d/a"], ["/opt/view"]),
        ]
        for arguments, several, paths, expected in cases:
            with self.subTest(arguments=arguments, paths=paths):
                self.write(HEADER + entry_group("tavisk-x", "X", "text/plain;", arguments, several))
                items = self.menu.get_file_items([FileInfo(p, "text/plain") for p in paths])
                self.assertEqual([i.label for i in items], ["X"])
                self.started.clear()
                items[0].activate()
                self.assertEqual(self.started, [expected])

    def test_the_item_carries_the_entry_id_and_icon(self):
        [item] = self.menu.get_file_items([FileInfo("/d/a.png", "image/png")])
        self.assertEqual((item.name, item.icon), ("TaviskBridge::tavisk-i", "view-icon"))

    def test_the_data_file_is_read_again_when_it_changes(self):
        text = [FileInfo("/d/a.txt", "text/plain")]
        self.assertEqual(self.captions(text), ["Text"])
        self.write(HEADER + entry_group("tavisk-t", "Renamed", "text/plain;", "%f;", True))
        self.assertEqual(self.captions(text), ["Renamed"])
        os.remove(self.entries)
        self.assertEqual(self.captions(text), [])
        self.write(ENTRIES)
        self.assertEqual(self.captions(text), ["Text"])

    def test_a_file_that_is_not_ours_or_not_whole_offers_nothing(self):
        text = [FileInfo("/d/a.txt", "text/plain")]
        cases = [
            ("not ours", entry_group("tavisk-t", "Text", "text/plain;", "%f;", True)),
            ("not a key file", "[Tavisk Nautilus Menu\nName=x\n"),
            ("empty", ""),
        ]
        for name, content in cases:
            with self.subTest(name):
                self.write(content)
                self.assertEqual(self.captions(text), [])
        # An entry with a key missing is skipped; the others stay.
        broken = entry_group("tavisk-a", "Broken", "text/plain;", "%f;", True).replace(
            "Program=/opt/view\n", "")
        self.write(HEADER + broken + entry_group("tavisk-b", "Whole", "text/plain;", "%f;", True))
        self.assertEqual(self.captions(text), ["Whole"])

    def test_glib_starts_the_program_with_exactly_the_arguments(self):
        recorder = os.path.join(self.dir, "my tools", "it's \"$x\" view")
        os.makedirs(os.path.dirname(recorder))
        shutil.copy(os.environ["TAVISK_ARG_RECORDER"], recorder)
        recorded = os.path.join(self.dir, "recorded")
        os.environ["REC_OUT"] = recorded
        odd = os.path.join(self.dir, "a 'b' \"c\" $HOME;x.txt")
        self.write(HEADER + entry_group("tavisk-r", "Run", "text/plain;", "%f;", True,
                                        program=recorder.replace("\\", "\\\\")))
        module = load_extension(self.dir)  # with the real start()
        [item] = module.TaviskBridgeMenu().get_file_items(
            [FileInfo(odd, "text/plain"), FileInfo("/d/two", "text/plain")])
        item.activate()
        self.assertEqual(wait_for_record(recorded), [recorder, recorder, odd, "/d/two"])


    def test_a_program_that_cannot_start_is_reported(self):
        self.write(HEADER + entry_group("tavisk-m", "Missing", "text/plain;", "%f;", True,
                                        program="/nonexistent/tavisk-program"))
        module = load_extension(self.dir)  # with the real start()
        [item] = module.TaviskBridgeMenu().get_file_items([FileInfo("/d/a", "text/plain")])
        with contextlib.redirect_stdout(io.StringIO()) as output:
            item.activate()
        message = output.getvalue()
        self.assertTrue(message.startswith("Tavisk: cannot start /nonexistent/tavisk-program: "))
        self.assertTrue(message.endswith("; change the application's executable in Tavisk\n"))


def wait_for_record(path):
    for _ in range(100):
        if os.path.exists(path) and os.path.getsize(path) > 0:
            time.sleep(0.05)
            with open(path, "rb") as record:
                return [item.decode() for item in record.read().split(b"\0")[:-1]]
        time.sleep(0.05)
    return None


def activate(directory, caption, mime, paths):
    """The helper mode: what Nautilus does when the user picks the caption."""
    menu = load_extension(directory).TaviskBridgeMenu()
    for item in menu.get_file_items([FileInfo(p, mime) for p in paths]):
        if item.label == caption:
            item.activate()
            return 0
    return 3


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "activate":
        sys.exit(activate(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]))
    unittest.main()
