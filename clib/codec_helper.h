/* Runs one job of the codec helper process (clib/codec_helper_protocol.h) and collects its
 * answer. The helper runs with a time limit; a helper that faults, ends early, answers
 * something malformed or runs too long is a failed job, never a fault of the program. */
#ifndef MERGEON_CLIB_CODEC_HELPER_H
#define MERGEON_CLIB_CODEC_HELPER_H

#include <stddef.h>

#include "clib/codec_helper_protocol.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct codec_helper_answer {
  codec_helper_reply reply;
  unsigned char *thumbnail; /* reply.thumbnail_size bytes, or nil */
  unsigned char *data;      /* reply.data_size bytes, or nil */
} codec_helper_answer;

/* The largest payload the program accepts from the helper. */
enum { CODEC_HELPER_MAX_PAYLOAD_MB = 3072 };

/* Sends the request with `size` bytes of data and waits for the answer, asking `cancel` (when
 * given) now and then; a nonzero answer stops the helper. 0 when the helper answered with
 * status 0; the answer's buffers then belong to the caller (codec_helper_free). */
int codec_helper_run(codec_helper_request *request, const void *data, size_t size, int (*cancel)(void *context),
                     void *cancel_context, codec_helper_answer *answer);
void codec_helper_free(codec_helper_answer *answer);

#ifdef __cplusplus
}
#endif

#endif
