// A share that stops answering, for the tests: a pass-through file system
// over a folder whose calls that make or change something (mkdir, create,
// write, rename, link, unlink, fsync) wait for as long as a flag file exists,
// as a network share does whose server has gone to sleep. Its reads (stat,
// listings, open, read) wait too while a second flag, FLAG-reads, exists: a
// hard NFS mount or an SMB share that reconnects.
//
//   hangfs BACKING FLAG MOUNTPOINT [fuse options, e.g. -f]

#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static const char* backing;
static const char* flag;
static char readsFlag[PATH_MAX];

static void real(char* out, const char* path) { snprintf(out, PATH_MAX, "%s%s", backing, path); }

// The share's server sleeps while the flag is there. A caller that is
// killed gives up its call, as on a network share (unless HANGFS_UNKILLABLE
// is set: then the caller waits for the server whatever befalls it).
static int waitWhile(const char* asleep) {
    const struct timespec pause = {0, 50 * 1000 * 1000};
    while (access(asleep, F_OK) == 0) {
        if (fuse_interrupted()) return -EINTR;
        nanosleep(&pause, NULL);
    }
    return 0;
}

static int waitWhileAsleep(void) { return waitWhile(flag); }
static int waitWhileReadsHeld(void) { return waitWhile(readsFlag); }

static int result(int r) { return r < 0 ? -errno : r; }

static int hf_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    if (waitWhileReadsHeld() != 0) return -EINTR;
    if (fi) return result(fstat((int)fi->fh, st));
    char p[PATH_MAX];
    real(p, path);
    return result(lstat(p, st));
}

static int hf_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info* fi,
                      enum fuse_readdir_flags flags) {
    (void)offset, (void)fi, (void)flags;
    if (waitWhileReadsHeld() != 0) return -EINTR;
    char p[PATH_MAX];
    real(p, path);
    DIR* d = opendir(p);
    if (!d) return -errno;
    for (struct dirent* e; (e = readdir(d)) != NULL;) fill(buf, e->d_name, NULL, 0, 0);
    closedir(d);
    return 0;
}

static int hf_readlink(const char* path, char* buf, size_t size) {
    char p[PATH_MAX];
    real(p, path);
    const ssize_t n = readlink(p, buf, size - 1);
    if (n < 0) return -errno;
    buf[n] = '\0';
    return 0;
}

static int hf_mkdir(const char* path, mode_t mode) {
    if (waitWhileAsleep() != 0) return -EINTR;
    char p[PATH_MAX];
    real(p, path);
    return result(mkdir(p, mode));
}

static int hf_unlink(const char* path) {
    if (waitWhileAsleep() != 0) return -EINTR;
    char p[PATH_MAX];
    real(p, path);
    return result(unlink(p));
}

static int hf_rmdir(const char* path) {
    char p[PATH_MAX];
    real(p, path);
    return result(rmdir(p));
}

static int hf_rename(const char* from, const char* to, unsigned int flags) {
    if (waitWhileAsleep() != 0) return -EINTR;
    char a[PATH_MAX], b[PATH_MAX];
    real(a, from);
    real(b, to);
    return result(renameat2(AT_FDCWD, a, AT_FDCWD, b, flags));
}

static int hf_link(const char* from, const char* to) {
    if (waitWhileAsleep() != 0) return -EINTR;
    char a[PATH_MAX], b[PATH_MAX];
    real(a, from);
    real(b, to);
    return result(link(a, b));
}

static int hf_chmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    if (fi) return result(fchmod((int)fi->fh, mode));
    char p[PATH_MAX];
    real(p, path);
    return result(chmod(p, mode));
}

static int hf_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    if (fi) return result(ftruncate((int)fi->fh, size));
    char p[PATH_MAX];
    real(p, path);
    return result(truncate(p, size));
}

static int hf_utimens(const char* path, const struct timespec tv[2], struct fuse_file_info* fi) {
    if (fi) return result(futimens((int)fi->fh, tv));
    char p[PATH_MAX];
    real(p, path);
    return result(utimensat(AT_FDCWD, p, tv, AT_SYMLINK_NOFOLLOW));
}

static int hf_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
    if (waitWhileAsleep() != 0) return -EINTR;
    char p[PATH_MAX];
    real(p, path);
    const int fd = open(p, fi->flags, mode);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int hf_open(const char* path, struct fuse_file_info* fi) {
    if (waitWhileReadsHeld() != 0) return -EINTR;
    char p[PATH_MAX];
    real(p, path);
    const int fd = open(p, fi->flags);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int hf_read(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
    (void)path;
    if (waitWhileReadsHeld() != 0) return -EINTR;
    return result((int)pread((int)fi->fh, buf, size, offset));
}

static int hf_write(const char* path, const char* buf, size_t size, off_t offset, struct fuse_file_info* fi) {
    (void)path;
    if (waitWhileAsleep() != 0) return -EINTR;
    return result((int)pwrite((int)fi->fh, buf, size, offset));
}

static int hf_statfs(const char* path, struct statvfs* st) {
    char p[PATH_MAX];
    real(p, path);
    return result(statvfs(p, st));
}

static int hf_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int hf_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
    (void)path;
    if (waitWhileAsleep() != 0) return -EINTR;
    return result(datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
}

static void* hf_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->intr = getenv("HANGFS_UNKILLABLE") == NULL;
    return NULL;
}

// The library breaks a waiting call off with this signal; the wait sees it.
static void interrupted(int signal) { (void)signal; }

static const struct fuse_operations operations = {
    .getattr = hf_getattr,
    .readlink = hf_readlink,
    .mkdir = hf_mkdir,
    .unlink = hf_unlink,
    .rmdir = hf_rmdir,
    .rename = hf_rename,
    .link = hf_link,
    .chmod = hf_chmod,
    .truncate = hf_truncate,
    .open = hf_open,
    .read = hf_read,
    .write = hf_write,
    .statfs = hf_statfs,
    .release = hf_release,
    .fsync = hf_fsync,
    .readdir = hf_readdir,
    .create = hf_create,
    .init = hf_init,
    .utimens = hf_utimens,
};

int main(int argc, char* argv[]) {
    if (argc < 4) {
        fprintf(stderr, "usage: %s BACKING FLAG MOUNTPOINT [fuse options]\n", argv[0]);
        return 2;
    }
    static char backingPath[PATH_MAX];
    if (!realpath(argv[1], backingPath)) {
        perror(argv[1]);
        return 2;
    }
    backing = backingPath;
    flag = argv[2];
    snprintf(readsFlag, sizeof readsFlag, "%s-reads", flag);
    struct sigaction action = {0};
    action.sa_handler = interrupted;
    sigaction(SIGUSR1, &action, NULL);
    // What follows the two of ours is fuse_main's: the mount point and options.
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &operations, NULL);
}
