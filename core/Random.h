#pragma once

#include <QtGlobal>

// The launcher's one pseudo-random sequence (temporary names, the pick among
// HTTP mirrors). Seeded once at start-up from the tick count; safe to use
// from any thread.
void seedRandom(quint32 seed);
// A non-negative number below 2^31.
int randomNumber();
