#!/usr/bin/env python3
"""Generates a large SOFTWARE hive file for the offline-registry benchmark.

    gen_hive.py OUTPUT [--keys N] [--values N] [--seed N] [--reg FILE]

Every generated key lies below \\Bench (the key counted among the N keys,
default 200,000), which holds N values (default 800,000) in all. The tree
is shaped like a real SOFTWARE hive: tens of vendors under \\Bench, tens of
products under each, then settings, plug-in, GUID-named and numbered keys,
five levels at most, the last level spread over randomly chosen parents.
About a third of the keys have no values; the rest have a handful, a few
have dozens. Value types (by count): REG_SZ about 55 % (install paths
under C:\\Program Files, C:\\Windows paths, %SystemRoot% references,
versions, GUIDs, URLs, plain texts, a few with Latin-1 letters or quotes),
REG_DWORD 22 %, REG_BINARY 9 % (about half of them longer than 25 bytes,
a few kilobytes long), REG_EXPAND_SZ 6 %, REG_MULTI_SZ 6 %, REG_QWORD
1.5 %, REG_NONE 0.5 %. Names are unique among siblings in any letter case.
The output is the same for the same arguments (fixed seed).

hivex can build such a hive (hivex_node_add_child, hivex_node_set_values)
but takes far too long for this size, so the file is written here
directly, in the regf format (version 1.5) as Windows lays it out:

  * a 4 KiB header: "regf", equal sequence numbers, version 1.5, the root
    cell's offset, the size of the hbin area, and at 0x1FC the XOR of the
    first 127 little-endian dwords;
  * hbins ("hbin", their own offset from the first hbin, their size) of
    4 KiB, or a multiple of 4 KiB for a larger cell; the space a bin has
    left at its end is one free cell;
  * cells: a signed 32-bit size (negative while used) and the record, the
    whole rounded up to 8 bytes. Offsets inside records count from the
    first hbin (file offset 0x1000);
  * per key, in depth-first order: its "nk" record (flags: compressed
    name; the root also hive entry and no delete), its value list (an
    array of vk offsets), a "vk" record per value followed by its data
    cell (data of 4 bytes or less is held in the vk itself, with the high
    bit of the length set), then its subkey list, an "lh" record whose
    entries are (nk offset, name hash: hash * 37 + upper-cased character),
    sorted by upper-cased name as the registry keeps them;
  * one "sk" security record that every key shares (its list links to
    itself, its reference count is the number of keys).

All names are ASCII, stored compressed (one byte a character); string
data is UTF-16LE with its terminating NUL. No value is longer than 16,344
bytes, so no big-data ("db") records are needed.

Next to OUTPUT the generator writes OUTPUT.meta, "name value" lines the
benchmark checks the export against: keys, values, values of types the
INF form carries only as bytes after a comment (REG_QWORD, REG_NONE),
the per-type counts and the file's size. --reg FILE also writes the same
tree as a registry export (UTF-16LE, keys under
HKEY_LOCAL_MACHINE\\SOFTWARE), for timing other ways of building the hive.
"""

import argparse
import random
import struct
import sys

HBIN = 0x1000
HBIN_HEADER = 0x20
TIMESTAMP = 0x01D9_8E3C_5A00_0000  # a fixed FILETIME (2023)

REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD = 0, 1, 2, 3, 4, 7, 11
TYPE_NAMES = {REG_NONE: "none", REG_SZ: "sz", REG_EXPAND_SZ: "expand_sz", REG_BINARY: "binary",
              REG_DWORD: "dword", REG_MULTI_SZ: "multi_sz", REG_QWORD: "qword"}

# ----------------------------------------------------------------------------
# The tree and its data.

# Mean number of children of a key at each depth below \Bench (depth 0 is
# \Bench itself); the last level is filled until the key count is reached.
FAN_OUT = [60, 22, 12, 8, 5]

SYLLABLES = ["Al", "Bra", "Cor", "Dun", "El", "Fen", "Gal", "Hy", "Ix", "Jor", "Kal", "Lum", "Mer",
             "Nor", "Or", "Pra", "Quin", "Ros", "Sol", "Tar", "Ul", "Ven", "Wex", "Yor", "Zan",
             "tec", "vex", "lis", "mar", "dor", "nix", "ra", "on", "ia", "tro", "gen", "soft"]
