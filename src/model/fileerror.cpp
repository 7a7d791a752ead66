#include "fileerror.h"
