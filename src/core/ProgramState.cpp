#include "core/ProgramState.h"

namespace dorvane {

void ProgramState::Reset() {
    customItems.Clear();
    customItemCount = 0;
    customTaskName.Set({});
}

ProgramState& State() {
    // Never destroyed, so that a worker still running at exit cannot touch freed state.
    static ProgramState* state = new ProgramState;
    return *state;
}

}  // namespace dorvane
