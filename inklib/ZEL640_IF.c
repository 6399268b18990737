/* Large-file offsets for 32-bit POSIX builds; must precede every include. */
#if !defined(_WIN32)
#  define _FILE_OFFSET_BITS 64
#  define _POSIX_C_SOURCE 200809L
#endif
#define ZEL640_IF_BUILDING

#include "ZEL640_IF.h"

#include <errno.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#  include <sys/stat.h>
#  include <sys/types.h>
typedef int64_t FileOffset;
#  define file_seek _fseeki64
#  define file_tell _ftelli64
#else
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <sys/types.h>
#  include <unistd.h>
typedef off_t FileOffset;
#  define file_seek fseeko
#  define file_tell ftello
#endif

enum {
    SAMPLE_BYTES = 8,
    STATUS_BREAK = 0xE0,
    /* The widest header: the 4-byte data offset ends at byte 48. */
    HEADER_BYTES = 48
};

/* Process-wide state. Its initial values are the library's state after
   loading; nothing else initialises it. */
static uint32_t lastError = ZEL640_ERR_INITIAL;
static const InkSample* cursorSamples = NULL;
static uint32_t cursorCount = 0;
static uint32_t cursorIndex = 0;

static void set_error(uint32_t code)
{
    lastError = code;
}

/* The handle is the stdio stream itself, so an open file costs no extra
   allocation. */
static FILE* stream_of(InkFileHandle file)
{
    return (FILE*)(void*)file;
}

