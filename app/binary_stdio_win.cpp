// Windows: switch the standard streams out of text mode (no CR added before LF, no ^Z end).
#include "app/binary_stdio.h"

#include <fcntl.h>
#include <io.h>
#include <cstdio>

void UseBinaryStdio() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}
