/* A C program of someone else's, built against an installed ZEL640_IF: reads
   one ink file and prints the library version, the sample count and the
   stroke count. Fails unless the page has samples and strokes. */
#include <ZEL640_IF.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: consumer INKFILE\n");
        return 2;
    }
    uint16_t major = 0;
    uint16_t minor = 0;
    ZEL640_Version(&major, &minor);

    InkFileHandle file = ZEL640_Open(argv[1]);
    if (file == NULL) {
        fprintf(stderr, "%s: cannot open (0x%08lx)\n", argv[1], (unsigned long)ZEL640_GetLastError());
        return 1;
    }
    InkFileHeader header;
    int32_t count = 0;
    InkSample* samples = NULL;
    int ok = ZEL640_GetHeader(&header, file) && ZEL640_GetStrokeSize(&count, &header, file) && count > 0 &&
             (samples = malloc((size_t)count * sizeof *samples)) != NULL &&
             ZEL640_GetStrokes(samples, &header, count, file);
    if (ok && header.orientation != 0)
        ZEL640_RotateStrokes(samples, samples, count, &header);
    if (ZEL640_Close(file) != 0)
        ok = 0;
    if (!ok) {
        fprintf(stderr, "%s: cannot read the samples (0x%08lx)\n", argv[1], (unsigned long)ZEL640_GetLastError());
        free(samples);
        return 1;
    }

    ZEL640_SetStrokesBuffer(samples, count);
    int strokes = 0;
    int32_t points = 0;
    uint16_t color = 0;
    for (;;) {
        InkStrokePoint* stroke = ZEL640_AnalyzeAndLock(&points, &color);
        if (stroke == NULL)
            break;
        ZEL640_Free(stroke);
        ++strokes;
    }
    free(samples);
    printf("ZEL640_IF %u.%u: %ld samples, %d strokes\n", (unsigned)major, (unsigned)minor, (long)count, strokes);
    return strokes > 0 ? 0 : 1;
}
