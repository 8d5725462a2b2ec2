// asset_list: prints the production's data files from the asset manifest, one a line, each
// once in loading order: the path, a tab, and what the production does without the file
// ("media": stops with the required-media error, "start-up": stops with the generic error,
// "optional": runs on without it). Scripts such as the missing-data check read it.
#include "assets/asset_manifest.h"

#include <cstdio>

namespace {

const char* NeedName(assets::Need need) {
    switch (need) {
    case assets::Need::Media: return "media";
    case assets::Need::StartUp: return "start-up";
    case assets::Need::Optional: break;
    }
    return "optional";
}

}  // namespace

int main(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: asset_list\n");
        return 2;
    }
    assets::ForEachFile([](const assets::Asset& asset, assets::Need need) {
        std::printf("%s\t%s\n", asset.path, NeedName(need));
    });
    return 0;
}
