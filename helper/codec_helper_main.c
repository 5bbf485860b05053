/* The codec helper process: runs one decode or encode of a third-party library for the program
 * and ends. Whatever the library does with a damaged file (read out of bounds, loop, ask for
 * all the memory there is) stays inside this process: it runs under a processor-time and an
 * address-space limit, and the program treats any answer without the closing number as a
 * failed read. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include "helper/helper_jobs.h"

/* Enough for a decode of the largest camera sensors; beyond it the file is hostile. */
static const rlim_t kAddressSpace = (rlim_t)6 << 30;
static const rlim_t kProcessorSeconds = 60;

static int write_all(const void *data, uint64_t size) {
  const uint8_t *p = (const uint8_t *)data;
  while (size > 0) {
    const size_t chunk = size > (1u << 30) ? (1u << 30) : (size_t)size;
    const ssize_t n = write(1, p, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    p += n;
    size -= (uint64_t)n;
  }
  return 0;
}

int helper_answer(codec_helper_reply *reply, const void *thumbnail, const void *data) {
  const uint32_t end = CODEC_HELPER_END;
  reply->magic = CODEC_HELPER_MAGIC;
  if (write_all(reply, sizeof(*reply)) != 0) return -1;
  if (reply->thumbnail_size && write_all(thumbnail, reply->thumbnail_size) != 0) return -1;
  if (reply->data_size && write_all(data, reply->data_size) != 0) return -1;
  return write_all(&end, sizeof(end));
}

int helper_fail(void) {
  codec_helper_reply reply;
  memset(&reply, 0, sizeof(reply));
  reply.status = 1;
  return helper_answer(&reply, NULL, NULL);
}

static int read_all(void *data, uint64_t size) {
  uint8_t *p = (uint8_t *)data;
  while (size > 0) {
    const size_t chunk = size > (1u << 30) ? (1u << 30) : (size_t)size;
    const ssize_t n = read(0, p, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    p += n;
    size -= (uint64_t)n;
  }
  return 0;
}

static void limit(int resource, rlim_t value) {
  struct rlimit r;
  r.rlim_cur = r.rlim_max = value;
  setrlimit(resource, &r);
}

int main(void) {
  codec_helper_request request;
  uint8_t *data;
  int result;
  limit(RLIMIT_AS, kAddressSpace);
  limit(RLIMIT_CPU, kProcessorSeconds);
  limit(RLIMIT_CORE, 0);
  if (read_all(&request, sizeof(request)) != 0 || request.magic != CODEC_HELPER_MAGIC ||
      request.data_size > ((uint64_t)1 << 32))
    return helper_fail() == 0 ? 2 : 3;
  data = (uint8_t *)malloc(request.data_size ? (size_t)request.data_size : 1);
  if (!data || read_all(data, request.data_size) != 0) return helper_fail() == 0 ? 2 : 3;
  switch (request.job) {
    case CODEC_HELPER_RAW_IDENTIFY:
    case CODEC_HELPER_RAW_READ: result = raw_job(&request, data, (size_t)request.data_size); break;
    case CODEC_HELPER_HDP_DECODE: result = hdphoto_decode_job(&request, data, (size_t)request.data_size); break;
    case CODEC_HELPER_HDP_ENCODE: result = hdphoto_encode_job(&request, data, (size_t)request.data_size); break;
    default: result = helper_fail(); break;
  }
  free(data);
  return result == 0 ? 0 : 3;
}
