#include "update/version.h"
