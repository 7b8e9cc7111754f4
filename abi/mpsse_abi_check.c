/* The ABI header compiled as C, the language of the vendor's interface: its
 * layout checks and, with TALMIR_MPSSE_EXPORTS, the entry points' declarations
 * as an exporting library sees them. */
#define TALMIR_MPSSE_EXPORTS
#include "mpsse_abi.h"
