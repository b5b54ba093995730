#include "core/TR.h"
