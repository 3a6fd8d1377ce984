#include "update/path.h"
