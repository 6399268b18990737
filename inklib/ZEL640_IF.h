/*
 * ZEL640_IF: reads the ink files of the pen notepad.
 *
 * Calling order for one file: ZEL640_Open, ZEL640_GetHeader,
 * ZEL640_GetStrokeSize, ZEL640_GetStrokes, ZEL640_RotateStrokes (only when the
 * header's orientation is not 0), ZEL640_Close, ZEL640_SetStrokesBuffer, then
 * ZEL640_AnalyzeAndLock until it returns NULL, handing every returned array
 * back through ZEL640_Free.
 *
 * Functions that can fail return 1 on success and 0 (or NULL) on failure and
 * leave the reason in the process-wide last error code. A success never
 * resets that code, so it is meaningful only right after a failure; before
 * the first failure of the process it reads ZEL640_ERR_INITIAL. The last error
 * and the stroke cursor are shared by all threads: one caller at a time.
 */
#ifndef ZEL640_IF_H
#define ZEL640_IF_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(ZEL640_IF_BUILDING)
#    define ZEL640_API __declspec(dllexport)
#  else
#    define ZEL640_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define ZEL640_API __attribute__((visibility("default")))
#else
#  define ZEL640_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define ZEL640_ERR_INITIAL   0x00000001u /* no call has failed yet */
#define ZEL640_ERR_OPEN      0x80000001u /* the file cannot be opened */
#define ZEL640_ERR_READ      0x80000002u /* signature or header field cannot be read */
#define ZEL640_ERR_MEMORY    0x80000008u /* out of memory */
#define ZEL640_ERR_SIZE      0x80000010u /* sample area shorter than one sample, or a short read */
#define ZEL640_ERR_FORMAT    0x80000020u /* not an ink file: signature, tag "SOFT" or no tag */
#define ZEL640_ERR_NO_STROKE 0x80000040u /* no more strokes */

/* Accepted signatures and the refused tag, as little-endian 32-bit values. */
#define ZEL640_MAGIC_UEDY 0x59444555u
#define ZEL640_MAGIC_ARPN 0x4E505241u
#define ZEL640_TAG_SOFT   0x54464F53u

/* InkSample.kind */
#define ZEL640_KIND_PEN   1u
#define ZEL640_KIND_BREAK 2u

/* The header record. 16- and 8-bit file values are stored zero-extended;
   `reserved` is never written by the library. */
typedef struct InkFileHeader {
    uint32_t magic;
    uint32_t tag;
    uint32_t formatMajor;
    uint32_t formatMinor;
    uint32_t aux16;
    uint32_t width;
    uint32_t height;
    uint32_t orientation;
    uint32_t aux32;
    uint32_t dataOffset;
    uint32_t reserved;
} InkFileHeader;

/* One decoded sample. A break has penColor, x and y 0. */
typedef struct InkSample {
    uint16_t kind;
    uint16_t penColor;
    uint16_t x;
    uint16_t y;
} InkSample;

/* One point of a stroke returned by ZEL640_AnalyzeAndLock. */
typedef struct InkStrokePoint {
    uint16_t x;
    uint16_t y;
} InkStrokePoint;

/* An open ink file; only ever passed back to the library. */
typedef struct ZEL640_File* InkFileHandle;

#ifdef __cplusplus
static_assert(sizeof(InkFileHeader) == 44, "InkFileHeader is eleven 32-bit fields");
static_assert(sizeof(InkSample) == 8, "InkSample is four 16-bit fields");
static_assert(sizeof(InkStrokePoint) == 4, "a stroke point is two 16-bit fields");
#else
_Static_assert(sizeof(InkFileHeader) == 44, "InkFileHeader is eleven 32-bit fields");
_Static_assert(sizeof(InkSample) == 8, "InkSample is four 16-bit fields");
_Static_assert(sizeof(InkStrokePoint) == 4, "a stroke point is two 16-bit fields");
#endif

/* Opens the file and checks its signature and tag. NULL on failure; a failed
   open never leaves the file open. Only a regular file is opened: a folder, a
   FIFO or a device fails at once, without being read, with errno EISDIR for a
   folder and EINVAL for the others. */
ZEL640_API InkFileHandle ZEL640_Open(const char* path);

/* Closes the file; the result of closing the stream (0 on success). */
ZEL640_API int32_t ZEL640_Close(InkFileHandle file);

/* Clears *header and fills it from the file. Fields after a short read stay 0. */
ZEL640_API int32_t ZEL640_GetHeader(InkFileHeader* header, InkFileHandle file);

/* Sets *count to the number of whole 8-byte samples from header->dataOffset
   to the end of the file; *count is left alone on failure. */
ZEL640_API int32_t ZEL640_GetStrokeSize(int32_t* count, const InkFileHeader* header,
                                        InkFileHandle file);

/* Reads and decodes count samples into samples[0..count-1] with one bulk read.
   A count of 0 succeeds and writes nothing. */
ZEL640_API int32_t ZEL640_GetStrokes(InkSample* samples, const InkFileHeader* header, int32_t count,
                                     InkFileHandle file);

/* Turns count samples of a page stored in orientation 1, 2 or 3 upright into
   dst; any other orientation writes nothing. dst may be src itself but must
   not overlap it otherwise. */
ZEL640_API void ZEL640_RotateStrokes(InkSample* dst, const InkSample* src, int32_t count,
                                     const InkFileHeader* header);

/* Registers the caller's samples for stroke enumeration and rewinds the
   cursor. The array is not copied: keep it alive and unchanged while
   enumerating. */
ZEL640_API void ZEL640_SetStrokesBuffer(const InkSample* samples, int32_t count);

/* Returns the next stroke as a new array of *pointCount points with the pen
   color of its first sample in *penColor, or NULL when there is none (the
   end of the samples or a break right at the cursor) or on allocation
   failure. Release the array with ZEL640_Free. */
ZEL640_API InkStrokePoint* ZEL640_AnalyzeAndLock(int32_t* pointCount, uint16_t* penColor);

ZEL640_API void ZEL640_Free(InkStrokePoint* points);

ZEL640_API uint32_t ZEL640_GetLastError(void);

/* Writes the library version, 1.1. */
ZEL640_API void ZEL640_Version(uint16_t* major, uint16_t* minor);

#ifdef __cplusplus
}
#endif

#endif /* ZEL640_IF_H */
