#include "gamefiles.h"
