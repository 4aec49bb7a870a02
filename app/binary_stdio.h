// Standard streams that pass bytes through unchanged, so output is the same on every platform.
#pragma once

void UseBinaryStdio();
