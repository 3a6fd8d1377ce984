#include "payload/payload.h"
