// The program's shell is the system's.
#include "select/shell.h"

namespace selection {

Shell& shell() {
    static Shell system;
    return system;
}

}  // namespace selection
