// POSIX: the standard streams are binary already.
#include "app/binary_stdio.h"

void UseBinaryStdio() {}
