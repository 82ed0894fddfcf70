/* Faults for the failure-path tests, put under the program with LD_PRELOAD.
 *
 * TOVRIX_FAULT names the fault:
 *   shrink          the second read of a file named *.reg, or the first
 *                   that asks for all its bytes, cuts that file to half its
 *                   size first, as another program rewriting it would
 *   temp=<errno>    mkostemp fails with that error number (28 ENOSPC, 122
 *                   EDQUOT, 5 EIO, 13 EACCES)
 *   stall           the first write to a temporary file (*.tmp*) creates the
 *                   file TOVRIX_FAULT_MARK and then waits, so that the test
 *                   can send a signal at a known point
 *   trace           fsync and rename calls are logged, in order, to the file
 *                   TOVRIX_FAULT_LOG ("fsync <path>", "rename <from> <to>")
 *   datasync=<errno> the file's write-back fails with that error number:
 *                   fdatasync (the flush while a file is written) and
 *                   writes past the system's cache (O_DIRECT)
 *   nodirect        writes past the system's cache fail with EINVAL, as on
 *                   a file system that takes none
 */
#define _GNU_SOURCE
/* dlsym hands back functions as object pointers. */
#pragma GCC diagnostic ignored "-Wpedantic"
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* Fault(void) {
  const char* fault = getenv("TOVRIX_FAULT");
  return fault ? fault : "";
}

static int PathOf(int fd, char* path, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, path, size - 1);
  if (length < 0) return 0;
  path[length] = '\0';
  return 1;
}

static int EndsWith(const char* text, const char* tail) {
  const size_t a = strlen(text), b = strlen(tail);
  return a >= b && strcmp(text + a - b, tail) == 0;
}

static void Log(const char* what, const char* a, const char* b) {
  const char* name = getenv("TOVRIX_FAULT_LOG");
  if (!name) return;
  FILE* log = fopen(name, "a");
  if (!log) return;
  fprintf(log, b ? "%s %s %s\n" : "%s %s\n", what, a, b);
  fclose(log);
}

ssize_t read(int fd, void* buffer, size_t count) {
  static ssize_t (*real)(int, void*, size_t);
  static int shrunk, reads;
  if (!real) real = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
  char path[PATH_MAX];
  if (!shrunk && strcmp(Fault(), "shrink") == 0 && PathOf(fd, path, sizeof path) &&
      EndsWith(path, ".reg")) {
    struct stat info;
    if (fstat(fd, &info) == 0 && info.st_size > 0 &&
        (count >= (size_t)info.st_size || ++reads == 2)) {
      shrunk = 1;
      if (truncate(path, info.st_size / 2) != 0) perror("truncate");
    }
  }
  return real(fd, buffer, count);
}

int mkostemp(char* pattern, int flags) {
  static int (*real)(char*, int);
  if (!real) real = (int (*)(char*, int))dlsym(RTLD_NEXT, "mkostemp");
  if (strncmp(Fault(), "temp=", 5) == 0) {
    errno = atoi(Fault() + 5);
    return -1;
  }
  return real(pattern, flags);
}

ssize_t write(int fd, const void* buffer, size_t count) {
  static ssize_t (*real)(int, const void*, size_t);
  static int stalled;
  if (!real) real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  const int direct = (fcntl(fd, F_GETFL) & O_DIRECT) != 0;
  if (direct && strncmp(Fault(), "datasync=", 9) == 0) {
    errno = atoi(Fault() + 9);
    return -1;
  }
  if (direct && strcmp(Fault(), "nodirect") == 0) {
    errno = EINVAL;
    return -1;
  }
  char path[PATH_MAX];
  if (!stalled && strcmp(Fault(), "stall") == 0 && PathOf(fd, path, sizeof path) &&
      strstr(path, ".tmp") != NULL) {
    stalled = 1;
    const ssize_t done = real(fd, buffer, count);
    const char* mark = getenv("TOVRIX_FAULT_MARK");
    if (mark) close(open(mark, O_WRONLY | O_CREAT, 0644));
    sleep(60);
    return done;
  }
  return real(fd, buffer, count);
}

int fsync(int fd) {
  static int (*real)(int);
  if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
  char path[PATH_MAX];
  if (strcmp(Fault(), "trace") == 0 && PathOf(fd, path, sizeof path)) Log("fsync", path, NULL);
  return real(fd);
}

int fdatasync(int fd) {
  static int (*real)(int);
  if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
  if (strncmp(Fault(), "datasync=", 9) == 0) {
    errno = atoi(Fault() + 9);
    return -1;
  }
  return real(fd);
}

int rename(const char* from, const char* to) {
  static int (*real)(const char*, const char*);
  if (!real) real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
  if (strcmp(Fault(), "trace") == 0) Log("rename", from, to);
  return real(from, to);
}
