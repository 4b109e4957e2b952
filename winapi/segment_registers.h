// The processor's segment registers as a user program reads them (a move from CS or DS):
// the program's own code and data selectors.
#pragma once

#include "windef.h"

extern "C" {

WORD ReadCS();
WORD ReadDS();

}  // extern "C"
