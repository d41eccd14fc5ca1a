#include "update/update_state.h"

UpdateState* gUpdateState = nullptr;