COMPANY_SUFFIXES = ["", "", "", " Software", " Systems", " Labs", " Inc.", " Technologies",
                    " Corporation", " GmbH", " Media", " Data"]
PRODUCT_WORDS = ["Studio", "Office", "Suite", "Player", "Editor", "Manager", "Reader", "Viewer",
                 "Backup", "Sync", "Cloud", "Desktop", "Toolkit", "Designer", "Server", "Client",
                 "Agent", "Update", "Security", "Print", "Scan", "Photo", "Audio", "Video",
                 "Mail", "Notes", "Drive", "Connect", "Monitor", "Framework", "Runtime", "SDK"]
SETTING_KEYS = ["Settings", "Preferences", "Options", "Plugins", "Extensions", "Recent File List",
                "Toolbars", "Capabilities", "FileAssociations", "Shell", "DefaultIcon",
                "InprocServer32", "LocalServer32", "Components", "Features", "Licensing",
                "Installer", "Uninstall", "Languages", "Profiles", "Accounts", "Connections",
                "Proxy", "Logging", "Diagnostics", "Updates", "Cache", "History", "Windows",
                "Layouts", "Fonts", "Printers", "Security", "Policies", "Parameters", "Devices",
                "Formats", "Codecs", "Filters", "Templates", "Macros", "Keyboard", "Display",
                "Network", "CurrentVersion", "Defaults", "MRU", "Bags", "Streams", "Handlers"]
VALUE_NAMES = ["DisplayName", "DisplayVersion", "Publisher", "InstallLocation", "InstallDir",
               "InstallDate", "UninstallString", "ModifyPath", "Path", "Version", "Language",
               "Enabled", "Flags", "Options", "Description", "HelpLink", "URLInfoAbout",
               "EstimatedSize", "NoModify", "NoRepair", "MRUList", "Library", "Icon", "Command",
               "ThreadingModel", "LastUsed", "WindowPos", "Position", "Size", "Visible",
               "AutoStart", "CheckForUpdates", "ProxyServer", "Timeout", "RetryCount",
               "LogLevel", "LogFile", "DataDirectory", "TempDirectory", "Theme", "FontName",
               "FontSize", "ColorScheme", "LicenseKey", "ProductID", "SerialNumber", "UserName",
               "CompanyName", "Build", "Revision", "Channel", "ServerName", "Port", "Protocol"]
WORDS = ["data", "core", "shell", "common", "shared", "update", "helper", "service", "engine",
         "host", "launcher", "setup", "plugin", "codec", "filter", "driver", "viewer", "sync"]
LATIN1 = ["Münchener Straße", "Café Crème", "Préférences", "Größe", "Año nuevo", "Ñandú"]


def unique(name, taken):
    """`name`, or `name` with a number added, not yet in `taken` in any case."""
    candidate = name
    n = 2
    while candidate.upper() in taken:
        candidate = "%s %d" % (name, n) if " " in name else "%s%d" % (name, n)
        n += 1
    taken.add(candidate.upper())
    return candidate


def guid(rng):
    h = "%032X" % rng.getrandbits(128)
    return "{%s-%s-%s-%s-%s}" % (h[:8], h[8:12], h[12:16], h[16:20], h[20:])


def company(rng):
    name = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(2, 3)))
    return name[0].upper() + name[1:].lower() + rng.choice(COMPANY_SUFFIXES)


def key_name(rng, depth):
    """A name for a key `depth` levels below \\Bench."""
    if depth == 1:
        return company(rng)
    if depth == 2:
        r = rng.random()
        if r < 0.6:
            stem = rng.choice(SYLLABLES) + rng.choice(SYLLABLES).lower()
            return "%s %s" % (stem.capitalize(), rng.choice(PRODUCT_WORDS))
        if r < 0.85:
            return "%s%s" % (rng.choice(PRODUCT_WORDS), rng.choice(["", " 2019", " 2021", " 7", " 10", " XP"]))
        return guid(rng)
    r = rng.random()
    if r < 0.45:
        return rng.choice(SETTING_KEYS)
    if r < 0.65:
        return guid(rng)
    if r < 0.8:
        return "%04d" % rng.randint(0, 9999)
    if r < 0.9:
        return ".%s" % "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 5)))
    return "%s.%s.%d" % (rng.choice(PRODUCT_WORDS), rng.choice(WORDS).capitalize(), rng.randint(1, 12))


