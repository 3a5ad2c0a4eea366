#include "engine/Progress.h"
