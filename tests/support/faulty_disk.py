"""A disk that misbehaves on purpose, for the tests: a FUSE file system that
passes every call through to a folder (a tmpfs) and fails or slows down the
ones its modes name.

    /usr/bin/python3 faulty_disk.py STORE MOUNTPOINT [MODE[,MODE]...]

Modes:
    delay=MS            every write takes MS milliseconds more
    read-error=OFFSET   a read of any file that touches the 512-byte sector at
                        OFFSET fails with EIO
    write-error=OFFSET  the same for a write
    largest=BYTES       no file grows past BYTES: a write or a change of size
                        beyond it fails with ENOSPC, whatever room is left
    vanish              a look at the name "pull-out" in the disk's root ends
                        this process, as a stick pulled out: every later call
                        on the mount fails (ENOTCONN) until it is unmounted

Every write is one call of its own (big_writes, max_write=131072, direct_io:
one FUSE write per 32 KiB write, none held in a cache). A block of zero bytes
written at or past a file's end only makes the file longer, so a sparse file
copied onto the disk stays sparse on the STORE: a copy of a 4 GiB source that
is mostly holes takes little memory.

Runs in the foreground until the mount is taken off. Exits 77 when it cannot
mount (no fusepy, no /dev/fuse, mounting refused), 2 on a bad command line.
"""
import errno
import os
import sys
import time

SECTOR = 512


def parse_modes(text):
    modes = {"delay": 0.0, "read-error": None, "write-error": None, "largest": None, "vanish": False}
    for mode in filter(None, text.split(",")):
        name, _, value = mode.partition("=")
        if name == "vanish" and not value:
            modes["vanish"] = True
        elif name == "delay" and value:
            modes["delay"] = int(value) / 1000.0
        elif name in ("read-error", "write-error", "largest") and value:
            modes[name] = int(value)
        else:
            raise ValueError("unknown mode " + mode)
    return modes


def touches(offset, size, sector):
    return sector is not None and offset < sector + SECTOR and sector < offset + size


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    store, mountpoint = argv[1], argv[2]
    try:
        modes = parse_modes(argv[3] if len(argv) == 4 else "")
    except ValueError as error:
        print("faulty_disk.py: %s" % error, file=sys.stderr)
        return 2
    try:
        import fusepy
    except ImportError as error:
        print("faulty_disk.py: no fusepy: %s" % error, file=sys.stderr)
        return 77

    def fail(code):
        raise fusepy.FuseOSError(code)

    class FaultyDisk(fusepy.Operations):
        use_ns = True

        def __init__(self):
            self.store = os.path.realpath(store)

        def __call__(self, op, path, *args):
            if modes["vanish"] and path == "/pull-out":
                os._exit(0)
            method = getattr(self, op, None)
            if method is None:
                fail(errno.ENOSYS)
            return method(path, *args)

        def real(self, path):
            return self.store + path

        def grows_past_largest(self, length):
            return modes["largest"] is not None and length > modes["largest"]

        # What a file and a folder are.
        def getattr(self, path, fh=None):
            st = os.fstat(fh) if fh is not None else os.lstat(self.real(path))
            keys = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime_ns", "st_mtime_ns",
                    "st_ctime_ns", "st_blocks")
            attributes = {key: getattr(st, key) for key in keys}
            for key in ("st_atime", "st_mtime", "st_ctime"):
                attributes[key] = attributes.pop(key + "_ns")
            return attributes

        def access(self, path, mode):
            if not os.access(self.real(path), mode):
                fail(errno.EACCES)

        def statfs(self, path):
            st = os.statvfs(self.real(path))
            keys = ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files", "f_flag",
                    "f_frsize", "f_namemax")
            return {key: getattr(st, key) for key in keys}

        def readdir(self, path, fh):
            return [".", ".."] + os.listdir(self.real(path))

        def chmod(self, path, mode):
            os.chmod(self.real(path), mode)

        def chown(self, path, uid, gid):
            os.chown(self.real(path), uid, gid)

        def utimens(self, path, times=None):
            if times:
                os.utime(self.real(path), ns=times)
            else:
                os.utime(self.real(path))

        def mkdir(self, path, mode):
            os.mkdir(self.real(path), mode)

        def rmdir(self, path):
            os.rmdir(self.real(path))

        def unlink(self, path):
            os.unlink(self.real(path))

        def rename(self, old, new):
            os.rename(self.real(old), self.real(new))

        def getxattr(self, path, name, position=0):
            return os.getxattr(self.real(path), name)

        def setxattr(self, path, name, value, options, position=0):
            os.setxattr(self.real(path), name, value, options)

        def listxattr(self, path):
            return os.listxattr(self.real(path))

        def removexattr(self, path, name):
            os.removexattr(self.real(path), name)

        # Files: the kernel gives every write its offset, so the store's
        # descriptors never append by themselves.
        def open(self, path, flags):
            return os.open(self.real(path), flags & ~os.O_APPEND)

        def create(self, path, mode, fi=None):
            return os.open(self.real(path), os.O_RDWR | os.O_CREAT, mode)

        def read(self, path, size, offset, fh):
            if touches(offset, size, modes["read-error"]):
                fail(errno.EIO)
            return os.pread(fh, size, offset)

        def write(self, path, data, offset, fh):
            if modes["delay"]:
                time.sleep(modes["delay"])
            end = offset + len(data)
            if touches(offset, len(data), modes["write-error"]):
                fail(errno.EIO)
            if self.grows_past_largest(end):
                fail(errno.ENOSPC)
            if offset >= os.fstat(fh).st_size and not data.strip(b"\0"):
                os.ftruncate(fh, end)
                return len(data)
            return os.pwrite(fh, data, offset)

        def truncate(self, path, length, fh=None):
            if self.grows_past_largest(length):
                fail(errno.ENOSPC)
            if fh is not None:
                os.ftruncate(fh, length)
            else:
                os.truncate(self.real(path), length)

        def flush(self, path, fh):
            pass

        def fsync(self, path, datasync, fh):
            os.fsync(fh)

        def release(self, path, fh):
            os.close(fh)

    try:
        fusepy.FUSE(FaultyDisk(), mountpoint, foreground=True, nothreads=True, big_writes=True, max_write=131072,
                    direct_io=True, fsname="quillet-faulty")
    except RuntimeError as error:
        print("faulty_disk.py: cannot mount %s: %s" % (mountpoint, error), file=sys.stderr)
        return 77
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