class Key:
    __slots__ = ("name", "children", "values", "vendor", "product")

    def __init__(self, name, vendor="", product=""):
        self.name = name
        self.children = []
        self.values = []  # (name, type, data bytes)
        self.vendor = vendor
        self.product = product


def build_tree(rng, total_keys):
    """\\Bench and total_keys - 1 keys below it, level by level."""
    bench = Key("Bench", "Bench", "Bench")
    count = 1
    level = [bench]
    depth = 0
    while count < total_keys and level:
        mean = FAN_OUT[min(depth, len(FAN_OUT) - 1)]
        wanted = [max(0, int(rng.gauss(mean, mean / 3))) for _ in level]
        if depth == len(FAN_OUT) - 1 or count + sum(wanted) >= total_keys:
            # The last level: the remaining keys under parents in random order.
            order = list(range(len(level)))
            rng.shuffle(order)
            budget = total_keys - count
            cut = [0] * len(level)
            while budget > 0:
                progress = False
                for i in order:
                    if budget == 0:
                        break
                    n = min(budget, max(1, wanted[i]))
                    cut[i] += n
                    budget -= n
                    progress = True
                if not progress:
                    break
            wanted = cut
        nxt = []
        for parent, n in zip(level, wanted):
            taken = {c.name.upper() for c in parent.children}
            for _ in range(n):
                name = unique(key_name(rng, depth + 1), taken)
                vendor = name if depth == 0 else parent.vendor
                product = name if depth == 1 else parent.product
                child = Key(name, vendor, product)
                parent.children.append(child)
                nxt.append(child)
        count += len(nxt)
        level = nxt
        depth += 1
    if count != total_keys:
        sys.exit("gen_hive.py: the tree holds %d keys, not %d" % (count, total_keys))
    return bench


def all_keys(root):
    stack = [root]
    while stack:
        key = stack.pop()
        yield key
        stack.extend(reversed(key.children))


def value_counts(rng, n_keys, n_values):
    if n_values < n_keys:
        # Sparse: one value each for randomly chosen keys.
        counts = [0] * n_keys
        for i in rng.sample(range(n_keys), n_values):
            counts[i] = 1
        return counts
    counts = []
    for _ in range(n_keys):
        r = rng.random()
        if r < 0.33:
            counts.append(0)
        elif r < 0.97:
            counts.append(rng.randint(1, 10))
        else:
            counts.append(rng.randint(11, 60))
    diff = n_values - sum(counts)
    if diff > 0 and not any(counts):
        counts[0] = 1
        diff -= 1
    while diff != 0:
        i = rng.randrange(n_keys)
        if diff > 0 and counts[i] > 0:
            counts[i] += 1
            diff -= 1
        elif diff < 0 and counts[i] > 1:
            counts[i] -= 1
            diff += 1
    return counts


def wide(text):
    return text.encode("utf-16-le") + b"\0\0"


