/* A drive that is slow to flush: a FUSE file system that passes every call
 * through to a folder of the local disk, and then, for a sync of a file or of
 * a folder, waits as a USB stick, an SD card or a network share would before
 * answering (20 ms unless told otherwise). Everything else answers at the
 * local disk's speed. Each sync waits on its own thread, so syncs that come
 * together overlap, as a drive's queue lets them.
 *
 * It exists to measure and test Pellora where a flush is expensive:
 * bench/run-slow-drive times runs on it, and the reliability tests kill runs
 * writing to it.
 *
 *   pellora_slow_drive [--delay-ms N] BACKING_FOLDER MOUNT_POINT [FUSE options]
 *
 * Mounts and returns (with -f it stays in the foreground); `umount
 * MOUNT_POINT` or `fusermount3 -u MOUNT_POINT` ends it.
 *
 * Written against libfuse 3's high-level interface in the way its own
 * pass-through examples are: paths relative to the mount are looked up in
 * the backing folder, and an open file or folder keeps its descriptor in the
 * file handle, so that calls on a file already unlinked still reach it.
 */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static int backing = -1;    /* the folder everything is passed through to */
static long delay_ms = 20;  /* how long each sync takes */

/* "/a/b" under the mount is "a/b" in the backing folder; "/" is the folder itself. */
static const char *inside(const char *path)
{
    return path[1] != '\0' ? path + 1 : ".";
}

static int result(int returned)
{
    return returned == -1 ? -errno : 0;
}

static void wait_like_a_slow_drive(void)
{
    struct timespec left = {delay_ms / 1000, (delay_ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) == -1 && errno == EINTR) {
    }
}

static int fd_of(const struct fuse_file_info *fi)
{
    return (int)fi->fh;
}

static DIR *dir_of(const struct fuse_file_info *fi)
{
    return (DIR *)(uintptr_t)fi->fh;
}

static void *sd_init(struct fuse_conn_info *conn, struct fuse_config *cfg)
{
    (void)conn;
    cfg->use_ino = 1;        /* the backing files' own inode numbers: identities hold */
    cfg->nullpath_ok = 1;    /* calls on open files go by their descriptor */
    cfg->hard_remove = 1;    /* an unlink unlinks, even of an open file */
    /* Names and attributes stay cached for libfuse's default second: every
     * change goes through this mount, which keeps the kernel's cache right,
     * and a drive is not slow to look names up. */
    return NULL;
}

static int sd_getattr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
    if (fi)
        return result(fstat(fd_of(fi), st));
    return result(fstatat(backing, inside(path), st, AT_SYMLINK_NOFOLLOW));
}

static int sd_access(const char *path, int mask)
{
    return result(faccessat(backing, inside(path), mask, AT_SYMLINK_NOFOLLOW));
}

