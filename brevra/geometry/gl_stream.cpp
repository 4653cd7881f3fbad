// The command funnel's one piece of state (see gl_stream.h).
#include "brevra/geometry/gl_stream.h"

namespace brevra::gl {

Listener CommandListener = nullptr;

}  // namespace brevra::gl
