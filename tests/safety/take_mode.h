/* The mode argument of the preload libraries' open wrappers, which open and its
 * kin take only when they may create a file: with O_CREAT, and with O_TMPFILE. */
#pragma once

#include <fcntl.h>
#include <stdarg.h>
#include <sys/types.h>

#define TAKE_MODE(flags, mode)                                           \
  mode_t mode = 0;                                                       \
  if (((flags) & O_CREAT) != 0 || ((flags) & O_TMPFILE) == O_TMPFILE) { \
    va_list args;                                                        \
    va_start(args, flags);                                               \
    mode = (mode_t)va_arg(args, int);                                    \
    va_end(args);                                                        \
  }