def string_data(rng, key, expand):
    vendor, product = key.vendor, key.product
    word = rng.choice(WORDS)
    if expand:
        return rng.choice([
            "%%SystemRoot%%\\System32\\%s%d.dll" % (word, rng.randint(1, 99)),
            "%%SystemRoot%%\\system32\\drivers\\%s.sys" % word,
            "%%ProgramFiles%%\\%s\\%s\\%s.exe" % (vendor, product, word),
            "%%CommonProgramFiles%%\\%s\\%s" % (vendor, word),
            "%%SystemDrive%%\\ProgramData\\%s\\%s" % (vendor, product),
            "%%USERPROFILE%%\\AppData\\Roaming\\%s\\%s" % (vendor, product),
            "%%windir%%\\Temp\\%s" % word,
        ])
    r = rng.random()
    if r < 0.22:
        base = "C:\\Program Files" if rng.random() < 0.7 else "C:\\Program Files (x86)"
        tail = rng.choice(["", "\\bin\\%s.exe" % word, "\\%s.dll" % word, "\\Data", "\\%s\\%s.ini" % (word, word)])
        text = "%s\\%s\\%s%s" % (base, vendor, product, tail)
        return '"%s" /S' % text if rng.random() < 0.1 else text
    if r < 0.32:
        return rng.choice(["C:\\Windows\\System32\\%s%d.dll" % (word, rng.randint(1, 64)),
                           "C:\\WINDOWS\\system32\\rundll32.exe %s.dll,Entry" % word,
                           "C:\\Windows\\Fonts\\%s.ttf" % word,
                           "C:\\Windows\\Temp\\%s" % vendor])
    if r < 0.40:
        return "%%SystemRoot%%\\System32\\%s.dll,-%d" % (word, rng.randint(100, 999))
    if r < 0.52:
        return "%d.%d.%d.%d" % (rng.randint(1, 20), rng.randint(0, 9), rng.randint(0, 9999), rng.randint(0, 99))
    if r < 0.60:
        return guid(rng)
    if r < 0.65:
        return "https://www.%s.example/%s/%s" % (vendor.split(" ")[0].lower(), word, rng.randint(1, 999))
    if r < 0.69:
        return ""
    if r < 0.72:
        return rng.choice(["Apartment", "Both", "Free"])
    if r < 0.74:
        return "%s %s" % (rng.choice(LATIN1), rng.randint(1, 99))
    if r < 0.76:
        return 'say "%s" %d times' % (word, rng.randint(2, 9))
    return "%s %s %s" % (vendor, product, rng.choice(["", "Update", "Helper", "Service", "Component %d" % rng.randint(1, 40)]))


def value_data(rng, key):
    r = rng.random()
    if r < 0.55:
        return REG_SZ, wide(string_data(rng, key, False))
    if r < 0.77:
        value = rng.choice([0, 1, 1, 0, 2, 0xFFFFFFFF, rng.getrandbits(32), rng.randint(0, 5000)])
        return REG_DWORD, struct.pack("<I", value)
    if r < 0.86:
        s = rng.random()
        if s < 0.52:
            n = rng.choice([4, 8, 12, 16, 20, 24, 25])
        elif s < 0.98:
            n = rng.randint(26, 400)
        else:
            n = rng.randint(1000, 6000)
        return REG_BINARY, rng.randbytes(n)
    if r < 0.92:
        return REG_EXPAND_SZ, wide(string_data(rng, key, True))
    if r < 0.98:
        items = []
        for _ in range(rng.randint(0, 8)):
            items.append(rng.choice([rng.choice(WORDS) + str(rng.randint(1, 99)),
                                     string_data(rng, key, False) or "x"]))
        return REG_MULTI_SZ, b"".join(wide(i) for i in items) + b"\0\0"
    if r < 0.995:
        return REG_QWORD, struct.pack("<Q", TIMESTAMP + rng.getrandbits(40))
    return REG_NONE, rng.choice([b"", b"\0\0\0\0", rng.randbytes(8)])


def fill_values(rng, root, n_keys, n_values):
    counts = value_counts(rng, n_keys, n_values)
    for key, count in zip(all_keys(root), counts):
        taken = set()
        for i in range(count):
            if i == 0 and rng.random() < 0.3:
                name = ""
                taken.add("")
            else:
                pick = rng.random()
                if pick < 0.75:
                    base = rng.choice(VALUE_NAMES)
                elif pick < 0.9:
                    base = "%s%s" % (rng.choice(WORDS).capitalize(), rng.choice(["Path", "Mode", "Count", "Name", "List"]))
                else:
                    base = rng.choice("abcdefghijklmnop")
                name = unique(base, taken)
            key.values.append((name,) + value_data(rng, key))


# ----------------------------------------------------------------------------
# The regf writer.

def lh_hash(name):
    h = 0
    for c in name.upper():
        h = (h * 37 + ord(c)) & 0xFFFFFFFF
    return h


