// Built only while the software rasterizer (ref/) is absent: device type REF then clears
// but draws nothing, and says so once.
#include "platform/d3d8/backend.h"
#include "platform/d3d8/object.h"

namespace d3d8 {

RefPixelPaths RefPixelPathsFromEnvironment() { return RefPixelPaths::Specialised; }

std::unique_ptr<Rasterizer> CreateRefRasterizer(RefPixelPaths) {
    static bool said = false;
    if (!said) {
        said = true;
        Report("d3d8::CreateRefRasterizer", "software rasterizer not built; REF devices clear but draw nothing");
    }
    return CreateNullRasterizer();
}

}  // namespace d3d8
