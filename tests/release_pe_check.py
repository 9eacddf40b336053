# Reads a Windows program's imported DLLs and resources (icon, version information) for the release checks.
"""Usage: release_pe_check.py [--need-icon] [--need-version X.Y.Z] [--allow-dlls A,B,...] FILE.exe

Parses the PE file with bounds checks (standard library only) and reports:
  - the imported DLLs; with --allow-dlls each must be in the list (case-insensitive);
  - the resources; --need-icon wants an icon group with at least one icon, --need-version wants a
    version resource whose FileVersion and ProductVersion strings are X.Y.Z and whose fixed
    FILEVERSION is X.Y.Z.0.
Exit code 0 when every requirement holds, 1 when one does not, 2 when the file cannot be read.
"""
import argparse
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


class PeError(Exception):
    pass


class Pe:
    def __init__(self, data):
        self.data = data
        if self.u16(0) != 0x5A4D:
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if self.bytes(pe, 4) != b"PE\0\0":
            raise PeError("no PE signature")
        sections = self.u16(pe + 6)
        optional_size = self.u16(pe + 20)
        opt = pe + 24
        magic = self.u16(opt)
        if magic == 0x20B:
            dirs = opt + 112
        elif magic == 0x10B:
            dirs = opt + 96
        else:
            raise PeError(f"unknown optional header magic {magic:#x}")
        count = self.u32(dirs - 4)
        self.dirs = [(self.u32(dirs + 8 * i), self.u32(dirs + 8 * i + 4)) for i in range(min(count, 16))]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            s = table + 40 * i
            vsize, vaddr, rsize, raw = self.u32(s + 8), self.u32(s + 12), self.u32(s + 16), self.u32(s + 20)
            self.sections.append((vaddr, max(vsize, rsize), raw, rsize))

    def bytes(self, offset, n):
        if offset < 0 or n < 0 or offset + n > len(self.data):
            raise PeError(f"read of {n} bytes at {offset:#x} is outside the file ({len(self.data)} bytes)")
        return self.data[offset:offset + n]

    def u16(self, offset):
        return struct.unpack_from("<H", self.bytes(offset, 2))[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.bytes(offset, 4))[0]

    def file_offset(self, rva):
        for vaddr, vsize, raw, rsize in self.sections:
            if vaddr <= rva < vaddr + vsize:
                if rva - vaddr >= rsize:
                    raise PeError(f"RVA {rva:#x} lies in uninitialised data")
                return raw + (rva - vaddr)
        raise PeError(f"RVA {rva:#x} is in no section")

    def c_string(self, offset, limit=260):
        end = self.data.find(b"\0", offset, offset + limit)
        if end < 0:
            raise PeError(f"unterminated name at {offset:#x}")
        return self.data[offset:end].decode("ascii", "replace")

    def imported_dlls(self):
        rva, size = self.dirs[1] if len(self.dirs) > 1 else (0, 0)
        names = []
        if rva == 0:
            return names
        at = self.file_offset(rva)
        for i in range(4096):
            entry = at + 20 * i
            name_rva = self.u32(entry + 12)
            if name_rva == 0 and self.u32(entry) == 0:
                return names
            names.append(self.c_string(self.file_offset(name_rva)))
        raise PeError("import directory without an end")

    def resources(self):
        """{type id: [(name id, data bytes), ...]} from the first language of each entry."""
        rva, size = self.dirs[2] if len(self.dirs) > 2 else (0, 0)
        found = {}
        if rva == 0:
            return found
        base = self.file_offset(rva)

        def entries(directory):
            named, ids = self.u16(directory + 12), self.u16(directory + 14)
            if named + ids > 4096:
                raise PeError("resource directory too large")
            for i in range(named + ids):
                e = directory + 16 + 8 * i
                yield self.u32(e), self.u32(e + 4)

        for type_id, type_off in entries(base):
            if not type_off & 0x80000000:
                continue
            for name_id, name_off in entries(base + (type_off & 0x7FFFFFFF)):
                if not name_off & 0x80000000:
                    continue
                for _, lang_off in entries(base + (name_off & 0x7FFFFFFF)):
                    if lang_off & 0x80000000:
                        continue
                    leaf = base + lang_off
                    data_rva, data_size = self.u32(leaf), self.u32(leaf + 4)
                    if data_size > 16 * 1024 * 1024:
                        raise PeError("resource larger than 16 MiB")
                    data = self.bytes(self.file_offset(data_rva), data_size)
                    found.setdefault(type_id, []).append((name_id, data))
                    break
        return found


