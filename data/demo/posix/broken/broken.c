/* Deliberately broken, to show how the output window jumps to errors:
 * a missing semicolon and a misspelt variable. */
#include <stdio.h>

static int average(const int *values, int count)
{
    int sum = 0;
    for (int i = 0; i < count; i++)
        sum += values[i]
    return count > 0 ? sum / count : 0;
}

int main(void)
{
    const int values[] = {3, 5, 7};
    int mean = average(values, 3);
    printf("mean %d\n", maen);
    return 0;
}
