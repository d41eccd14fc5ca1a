#include "app/update_state.h"

UpdateState* gUpdateState = nullptr;
