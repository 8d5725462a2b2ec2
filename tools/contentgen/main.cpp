// contentgen: writes the production's pictures and meshes below an output
// folder (the build folder), the same bytes on every run: the files of the asset manifest.
//
//   contentgen OUTDIR            everything
//   contentgen OUTDIR --sheet F  also a contact sheet of every picture and mesh as PNG F
//   contentgen --view NAME F     only a 512 × 512 view of mesh NAME (e.g. cave) as PNG F
//   contentgen --picture P F     only picture P (e.g. Textures/bg.jpg) as PNG F, full size
#include "image_io.h"
#include "manifest_check.h"
#include "portable_math.h"
#include "meshes.h"
#include "sheet.h"
#include "textures.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    cg::UsePortableMath(argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: contentgen OUTDIR [--sheet FILE.png]\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--view") == 0) {
        if (argc != 4) return 2;
        std::vector<cg::Image> images;
        for (const cg::Picture& pic : cg::AllPictures()) images.push_back(pic.make());
        cg::Mesh mesh = cg::MakeMeshByName(argv[2]);
        if (mesh.verts.empty()) {
            std::fprintf(stderr, "contentgen: no mesh named %s\n", argv[2]);
            return 1;
        }
        return cg::WritePng(argv[3], cg::ViewMesh(mesh, argv[2], 512, images), false) ? 0 : 1;
    }
    if (std::strcmp(argv[1], "--picture") == 0) {
        if (argc != 4) return 2;
        for (const cg::Picture& pic : cg::AllPictures())
            if (pic.path == argv[2]) return cg::WritePng(argv[3], pic.make(), true) ? 0 : 1;
        std::fprintf(stderr, "contentgen: no picture named %s\n", argv[2]);
        return 1;
    }
    const std::string root = argv[1];
    std::string sheet;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sheet") == 0 && i + 1 < argc) sheet = argv[++i];
        else {
            std::fprintf(stderr, "contentgen: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    // Writes nothing unless it would write exactly the files of the asset manifest.
    if (!cg::RecipesMatchManifest()) return 1;
    auto start = std::chrono::steady_clock::now();
    bool ok = true;
    // Pictures are independent: make them on every core, write them in order.
    const auto& pics = cg::AllPictures();
    std::vector<cg::Image> images(pics.size());
    std::vector<char> written(pics.size(), 0);
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next++) < pics.size();) {
            images[i] = pics[i].make();
            written[i] = cg::WritePicture(root, pics[i], images[i]) ? 1 : 0;
            if (sheet.empty()) images[i] = cg::Image();
        }
    };
    std::vector<std::thread> threads;
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    for (unsigned t = 1; t < cores; ++t) threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads) t.join();
    for (char w : written) ok = ok && w;
    std::vector<cg::Mesh> meshes;
    for (const cg::MeshFile& mf : cg::AllMeshes()) {
        cg::Mesh mesh = mf.make();
        ok = cg::WriteXFile(root + "/" + mf.path, mesh) && ok;
        if (!sheet.empty()) meshes.push_back(std::move(mesh));
    }
    if (!sheet.empty()) ok = cg::WriteContactSheet(sheet, root, images, meshes) && ok;
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("contentgen: %zu pictures, %zu meshes in %.2f s%s\n", cg::AllPictures().size(),
                cg::AllMeshes().size(), secs, ok ? "" : " (with errors)");
    return ok ? 0 : 1;
}
