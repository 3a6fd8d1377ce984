#include "update/scan.h"
