/* A C caller of ZEL640_IF as a user of the Windows zip writes one: built
   against the zip's ZEL640_IF.h and ZEL640_IF.lib only. Prints the header of
   an ink file, its sample count and its strokes; built natively against the
   Linux library, the same source must print the same lines. */
#include <stdio.h>
#include <stdlib.h>

#include "ZEL640_IF.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: zel640_consumer INKFILE\n");
        return 2;
    }
    uint16_t major = 0, minor = 0;
    ZEL640_Version(&major, &minor);
    printf("ZEL640_IF %u.%u\n", (unsigned)major, (unsigned)minor);

    InkFileHandle file = ZEL640_Open(argv[1]);
    if (!file) {
        fprintf(stderr, "%s: cannot open (error 0x%08lx)\n", argv[1], (unsigned long)ZEL640_GetLastError());
        return 1;
    }
    InkFileHeader header;
    int32_t count = 0;
    InkSample* samples = NULL;
    int ok = ZEL640_GetHeader(&header, file) && ZEL640_GetStrokeSize(&count, &header, file) &&
             (samples = malloc(sizeof *samples * (size_t)(count > 0 ? count : 1))) != NULL &&
             ZEL640_GetStrokes(samples, &header, count, file);
    ZEL640_Close(file);
    if (!ok) {
        fprintf(stderr, "%s: cannot read (error 0x%08lx)\n", argv[1], (unsigned long)ZEL640_GetLastError());
        free(samples);
        return 1;
    }
    printf("page %lux%lu, orientation %lu, %ld samples\n", (unsigned long)header.width,
           (unsigned long)header.height, (unsigned long)header.orientation, (long)count);

    ZEL640_RotateStrokes(samples, samples, count, &header);
    ZEL640_SetStrokesBuffer(samples, count);
    long strokes = 0, points = 0;
    int32_t n = 0;
    uint16_t color = 0;
    InkStrokePoint* stroke;
    while ((stroke = ZEL640_AnalyzeAndLock(&n, &color)) != NULL) {
        strokes++;
        points += n;
        ZEL640_Free(stroke);
    }
    printf("%ld strokes of %ld points\n", strokes, points);
    free(samples);
    return 0;
}
