#include "update/search.h"
