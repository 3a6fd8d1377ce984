/* Where the payload sits in the program's image: its resource type and name.
   Plain macros, so that the resource compiler reads them as the compiler
   does; the payload header gives them as strings. */
#pragma once

#define MWN_PAYLOAD_RESOURCE_TYPE CMPFILE
#define MWN_PAYLOAD_RESOURCE_NAME MwnCMP
