/* Runs in a process of its own: the last error code is process-wide, so only
   a fresh process shows its initial value. Written in C to keep the public
   header honest about being usable from C. */
#include "ZEL640_IF.h"

#include <stdio.h>

static int failures = 0;

static void expect_error(uint32_t expected, const char* when)
{
    uint32_t actual = ZEL640_GetLastError();
    if (actual != expected) {
        fprintf(stderr, "%s: last error 0x%08lx, expected 0x%08lx\n", when, (unsigned long)actual,
                (unsigned long)expected);
        ++failures;
    }
}

int main(void)
{
    expect_error(ZEL640_ERR_INITIAL, "before any call");

    uint16_t major = 0;
    uint16_t minor = 0;
    ZEL640_Version(&major, &minor);
    if (major != 1 || minor != 1)
        ++failures;
    ZEL640_SetStrokesBuffer(NULL, 0);
    expect_error(ZEL640_ERR_INITIAL, "after calls that cannot fail");

    if (ZEL640_Open("/nonexistent-dir/page.ink") != NULL)
        ++failures;
    expect_error(ZEL640_ERR_OPEN, "after a failed open");

    InkSample samples[2] = {{ZEL640_KIND_PEN, 2, 10, 20}, {ZEL640_KIND_BREAK, 0, 0, 0}};
    ZEL640_SetStrokesBuffer(samples, 2);
    int32_t count = 0;
    uint16_t color = 0;
    InkStrokePoint* points = ZEL640_AnalyzeAndLock(&count, &color);
    if (points == NULL || count != 1 || color != 2 || points[0].x != 10 || points[0].y != 20)
        ++failures;
    ZEL640_Free(points);
    expect_error(ZEL640_ERR_OPEN, "after a success");

    return failures == 0 ? 0 : 1;
}
