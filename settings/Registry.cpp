#include "settings/Registry.h"
