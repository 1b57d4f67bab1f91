#include "app/AppHooks.h"

namespace dorvane {

AppHooks& Hooks() {
    static AppHooks hooks;
    return hooks;
}

}  // namespace dorvane
