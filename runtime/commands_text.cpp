// Text, byte-set and conversion commands.
#include "runtime/internal.h"
