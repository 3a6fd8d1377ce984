#include "update/replace.h"
