// The generator against the asset manifest: every picture and mesh of the manifest has a
// recipe here, in the kind of file the manifest names, and no recipe makes a file the
// manifest does not list. The music (musicgen) and the particle scripts (copied from
// content/particles/) are made elsewhere.
#pragma once

namespace cg {

// True when the recipes match the manifest; otherwise names every difference on stderr.
bool RecipesMatchManifest();

}  // namespace cg
