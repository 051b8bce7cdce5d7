# Tavisk's desktop bridge (X-Tavisk-Bridge) writes, rewrites and removes this
# file; changes made here are lost at its next sync.
#
# Offers Tavisk's context-menu entries in Nautilus. The entries live in
# tavisk-bridge.entries beside this file, which the bridge keeps in step with
# the registry; it is read again whenever it changes, so Nautilus needs no
# restart for a new, changed or removed entry. An entry is offered for files
# whose MIME type it lists and starts its program directly (no shell), with
# each file as one argument.
import os

import gi

gi.require_version("Nautilus", "4.0")
from gi.repository import GLib, GObject, Nautilus  # noqa: E402

ENTRIES_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tavisk-bridge.entries")
HEADER_GROUP = "Tavisk Nautilus Menu"
ENTRY_GROUP = "Entry "
FILE_PLACE = "%f"


class Entry:
    """One entry: its caption, icon, MIME types and command."""

    def __init__(self, key_file, group):
        self.id = group[len(ENTRY_GROUP):]
        self.caption = key_file.get_string(group, "Name")
        self.icon = key_file.get_string(group, "Icon")
        self.mime_types = key_file.get_string_list(group, "MimeType")
        self.program = key_file.get_string(group, "Program")
        self.arguments = key_file.get_string_list(group, "Arguments")
        self.several = key_file.get_boolean(group, "Multiple")

    def offered_for(self, files):
        """True when every file is a local file of one of the entry's types."""
        if len(files) != 1 and not self.several:
            return False
        return all(local_path(f) is not None and
                   any(f.is_mime_type(mime) for mime in self.mime_types)
                   for f in files)

    def argument_vector(self, paths):
        """The program and its arguments: each path in the file's place."""
        argv = [self.program]
        for argument in self.arguments:
            if argument == FILE_PLACE and self.several:
                argv.extend(paths)
            else:
                argv.append(expand(argument, paths[0]))
        return argv


def expand(argument, path):
    """The argument with %f as the path and %% as one percent sign."""
    text = []
    at = 0
    while at < len(argument):
        if argument.startswith("%%", at):
            text.append("%")
            at += 2
        elif argument.startswith(FILE_PLACE, at):
            text.append(path)
            at += len(FILE_PLACE)
        else:
            text.append(argument[at])
            at += 1
    return "".join(text)


def local_path(file_info):
    """The file's path, or None for a file that is not on a local disk."""
    location = file_info.get_location()
    return location.get_path() if location is not None else None


def read_entries(path):
    """The entries of the data file; none when it is missing or not ours."""
    key_file = GLib.KeyFile()
    try:
        key_file.load_from_file(path, GLib.KeyFileFlags.NONE)
    except GLib.Error:
        return []
    if not key_file.has_group(HEADER_GROUP):
        return []
    entries = []
    for group in key_file.get_groups()[0]:
        if group.startswith(ENTRY_GROUP):
            try:
                entries.append(Entry(key_file, group))
            except GLib.Error:
                pass  # an entry with a key missing is skipped; the others stay
    return entries


class EntriesCache:
    """The data file's entries, read again only when the file changes."""

    def __init__(self, path):
        self.path = path
        self.stamp = None
        self.entries = []

    def current(self):
        try:
            info = os.stat(self.path)
            stamp = (info.st_ino, info.st_size, info.st_mtime_ns)
        except OSError:
            stamp = None
        if stamp != self.stamp:
            self.stamp = stamp
            self.entries = read_entries(self.path) if stamp else []
        return self.entries


def start(argv):
    """Starts the program without a shell; the GLib child is reaped for us."""
    try:
        GLib.spawn_async(argv, flags=GLib.SpawnFlags.SEARCH_PATH)
    except GLib.Error as error:
        print("Tavisk: cannot start %s: %s; change the application's executable in Tavisk"
              % (argv[0], error.message))


class TaviskBridgeMenu(GObject.GObject, Nautilus.MenuProvider):
    def __init__(self):
        super().__init__()
        self.cache = EntriesCache(ENTRIES_FILE)

    def get_file_items(self, files):
        items = []
        for entry in self.cache.current():
            if not files or not entry.offered_for(files):
                continue
            item = Nautilus.MenuItem(name="TaviskBridge::" + entry.id, label=entry.caption,
                                     tip="", icon=entry.icon)
            paths = [local_path(f) for f in files]
            item.connect("activate", self.activate, entry.argument_vector(paths))
            items.append(item)
        return items

    def get_background_items(self, folder):
        return []

    def activate(self, item, argv):
        start(argv)