class HiveWriter:
    def __init__(self):
        self.buf = bytearray()  # the hbin area; offsets count from its start
        self.bin_start = 0
        self.bin_used = 0  # the next free byte of the current bin, from bin_start

    def _close_bin(self):
        size = len(self.buf) - self.bin_start
        rest = size - self.bin_used
        if rest > 0:
            struct.pack_into("<i", self.buf, self.bin_start + self.bin_used, rest)  # free cell

    def _open_bin(self, need):
        if self.buf:
            self._close_bin()
        size = -(-(need + HBIN_HEADER) // HBIN) * HBIN
        self.bin_start = len(self.buf)
        self.buf += bytes(size)
        struct.pack_into("<4sIIIIQI", self.buf, self.bin_start, b"hbin", self.bin_start, size,
                         0, 0, TIMESTAMP, 0)
        self.bin_used = HBIN_HEADER

    def alloc(self, length):
        """A used cell for `length` bytes of record; returns its offset."""
        size = (length + 4 + 7) & ~7
        if not self.buf or self.bin_used + size > len(self.buf) - self.bin_start:
            self._open_bin(size)
        offset = self.bin_start + self.bin_used
        self.bin_used += size
        struct.pack_into("<i", self.buf, offset, -size)
        return offset

    def cell(self, record):
        offset = self.alloc(len(record))
        self.buf[offset + 4:offset + 4 + len(record)] = record
        return offset

    def finish(self):
        self._close_bin()


NK_FIXED = struct.Struct("<2sHQIIIIIIIIIIIIIIIHH")  # up to the name, from "nk"
VK_FIXED = struct.Struct("<2sHIIIHH")


def write_hive(root_children, n_keys_total):
    w = HiveWriter()
    sk_offset = None
    keys_written = 0

    def write_key(key, parent, flags):
        nonlocal sk_offset, keys_written
        name = key.name.encode("latin-1")
        nk = w.alloc(NK_FIXED.size + len(name))
        if sk_offset is None:
            # The shared security record: self-linked, a self-relative
            # descriptor without owner, group or lists.
            descriptor = struct.pack("<BBHIIII", 1, 0, 0x8004, 0, 0, 0, 0)
            sk_offset = w.alloc(20 + len(descriptor))
            struct.pack_into("<2sHIIII", w.buf, sk_offset + 4, b"sk", 0, sk_offset, sk_offset,
                             n_keys_total, len(descriptor))
            w.buf[sk_offset + 24:sk_offset + 24 + len(descriptor)] = descriptor
        keys_written += 1

        value_list = 0xFFFFFFFF
        max_value_name = max_value_data = 0
        if key.values:
            value_list = w.alloc(4 * len(key.values))
            for i, (vname, vtype, data) in enumerate(key.values):
                raw_name = vname.encode("latin-1")
                max_value_name = max(max_value_name, 2 * len(raw_name))
                max_value_data = max(max_value_data, len(data))
                if len(data) <= 4:
                    length = 0x80000000 | len(data)
                    data_field = struct.unpack("<I", data.ljust(4, b"\0"))[0]
                else:
                    length = len(data)
                    data_field = None
                vk = w.cell(VK_FIXED.pack(b"vk", len(raw_name), length, 0, vtype,
                                          1 if raw_name else 0, 0) + raw_name)
                if data_field is None:
                    data_field = w.cell(data)
                struct.pack_into("<I", w.buf, vk + 4 + 8, data_field)
                struct.pack_into("<I", w.buf, value_list + 4 + 4 * i, vk)

        children = sorted(key.children, key=lambda c: c.name.upper())
        subkey_list = 0xFFFFFFFF
        if children:
            subkey_list = w.alloc(4 + 8 * len(children))
            struct.pack_into("<2sH", w.buf, subkey_list + 4, b"lh", len(children))
        max_subkey_name = max((2 * len(c.name) for c in children), default=0)

        w.buf[nk + 4:nk + 4 + NK_FIXED.size] = NK_FIXED.pack(
            b"nk", flags, TIMESTAMP, 0, parent, len(children), 0, subkey_list, 0xFFFFFFFF,
            len(key.values), value_list, sk_offset, 0xFFFFFFFF, max_subkey_name, 0,
            max_value_name, max_value_data, 0, len(name), 0)
        w.buf[nk + 4 + NK_FIXED.size:nk + 4 + NK_FIXED.size + len(name)] = name

        for i, child in enumerate(children):
            child_nk = write_key(child, nk, 0x20)
            struct.pack_into("<II", w.buf, subkey_list + 8 + 8 * i, child_nk, lh_hash(child.name))
        return nk

    root = Key("ROOT")
    root.children = root_children
    root_offset = write_key(root, 0, 0x2C)
    w.finish()
    if keys_written != n_keys_total:
        sys.exit("gen_hive.py: wrote %d keys, not %d" % (keys_written, n_keys_total))

    header = bytearray(HBIN)
    struct.pack_into("<4sIIQIIIIIII", header, 0, b"regf", 1, 1, TIMESTAMP, 1, 5, 0, 1,
                     root_offset, len(w.buf), 1)
    header[0x30:0x30 + 62] = "emRoot\\System32\\Config\\SOFTWARE".encode("utf-16-le").ljust(62, b"\0")
    checksum = 0
    for (dword,) in struct.iter_unpack("<I", header[:0x1FC]):
        checksum ^= dword
    if checksum == 0xFFFFFFFF:
        checksum = 0xFFFFFFFE
    elif checksum == 0:
        checksum = 1
    struct.pack_into("<I", header, 0x1FC, checksum)
    return bytes(header), w.buf


# ----------------------------------------------------------------------------

def reg_text(root):
    """The tree as a registry export, UTF-16LE with its byte-order mark."""
    out = ["Windows Registry Editor Version 5.00", ""]
    stack = [(root, "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + root.name)]
    while stack:
        key, path = stack.pop()
        out.append("[%s]" % path)
        for name, vtype, data in key.values:
            shown = "@" if name == "" else '"%s"' % name.replace("\\", "\\\\").replace('"', '\\"')
            if vtype == REG_SZ and b"\0" not in data[:-2].decode("utf-16-le").encode("utf-8"):
                text = data[:-2].decode("utf-16-le").replace("\\", "\\\\").replace('"', '\\"')
                out.append('%s="%s"' % (shown, text))
            elif vtype == REG_DWORD:
                out.append("%s=dword:%08x" % (shown, struct.unpack("<I", data)[0]))
            else:
                prefix = "hex" if vtype == REG_BINARY else "hex(%x)" % vtype
                out.append("%s=%s:%s" % (shown, prefix, ",".join("%02x" % b for b in data)))
        out.append("")
        for child in reversed(key.children):
            stack.append((child, path + "\\" + child.name))
    return ("\ufeff" + "\r\n".join(out) + "\r\n").encode("utf-16-le")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output")
    parser.add_argument("--keys", type=int, default=200_000)
    parser.add_argument("--values", type=int, default=800_000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--reg", help="also write the tree as a .reg file")
    args = parser.parse_args()
    if args.keys < 1 or args.values < 0:
        parser.error("--keys must be at least 1, --values not negative")
    rng = random.Random(args.seed)
    bench = build_tree(rng, args.keys)
    fill_values(rng, bench, args.keys, args.values)
    header, bins = write_hive([bench], args.keys + 1)
    with open(args.output, "wb") as f:
        f.write(header)
        f.write(bins)
    types = {}
    for key in all_keys(bench):
        for _, vtype, _ in key.values:
            types[vtype] = types.get(vtype, 0) + 1
    with open(args.output + ".meta", "w") as f:
        f.write("keys %d\n" % args.keys)
        f.write("values %d\n" % args.values)
        f.write("commented_values %d\n" % (types.get(REG_QWORD, 0) + types.get(REG_NONE, 0)))
        for vtype in sorted(types):
            f.write("type_%s %d\n" % (TYPE_NAMES[vtype], types[vtype]))
        f.write("bytes %d\n" % (len(header) + len(bins)))
    if args.reg:
        with open(args.reg, "wb") as f:
            f.write(reg_text(bench))
    print("%s: %d bytes, %d keys, %d values" % (args.output, len(header) + len(bins), args.keys,
                                                args.values), file=sys.stderr)


if __name__ == "__main__":
    main()
