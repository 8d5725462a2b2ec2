// Built while the window service lists no displays: the virtual adapter stands in.
#include "platform/d3d8/adapters.h"

namespace d3d8 {

std::vector<AdapterDesc> DisplayAdapters() { return {}; }

}  // namespace d3d8