static uint16_t le16(const uint8_t* p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static uint32_t le32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

/* Reads a little-endian field of width 1, 2 or 4 at offset into *out when all
   of its bytes lie within the size bytes available; *out is untouched
   otherwise. */
static int read_field(const uint8_t* data, size_t size, size_t offset, size_t width, uint32_t* out)
{
    if (offset > size || width > size - offset)
        return 0;
    const uint8_t* p = data + offset;
    *out = width == 1 ? p[0] : width == 2 ? le16(p) : le32(p);
    return 1;
}

/* Pen color by status byte: black, blue and red pens; 0 for any other. */
static const uint8_t colorOfStatus[256] = {[0xA1] = 1, [0xA3] = 2, [0xA5] = 3};

static InkSample decode_sample(const uint8_t* raw)
{
    InkSample sample = {ZEL640_KIND_BREAK, 0, 0, 0};
    if (raw[0] == STATUS_BREAK)
        return sample;
    /* Bit 7 of each coordinate byte is a framing bit; byte 6 contributes only
       the two bits that still fit into 16 bits. */
    sample.kind = ZEL640_KIND_PEN;
    sample.penColor = colorOfStatus[raw[0]];
    sample.x = (uint16_t)((raw[1] & 0x7F) | (raw[2] & 0x7F) << 7 | (raw[6] & 0x03) << 14);
    sample.y = (uint16_t)((raw[3] & 0x7F) | (raw[4] & 0x7F) << 7);
    return sample;
}

/* The size of a regular file from its status, which leaves the stream's
   buffer as it is; 0 for anything else, which the caller then seeks through. */
static int regular_file_size(FILE* stream, FileOffset* size)
{
#if defined(_WIN32)
    struct _stat64 info;
    if (_fstat64(_fileno(stream), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)
        return 0;
#else
    struct stat info;
    if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
#endif
    *size = (FileOffset)info.st_size;
    return 1;
}

/* Opens a regular file for reading; anything else fails at once with errno
   EISDIR for a folder and EINVAL for the rest. Opening does not wait: a FIFO
   without a writer or a device would otherwise hold the caller forever, and
   an endless one would be read until memory runs out. */
static FILE* open_regular_file(const char* path)
{
#if defined(_WIN32)
    FILE* stream = fopen(path, "rb");
    if (stream == NULL) {
        /* The runtime tells a folder as a file it may not open. */
        struct _stat64 folder;
        if (errno == EACCES && _stat64(path, &folder) == 0 && (folder.st_mode & _S_IFMT) == _S_IFDIR)
            errno = EISDIR;
        return NULL;
    }
    struct _stat64 info = {0};
    if (_fstat64(_fileno(stream), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        int folder = (info.st_mode & _S_IFMT) == _S_IFDIR;
        (void)fclose(stream);
        errno = folder ? EISDIR : EINVAL;
        return NULL;
    }
    return stream;
#else
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return NULL;
    struct stat info;
    int error = 0;
    if (fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    FILE* stream = error == 0 ? fdopen(fd, "rb") : NULL;
    if (stream == NULL) {
        if (error == 0)
            error = errno;
        (void)close(fd);
        errno = error;
    }
    return stream;
#endif
}

ZEL640_API InkFileHandle ZEL640_Open(const char* path)
{
    if (path == NULL) {
        set_error(ZEL640_ERR_OPEN);
        return NULL;
    }
    FILE* stream = open_regular_file(path);
    if (stream == NULL) {
        set_error(ZEL640_ERR_OPEN);
        return NULL;
    }

    /* Signature at 0, tag at 8. */
    uint8_t head[12];
    size_t got = fread(head, 1, sizeof head, stream);
    uint32_t error = 0;
    if (got < 4) {
        error = ZEL640_ERR_READ;
    } else {
        uint32_t magic = le32(head);
        if (magic != ZEL640_MAGIC_UEDY && magic != ZEL640_MAGIC_ARPN)
            error = ZEL640_ERR_FORMAT;
        else if (got < sizeof head || le32(head + 8) == ZEL640_TAG_SOFT)
            error = ZEL640_ERR_FORMAT;
    }
    if (error != 0) {
        set_error(error);
        /* Read-only stream: nothing can be lost by a failing close. */
        (void)fclose(stream);
        return NULL;
    }
    return (InkFileHandle)(void*)stream;
}

ZEL640_API int32_t ZEL640_Close(InkFileHandle file)
{
    if (file == NULL)
        return EOF;
    return (int32_t)fclose(stream_of(file));
}

ZEL640_API int32_t ZEL640_GetHeader(InkFileHeader* header, InkFileHandle file)
{
    if (header == NULL || file == NULL) {
        set_error(ZEL640_ERR_READ);
        return 0;
    }
    memset(header, 0, sizeof *header);

    FILE* stream = stream_of(file);
    uint8_t raw[HEADER_BYTES];
    size_t got = 0;
    if (file_seek(stream, 0, SEEK_SET) == 0)
        got = fread(raw, 1, sizeof raw, stream);

    /* In file order: the first field that is not wholly in the file stops the
       read and leaves the later fields 0. */
    const struct {
        size_t offset;
        size_t width;
        uint32_t* field;
    } layout[] = {
        {0, 4, &header->magic},        {8, 4, &header->tag},     {12, 2, &header->formatMajor},
        {14, 2, &header->formatMinor}, {22, 2, &header->aux16},  {24, 4, &header->width},
        {28, 4, &header->height},      {34, 1, &header->orientation}, {36, 4, &header->aux32},
    };
    for (size_t i = 0; i < sizeof layout / sizeof layout[0]; ++i) {
        if (!read_field(raw, got, layout[i].offset, layout[i].width, layout[i].field)) {
            set_error(ZEL640_ERR_READ);
            return 0;
        }
    }
    size_t offsetWidth = header->formatMajor == 1 && header->formatMinor == 0 ? 2 : 4;
    if (!read_field(raw, got, 44, offsetWidth, &header->dataOffset)) {
        set_error(ZEL640_ERR_READ);
        return 0;
    }
    return 1;
}

ZEL640_API int32_t ZEL640_GetStrokeSize(int32_t* count, const InkFileHeader* header,
                                        InkFileHandle file)
{
    if (count == NULL || header == NULL || file == NULL) {
        set_error(ZEL640_ERR_SIZE);
        return 0;
    }
    FILE* stream = stream_of(file);
    FileOffset size = 0;
    if (!regular_file_size(stream, &size)) {
        if (file_seek(stream, 0, SEEK_END) != 0) {
            set_error(ZEL640_ERR_SIZE);
            return 0;
        }
        size = file_tell(stream);
    }
    if (size < 0) {
        set_error(ZEL640_ERR_SIZE);
        return 0;
    }
    int64_t area = (int64_t)size - (int64_t)header->dataOffset;
    /* A count must fit the 32-bit interface; no notepad writes 16 GiB pages. */
    if (area < SAMPLE_BYTES || area / SAMPLE_BYTES > INT32_MAX) {
        set_error(ZEL640_ERR_SIZE);
        return 0;
    }
    *count = (int32_t)(area / SAMPLE_BYTES);
    return 1;
}

ZEL640_API int32_t ZEL640_GetStrokes(InkSample* samples, const InkFileHeader* header, int32_t count,
                                     InkFileHandle file)
{
    if (header == NULL || file == NULL || count < 0 || (count > 0 && samples == NULL)) {
        set_error(ZEL640_ERR_SIZE);
        return 0;
    }
    if (count == 0)
        return 1;
    if ((size_t)count > SIZE_MAX / SAMPLE_BYTES) {
        set_error(ZEL640_ERR_MEMORY);
        return 0;
    }
    size_t bytes = (size_t)count * SAMPLE_BYTES;
    uint8_t* raw = malloc(bytes);
    if (raw == NULL) {
        set_error(ZEL640_ERR_MEMORY);
        return 0;
    }

    FILE* stream = stream_of(file);
    if (file_seek(stream, (FileOffset)header->dataOffset, SEEK_SET) != 0
        || fread(raw, 1, bytes, stream) != bytes) {
        free(raw);
        set_error(ZEL640_ERR_SIZE);
        return 0;
    }
    for (size_t i = 0; i < (size_t)count; ++i)
        samples[i] = decode_sample(raw + i * SAMPLE_BYTES);
    free(raw);
    return 1;
}

ZEL640_API void ZEL640_RotateStrokes(InkSample* dst, const InkSample* src, int32_t count,
                                     const InkFileHeader* header)
{
    if (dst == NULL || src == NULL || header == NULL || count <= 0)
        return;
    uint32_t orientation = header->orientation;
    if (orientation < 1 || orientation > 3)
        return;

    /* Page extents and results are 16-bit: a coordinate past the extent
       wraps instead of going negative. */
    uint16_t w = (uint16_t)header->width;
    uint16_t h = (uint16_t)header->height;
    for (size_t i = 0; i < (size_t)count; ++i) {
        InkSample s = src[i];
        InkSample r = s;
        switch (orientation) {
        case 1:
            r.x = s.y;
            r.y = (uint16_t)(w - s.x);
            break;
        case 2:
            r.x = (uint16_t)(w - s.x);
            r.y = (uint16_t)(h - s.y);
            break;
        default:
            r.x = (uint16_t)(h - s.y);
            r.y = s.x;
            break;
        }
        dst[i] = r;
    }
}

ZEL640_API void ZEL640_SetStrokesBuffer(const InkSample* samples, int32_t count)
{
    cursorSamples = samples;
    cursorCount = samples != NULL && count > 0 ? (uint32_t)count : 0;
    cursorIndex = 0;
}

ZEL640_API InkStrokePoint* ZEL640_AnalyzeAndLock(int32_t* pointCount, uint16_t* penColor)
{
    /* The cursor may stand one past the end after the last stroke. */
    uint32_t run = 0;
    while (cursorIndex < cursorCount && run < cursorCount - cursorIndex
           && cursorSamples[cursorIndex + run].kind != ZEL640_KIND_BREAK)
        ++run;
    if (run == 0) {
        set_error(ZEL640_ERR_NO_STROKE);
        return NULL;
    }

    InkStrokePoint* points = NULL;
    size_t bytes = (size_t)run * sizeof *points;
    if (bytes / sizeof *points == run)
        points = malloc(bytes);
    if (points == NULL) {
        set_error(ZEL640_ERR_MEMORY);
        return NULL;
    }

    const InkSample* first = cursorSamples + cursorIndex;
    if (pointCount != NULL)
        *pointCount = (int32_t)run;
    if (penColor != NULL)
        *penColor = first->penColor;
    for (uint32_t i = 0; i < run; ++i) {
        points[i].x = first[i].x;
        points[i].y = first[i].y;
    }
    cursorIndex += run + 1;
    return points;
}

ZEL640_API void ZEL640_Free(InkStrokePoint* points)
{
    free(points);
}

ZEL640_API uint32_t ZEL640_GetLastError(void)
{
    return lastError;
}

ZEL640_API void ZEL640_Version(uint16_t* major, uint16_t* minor)
{
    if (major != NULL)
        *major = 1;
    if (minor != NULL)
        *minor = 1;
}
