// Window and unit commands.
#include "runtime/internal.h"
