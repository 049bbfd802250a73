/* cmpak: in-memory sliding-window and static-Huffman block coder. */
#ifndef CMPAK_H
#define CMPAK_H

#include <stdint.h>

#if defined(_WIN32)
#define CMPAK_API __declspec(dllexport)
#else
#define CMPAK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Packs len bytes into dst (4-byte big-endian size header first); returns the
 * bytes written, 0 for an empty source (the four zero header bytes are still
 * written). dst must hold the output, which can be longer than the source:
 * len + len / 2 + 640 bytes is always enough (6784 for a 4096-byte source).
 * Not re-entrant: all coder state is held once by the library. */
CMPAK_API uint32_t Compress(const uint8_t* src, uint32_t len, uint8_t* dst);

/* Unpacks a stream; returns the size from its header, the bytes written. The
 * stream's length is not known here: a valid stream is read no further than
 * its end padding, a damaged one as far as its damage leads. A stream found
 * corrupt stops decoding and gives 0; at most the header's size is ever
 * written. Prefer DecompressBounded for data from outside. */
CMPAK_API uint32_t Decompress(const uint8_t* stream, uint8_t* dst);

/* Bounded unpacking: reads at most streamLen bytes, writes at most dstCap.
 * Returns the uncompressed size, or -1 for a corrupt or truncated stream
 * (including a missing end padding or a match reaching before the start of the
 * data) or a destination that is too small. */
CMPAK_API int32_t DecompressBounded(const uint8_t* stream, uint32_t streamLen, uint8_t* dst, uint32_t dstCap);

/* The library's product version as text ("1, 0, 0, 0", the form of the
 * interface library's version text); a constant string the caller must not free. */
CMPAK_API const char* GetCmpakProductVer(void);

#ifdef __cplusplus
}
#endif

#endif /* CMPAK_H */