static int sd_readlink(const char *path, char *buffer, size_t size)
{
    const ssize_t length = readlinkat(backing, inside(path), buffer, size - 1);
    if (length == -1)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

static int sd_mknod(const char *path, mode_t mode, dev_t device)
{
    return result(mknodat(backing, inside(path), mode, device));
}

static int sd_mkdir(const char *path, mode_t mode)
{
    return result(mkdirat(backing, inside(path), mode));
}

static int sd_unlink(const char *path)
{
    return result(unlinkat(backing, inside(path), 0));
}

static int sd_rmdir(const char *path)
{
    return result(unlinkat(backing, inside(path), AT_REMOVEDIR));
}

static int sd_symlink(const char *target, const char *path)
{
    return result(symlinkat(target, backing, inside(path)));
}

/* RENAME_NOREPLACE passes through as it is: the drive offers it. */
static int sd_rename(const char *from, const char *to, unsigned int flags)
{
    return result(renameat2(backing, inside(from), backing, inside(to), flags));
}

static int sd_link(const char *from, const char *to)
{
    return result(linkat(backing, inside(from), backing, inside(to), 0));
}

static int sd_chmod(const char *path, mode_t mode, struct fuse_file_info *fi)
{
    if (fi)
        return result(fchmod(fd_of(fi), mode));
    return result(fchmodat(backing, inside(path), mode, 0));
}

static int sd_chown(const char *path, uid_t owner, gid_t group, struct fuse_file_info *fi)
{
    if (fi)
        return result(fchown(fd_of(fi), owner, group));
    return result(fchownat(backing, inside(path), owner, group, AT_SYMLINK_NOFOLLOW));
}

static int sd_truncate(const char *path, off_t size, struct fuse_file_info *fi)
{
    if (fi)
        return result(ftruncate(fd_of(fi), size));
    const int fd = openat(backing, inside(path), O_WRONLY | O_NOFOLLOW);
    if (fd == -1)
        return -errno;
    const int truncated = result(ftruncate(fd, size));
    close(fd);
    return truncated;
}

static int sd_utimens(const char *path, const struct timespec times[2], struct fuse_file_info *fi)
{
    if (fi)
        return result(futimens(fd_of(fi), times));
    return result(utimensat(backing, inside(path), times, AT_SYMLINK_NOFOLLOW));
}

static int sd_open(const char *path, struct fuse_file_info *fi)
{
    const int fd = openat(backing, inside(path), fi->flags);
    if (fd == -1)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int sd_create(const char *path, mode_t mode, struct fuse_file_info *fi)
{
    const int fd = openat(backing, inside(path), fi->flags | O_CREAT, mode);
    if (fd == -1)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int sd_read(const char *path, char *buffer, size_t size, off_t offset, struct fuse_file_info *fi)
{
    (void)path;
    const ssize_t n = pread(fd_of(fi), buffer, size, offset);
    return n == -1 ? -errno : (int)n;
}

static int sd_write(const char *path, const char *buffer, size_t size, off_t offset, struct fuse_file_info *fi)
{
    (void)path;
    const ssize_t n = pwrite(fd_of(fi), buffer, size, offset);
    return n == -1 ? -errno : (int)n;
}

static int sd_statfs(const char *path, struct statvfs *st)
{
    (void)path;
    return result(fstatvfs(backing, st));
}

static int sd_release(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    close(fd_of(fi));
    return 0;
}

static int sd_fsync(const char *path, int datasync, struct fuse_file_info *fi)
{
    (void)path;
    const int synced = result(datasync ? fdatasync(fd_of(fi)) : fsync(fd_of(fi)));
    wait_like_a_slow_drive();
    return synced;
}

static int sd_opendir(const char *path, struct fuse_file_info *fi)
{
    const int fd = openat(backing, inside(path), O_RDONLY | O_DIRECTORY);
    if (fd == -1)
        return -errno;
    DIR *dir = fdopendir(fd);
    if (!dir) {
        const int error = errno;
        close(fd);
        return -error;
    }
    fi->fh = (uint64_t)(uintptr_t)dir;
    return 0;
}

/* The whole listing at once, from its start: libfuse keeps it for the reader. */
static int sd_readdir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info *fi,
                      enum fuse_readdir_flags flags)
{
    (void)path;
    (void)offset;
    (void)flags;
    DIR *dir = dir_of(fi);
    rewinddir(dir);
    errno = 0;
    for (struct dirent *entry = readdir(dir); entry; entry = readdir(dir)) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = entry->d_ino;
        st.st_mode = (mode_t)DTTOIF(entry->d_type);
        if (fill(buffer, entry->d_name, &st, 0, 0))
            return 0;
    }
    return -errno;
}

static int sd_releasedir(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    closedir(dir_of(fi));
    return 0;
}

static int sd_fsyncdir(const char *path, int datasync, struct fuse_file_info *fi)
{
    (void)path;
    const int fd = dirfd(dir_of(fi));
    const int synced = result(datasync ? fdatasync(fd) : fsync(fd));
    wait_like_a_slow_drive();
    return synced;
}

static const struct fuse_operations operations = {
    .init = sd_init,
    .getattr = sd_getattr,
    .access = sd_access,
    .readlink = sd_readlink,
    .mknod = sd_mknod,
    .mkdir = sd_mkdir,
    .unlink = sd_unlink,
    .rmdir = sd_rmdir,
    .symlink = sd_symlink,
    .rename = sd_rename,
    .link = sd_link,
    .chmod = sd_chmod,
    .chown = sd_chown,
    .truncate = sd_truncate,
    .utimens = sd_utimens,
    .open = sd_open,
    .create = sd_create,
    .read = sd_read,
    .write = sd_write,
    .statfs = sd_statfs,
    .release = sd_release,
    .fsync = sd_fsync,
    .opendir = sd_opendir,
    .readdir = sd_readdir,
    .releasedir = sd_releasedir,
    .fsyncdir = sd_fsyncdir,
};

static int usage(void)
{
    fprintf(stderr, "usage: pellora_slow_drive [--delay-ms N] BACKING_FOLDER MOUNT_POINT [FUSE options]\n");
    return 2;
}

int main(int argc, char *argv[])
{
    int next = 1;
    if (next + 1 < argc && strcmp(argv[next], "--delay-ms") == 0) {
        char *end = NULL;
        delay_ms = strtol(argv[next + 1], &end, 10);
        if (*end != '\0' || delay_ms < 0 || delay_ms > 10000)
            return usage();
        next += 2;
    }
    if (argc - next < 2)
        return usage();
    backing = open(argv[next], O_RDONLY | O_DIRECTORY);
    if (backing == -1) {
        perror(argv[next]);
        return 1;
    }
    /* FUSE sees the program's name, the mount point, enough threads that
     * syncs waiting their time never hold up the calls behind them (libfuse
     * starts no more than 10 unless told), and whatever follows. */
    char threads[] = "max_threads=256";
    char option[] = "-o";
    char **arguments = calloc((size_t)(argc - next + 3), sizeof *arguments);
    if (!arguments)
        return 1;
    int count = 0;
    arguments[count++] = argv[0];
    arguments[count++] = argv[next + 1];
    arguments[count++] = option;
    arguments[count++] = threads;
    for (int i = next + 2; i < argc; ++i)
        arguments[count++] = argv[i];
    const int status = fuse_main(count, arguments, &operations, NULL);
    free(arguments);
    return status;
}
