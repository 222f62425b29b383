/* A preload library that sends its own process SIGINT once the process has
 * written $VANTOR_INTERRUPT_AFTER bytes into files whose path holds
 * $VANTOR_INTERRUPT_MATCH: a Ctrl-C that lands in the middle of a large file,
 * at the same byte on every run. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef ssize_t (*write_fn)(int, const void*, size_t);
typedef ssize_t (*pwrite_fn)(int, const void*, size_t, off_t);

static unsigned long long written = 0;
static int sent = 0;

static int matches(int fd) {
  const char* match = getenv("VANTOR_INTERRUPT_MATCH");
  char link[64], target[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t length = readlink(link, target, sizeof target - 1);
  if (match == NULL || length <= 0) return 0;
  target[length] = 0;
  return strstr(target, match) != NULL;
}

static void count(int fd, ssize_t put) {
  const char* after = getenv("VANTOR_INTERRUPT_AFTER");
  if (!sent && put > 0 && after != NULL && matches(fd)) {
    written += (unsigned long long)put;
    if (written >= strtoull(after, NULL, 10)) {
      sent = 1;
      raise(SIGINT);
    }
  }
}

ssize_t write(int fd, const void* data, size_t length) {
  static write_fn real_write = NULL;
  if (real_write == NULL) real_write = (write_fn)dlsym(RTLD_NEXT, "write");
  ssize_t put = real_write(fd, data, length);
  count(fd, put);
  return put;
}

ssize_t pwrite(int fd, const void* data, size_t length, off_t offset) {
  static pwrite_fn real_pwrite = NULL;
  if (real_pwrite == NULL) real_pwrite = (pwrite_fn)dlsym(RTLD_NEXT, "pwrite");
  ssize_t put = real_pwrite(fd, data, length, offset);
  count(fd, put);
  return put;
}
