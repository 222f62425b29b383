/* A preload library that records every path a process opens for writing, creates,
 * renames or links to, truncates, changes the mode of, or removes, one per line, in the file named by
 * $VANTOR_WRITE_LOG (appended with O_APPEND so that child processes share it).
 * The safety tests run the command-line tool under it and check that nothing
 * outside the destination, the logs' folder and the temp folder was touched. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "take_mode.h"

typedef int (*open_fn)(const char*, int, ...);
typedef int (*openat_fn)(int, const char*, int, ...);
typedef int (*creat_fn)(const char*, mode_t);
typedef FILE* (*fopen_fn)(const char*, const char*);
typedef int (*rename_fn)(const char*, const char*);
typedef int (*mkdir_fn)(const char*, mode_t);
typedef int (*unlink_fn)(const char*);
typedef int (*truncate_fn)(const char*, off_t);
typedef int (*renameat2_fn)(int, const char*, int, const char*, unsigned int);
typedef int (*link_fn)(const char*, const char*);
typedef int (*chmod_fn)(const char*, mode_t);
typedef int (*rmdir_fn)(const char*);
typedef int (*mkdirat_fn)(int, const char*, mode_t);
typedef int (*unlinkat_fn)(int, const char*, int);
typedef int (*renameat_fn)(int, const char*, int, const char*);
typedef int (*linkat_fn)(int, const char*, int, const char*, int);
typedef int (*fchmodat_fn)(int, const char*, mode_t, int);

static void record(const char* what, int dirfd, const char* path) {
  const char* log = getenv("VANTOR_WRITE_LOG");
  if (log == NULL || path == NULL) return;
  char full[PATH_MAX * 2];
  if (path[0] == '/') {
    snprintf(full, sizeof full, "%s %s\n", what, path);
  } else if (dirfd != AT_FDCWD) {
    /* Relative to an open folder: the folder's path as the kernel knows it. */
    char link[64], folder[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    ssize_t length = readlink(link, folder, sizeof folder - 1);
    if (length < 0) length = 0;
    folder[length] = 0;
    snprintf(full, sizeof full, "%s %s/%s\n", what, length > 0 ? folder : "?", path);
  } else {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == NULL) strcpy(cwd, "?");
    snprintf(full, sizeof full, "%s %s/%s\n", what, cwd, path);
  }
  static open_fn real_open = NULL;
  if (real_open == NULL) real_open = (open_fn)dlsym(RTLD_NEXT, "open");
  int fd = real_open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t ignored = write(fd, full, strlen(full));
  (void)ignored;
  close(fd);
}

static int writes(int flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; }


#define REAL(name, type)                 \
  static type real_##name = NULL;        \
  if (real_##name == NULL) real_##name = (type)dlsym(RTLD_NEXT, #name)

int open(const char* path, int flags, ...) {
  REAL(open, open_fn);
  TAKE_MODE(flags, mode);
  if (writes(flags)) record("open", AT_FDCWD, path);
  return real_open(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
  REAL(open64, open_fn);
  TAKE_MODE(flags, mode);
  if (writes(flags)) record("open", AT_FDCWD, path);
  return real_open64(path, flags, mode);
}
int openat(int dirfd, const char* path, int flags, ...) {
  REAL(openat, openat_fn);
  TAKE_MODE(flags, mode);
  if (writes(flags)) record("open", dirfd, path);
  return real_openat(dirfd, path, flags, mode);
}
int creat(const char* path, mode_t mode) {
  REAL(creat, creat_fn);
  record("open", AT_FDCWD, path);
  return real_creat(path, mode);
}
FILE* fopen(const char* path, const char* mode) {
  REAL(fopen, fopen_fn);
  if (strpbrk(mode, "wa+") != NULL) record("open", AT_FDCWD, path);
  return real_fopen(path, mode);
}
FILE* fopen64(const char* path, const char* mode) {
  REAL(fopen64, fopen_fn);
  if (strpbrk(mode, "wa+") != NULL) record("open", AT_FDCWD, path);
  return real_fopen64(path, mode);
}
int rename(const char* from, const char* to) {
  REAL(rename, rename_fn);
  record("rename", AT_FDCWD, to);
  return real_rename(from, to);
}
int renameat2(int fromdir, const char* from, int todir, const char* to, unsigned int flags) {
  REAL(renameat2, renameat2_fn);
  record("rename", todir, to);
  return real_renameat2(fromdir, from, todir, to, flags);
}
int link(const char* from, const char* to) {
  REAL(link, link_fn);
  record("link", AT_FDCWD, to);
  return real_link(from, to);
}
int chmod(const char* path, mode_t mode) {
  REAL(chmod, chmod_fn);
  record("chmod", AT_FDCWD, path);
  return real_chmod(path, mode);
}
int rmdir(const char* path) {
  REAL(rmdir, rmdir_fn);
  record("rmdir", AT_FDCWD, path);
  return real_rmdir(path);
}
int mkdir(const char* path, mode_t mode) {
  REAL(mkdir, mkdir_fn);
  record("mkdir", AT_FDCWD, path);
  return real_mkdir(path, mode);
}
int unlink(const char* path) {
  REAL(unlink, unlink_fn);
  record("unlink", AT_FDCWD, path);
  return real_unlink(path);
}
int truncate(const char* path, off_t length) {
  REAL(truncate, truncate_fn);
  record("truncate", AT_FDCWD, path);
  return real_truncate(path, length);
}
/* The calls of the program's output layer, relative to an open folder. */
int mkdirat(int dirfd, const char* path, mode_t mode) {
  REAL(mkdirat, mkdirat_fn);
  record("mkdir", dirfd, path);
  return real_mkdirat(dirfd, path, mode);
}
int unlinkat(int dirfd, const char* path, int flags) {
  REAL(unlinkat, unlinkat_fn);
  record("unlink", dirfd, path);
  return real_unlinkat(dirfd, path, flags);
}
int renameat(int fromdir, const char* from, int todir, const char* to) {
  REAL(renameat, renameat_fn);
  record("rename", todir, to);
  return real_renameat(fromdir, from, todir, to);
}
int linkat(int fromdir, const char* from, int todir, const char* to, int flags) {
  REAL(linkat, linkat_fn);
  record("link", todir, to);
  return real_linkat(fromdir, from, todir, to, flags);
}
int fchmodat(int dirfd, const char* path, mode_t mode, int flags) {
  REAL(fchmodat, fchmodat_fn);
  record("chmod", dirfd, path);
  return real_fchmodat(dirfd, path, mode, flags);
}
