/* The codec helper's jobs. Each reads its request and data, and answers through
 * helper_answer; none of them returns to the program a pointer into a library's memory. */
#ifndef MERGEON_HELPER_JOBS_H
#define MERGEON_HELPER_JOBS_H

#include <stddef.h>
#include <stdint.h>

#include "clib/codec_helper_protocol.h"

/* Writes the reply, the thumbnail and the data, then the closing number; 0 when all went out. */
int helper_answer(codec_helper_reply *reply, const void *thumbnail, const void *data);
/* Answers a failure (no payload). */
int helper_fail(void);

int raw_job(const codec_helper_request *request, const uint8_t *data, size_t size);
int hdphoto_decode_job(const codec_helper_request *request, const uint8_t *data, size_t size);
int hdphoto_encode_job(const codec_helper_request *request, const uint8_t *data, size_t size);

#endif
