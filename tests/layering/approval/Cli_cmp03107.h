// The filter's own includes are within its rules.
#include "data/requisition_state.h"
#include "framework/forms/base_screens.h"