def version_strings(blob):
    """FILEVERSION (a.b.c.d) and the StringFileInfo strings of a version resource."""
    key = "VS_VERSION_INFO".encode("utf-16-le")
    at = blob.find(key)
    if at < 0:
        raise PeError("no VS_VERSION_INFO key")
    fixed = (at + len(key) + 2 + 3) & ~3
    if len(blob) < fixed + 52 or struct.unpack_from("<I", blob, fixed)[0] != 0xFEEF04BD:
        raise PeError("no fixed version information")
    ms, ls = struct.unpack_from("<II", blob, fixed + 8)
    file_version = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    strings = {}
    text = blob.decode("utf-16-le", "replace")
    for name in ("FileVersion", "ProductVersion", "ProductName", "FileDescription", "OriginalFilename"):
        i = text.find(name + "\0")
        if i >= 0:
            j = i + len(name) + 1
            while j < len(text) and text[j] == "\0":
                j += 1
            end = text.find("\0", j)
            strings[name] = text[j:end if end >= 0 else len(text)]
    return file_version, strings


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("file")
    parser.add_argument("--need-icon", action="store_true")
    parser.add_argument("--need-version")
    parser.add_argument("--allow-dlls")
    args = parser.parse_args()
    try:
        with open(args.file, "rb") as f:
            data = f.read(256 * 1024 * 1024 + 1)
        if len(data) > 256 * 1024 * 1024:
            raise PeError("larger than 256 MiB")
        pe = Pe(data)
        dlls = pe.imported_dlls()
        res = pe.resources()
    except (OSError, PeError, struct.error) as e:
        print(f"release_pe_check: {args.file}: {e}", file=sys.stderr)
        return 2
    ok = True
    print(f"{args.file}: imports {', '.join(dlls)}")
    if args.allow_dlls is not None:
        allowed = {d.strip().lower() for d in args.allow_dlls.split(",") if d.strip()}
        extra = [d for d in dlls if d.lower() not in allowed]
        if extra:
            print(f"FAIL: {args.file} needs DLLs that Windows does not have: {', '.join(extra)}")
            ok = False
    if args.need_icon:
        groups, icons = res.get(RT_GROUP_ICON, []), res.get(RT_ICON, [])
        sizes = []
        for _, group in groups:
            if len(group) >= 6:
                n = struct.unpack_from("<H", group, 4)[0]
                for i in range(n):
                    if 6 + 14 * i + 14 <= len(group):
                        w, h = group[6 + 14 * i], group[7 + 14 * i]
                        sizes.append(f"{w or 256}x{h or 256}")
        print(f"{args.file}: {len(groups)} icon group(s), {len(icons)} icon image(s) {' '.join(sizes)}")
        if not groups or not icons:
            print(f"FAIL: {args.file} carries no icon")
            ok = False
    if args.need_version:
        blobs = res.get(RT_VERSION, [])
        if not blobs:
            print(f"FAIL: {args.file} carries no version resource")
            ok = False
        else:
            try:
                fixed, strings = version_strings(blobs[0][1])
            except PeError as e:
                print(f"FAIL: {args.file}: version resource: {e}")
                return 1
            print(f"{args.file}: FILEVERSION {fixed}, strings {strings}")
            want = args.need_version
            if (fixed != want + ".0" or strings.get("FileVersion") != want or
                    strings.get("ProductVersion") != want):
                print(f"FAIL: {args.file}: version resource does not say {want}")
                ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
