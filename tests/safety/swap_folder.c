/* A preload library that plays the attacker of a running save: the first time
 * the process creates a file in the folder $VANTOR_SWAP_FOLDER, that folder is
 * moved aside ($VANTOR_SWAP_FOLDER.moved) and a link to $VANTOR_SWAP_TARGET put
 * in its place, between that file and the next. A writer that goes by path
 * names then writes the next files into the link's target. */
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

typedef int (*openat_fn)(int, const char*, int, ...);
typedef int (*open_fn)(const char*, int, ...);

static int swapped = 0;

/* The folder that `path`, opened relative to `dirfd`, lies in. */
static void folder_of(int dirfd, const char* path, char* folder, size_t size) {
  char full[PATH_MAX * 2];
  if (path[0] == '/' || dirfd == AT_FDCWD) {
    snprintf(full, sizeof full, "%s", path);
  } else {
    char link[64], base[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    ssize_t length = readlink(link, base, sizeof base - 1);
    base[length > 0 ? length : 0] = 0;
    snprintf(full, sizeof full, "%s/%s", base, path);
  }
  char* slash = strrchr(full, '/');
  if (slash != NULL) *slash = 0;
  snprintf(folder, size, "%s", full);
}

static void maybe_swap(int dirfd, const char* path, int flags) {
  const char* watched = getenv("VANTOR_SWAP_FOLDER");
  const char* target = getenv("VANTOR_SWAP_TARGET");
  if (swapped || watched == NULL || target == NULL || path == NULL || (flags & O_CREAT) == 0) return;
  char folder[PATH_MAX * 2];
  folder_of(dirfd, path, folder, sizeof folder);
  if (strcmp(folder, watched) != 0) return;
  char moved[PATH_MAX + 16];
  snprintf(moved, sizeof moved, "%s.moved", watched);
  if (rename(watched, moved) == 0 && symlink(target, watched) == 0) swapped = 1;
}


/* The file is created first, then the folder is swapped: the next file is the
 * one that must not follow the link. */
int openat(int dirfd, const char* path, int flags, ...) {
  static openat_fn real = NULL;
  if (real == NULL) real = (openat_fn)dlsym(RTLD_NEXT, "openat");
  TAKE_MODE(flags, mode);
  int fd = real(dirfd, path, flags, mode);
  if (fd >= 0) maybe_swap(dirfd, path, flags);
  return fd;
}

int open(const char* path, int flags, ...) {
  static open_fn real = NULL;
  if (real == NULL) real = (open_fn)dlsym(RTLD_NEXT, "open");
  TAKE_MODE(flags, mode);
  int fd = real(path, flags, mode);
  if (fd >= 0) maybe_swap(AT_FDCWD, path, flags);
  return fd;
}
