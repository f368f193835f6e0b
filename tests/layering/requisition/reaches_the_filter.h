// A screen that opens another by including its header, as no screen may.
#include "approval/Cli_cmp03107.h"
#include "data/requisition_state.h"
