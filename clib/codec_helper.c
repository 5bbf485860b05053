/* The program's side of the codec helper: the request and its data go into an anonymous
 * memory file that becomes the helper's standard input, the answer comes back through a pipe.
 * The helper is found through MERGEON_CODEC_HELPER, next to the module that holds this code,
 * or where the build put it. */
#define _GNU_SOURCE
#include "clib/codec_helper.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

static const char kHelperName[] = "mergeon-codec-helper";
/* Longer than any real decode; the helper's own processor limit usually ends it first. */
static const int64_t kWallMilliseconds = 90000;

static int executable(const char *path) { return path && path[0] && access(path, X_OK) == 0; }

static int helper_path(char *path, size_t size) {
  const char *named = getenv("MERGEON_CODEC_HELPER");
  Dl_info info;
  if (executable(named) && strlen(named) < size) {
    strcpy(path, named);
    return 0;
  }
  if (dladdr((void *)&codec_helper_run, &info) && info.dli_fname) {
    const char *slash = strrchr(info.dli_fname, '/');
    const size_t folder = slash ? (size_t)(slash - info.dli_fname) + 1 : 0;
    if (folder + sizeof(kHelperName) <= size) {
      memcpy(path, info.dli_fname, folder);
      memcpy(path + folder, kHelperName, sizeof(kHelperName));
      if (executable(path)) return 0;
    }
  }
#ifdef MERGEON_CODEC_HELPER_PATH
  if (executable(MERGEON_CODEC_HELPER_PATH) && strlen(MERGEON_CODEC_HELPER_PATH) < size) {
    strcpy(path, MERGEON_CODEC_HELPER_PATH);
    return 0;
  }
#endif
  return -1;
}

static int64_t now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static int write_all(int fd, const void *data, size_t size) {
  const unsigned char *p = (const unsigned char *)data;
  while (size > 0) {
    const ssize_t n = write(fd, p, size > (1u << 30) ? (1u << 30) : size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    p += n;
    size -= (size_t)n;
  }
  return 0;
}

typedef struct {
  int fd;
  int64_t deadline;
  int (*cancel)(void *);
  void *cancel_context;
} reader;

/* Reads exactly `size` bytes of the answer; -1 on the end of the pipe, a cancel or the time. */
static int read_exactly(reader *r, void *data, size_t size) {
  unsigned char *p = (unsigned char *)data;
  while (size > 0) {
    struct pollfd pfd;
    ssize_t n;
    int ready;
    if (now_ms() > r->deadline || (r->cancel && r->cancel(r->cancel_context))) return -1;
    pfd.fd = r->fd;
    pfd.events = POLLIN;
    pfd.revents = 0;
    ready = poll(&pfd, 1, 100);
    if (ready < 0 && errno != EINTR) return -1;
    if (ready <= 0) continue;
    n = read(r->fd, p, size > (1u << 30) ? (1u << 30) : size);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return -1;
    p += n;
    size -= (size_t)n;
  }
  return 0;
}

static int plausible(const codec_helper_reply *reply) {
  const uint64_t limit = (uint64_t)CODEC_HELPER_MAX_PAYLOAD_MB << 20;
  return reply->magic == CODEC_HELPER_MAGIC && reply->thumbnail_size <= limit && reply->data_size <= limit &&
         reply->thumbnail_size + reply->data_size <= limit && reply->thumbnail_size <= SIZE_MAX &&
         reply->data_size <= SIZE_MAX;
}

static int read_answer(reader *r, codec_helper_answer *answer) {
  uint32_t end = 0;
  codec_helper_reply *reply = &answer->reply;
  if (read_exactly(r, reply, sizeof(*reply)) != 0 || !plausible(reply)) return -1;
  if (reply->thumbnail_size) {
    answer->thumbnail = (unsigned char *)malloc((size_t)reply->thumbnail_size);
    if (!answer->thumbnail || read_exactly(r, answer->thumbnail, (size_t)reply->thumbnail_size) != 0) return -1;
  }
  if (reply->data_size) {
    answer->data = (unsigned char *)malloc((size_t)reply->data_size);
    if (!answer->data || read_exactly(r, answer->data, (size_t)reply->data_size) != 0) return -1;
  }
  if (read_exactly(r, &end, sizeof(end)) != 0 || end != CODEC_HELPER_END) return -1;
  return reply->status == 0 ? 0 : -1;
}

int codec_helper_run(codec_helper_request *request, const void *data, size_t size, int (*cancel)(void *context),
                     void *cancel_context, codec_helper_answer *answer) {
  char path[PATH_MAX];
  char *argv[2];
  int input = -1, output[2] = {-1, -1}, quiet = -1, result = -1, status = 0;
  pid_t pid = -1;
  posix_spawn_file_actions_t actions;
  reader r;
  memset(answer, 0, sizeof(*answer));
  if (helper_path(path, sizeof(path)) != 0) return -1;
  request->magic = CODEC_HELPER_MAGIC;
  request->data_size = size;
  input = memfd_create("mergeon-codec-input", MFD_CLOEXEC);
  if (input < 0 || write_all(input, request, sizeof(*request)) != 0 || (size && write_all(input, data, size) != 0) ||
      lseek(input, 0, SEEK_SET) != 0 || pipe2(output, O_CLOEXEC) != 0)
    goto done;
  quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (quiet < 0 || posix_spawn_file_actions_init(&actions) != 0) goto done;
  /* The helper gets its input, its answer pipe and a silenced error stream, nothing else. */
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  posix_spawn_file_actions_adddup2(&actions, quiet, 2);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  argv[0] = path;
  argv[1] = NULL;
  if (posix_spawn(&pid, path, &actions, NULL, argv, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  if (pid < 0) goto done;
  close(output[1]);
  output[1] = -1;
  r.fd = output[0];
  r.deadline = now_ms() + kWallMilliseconds;
  r.cancel = cancel;
  r.cancel_context = cancel_context;
  result = read_answer(&r, answer);
done:
  if (pid > 0) {
    /* An answer cut short, a cancel or the time limit: the helper goes. */
    if (result != 0) kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (input >= 0) close(input);
  if (output[0] >= 0) close(output[0]);
  if (output[1] >= 0) close(output[1]);
  if (quiet >= 0) close(quiet);
  if (result != 0) codec_helper_free(answer);
  return result;
}

void codec_helper_free(codec_helper_answer *answer) {
  free(answer->thumbnail);
  free(answer->data);
  answer->thumbnail = NULL;
  answer->data = NULL;
}
