#include "update/update_state.h"

UpdateState* gUpdateState = nullptr;
int32_t gOutcomeIfEnded = -1;
