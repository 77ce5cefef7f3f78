// The frames reelcast would write for a show, as true-colour PPM pictures
// f00000.ppm, f00001.ppm ... and their delays in delays.txt, so the
// benchmark can give the same frames to other GIF encoders.
//   reelcast_frames <show file> <folder> <seconds> <width>
#include "AnimationExport.h"
#include "ShowDocument.h"
#include "resource.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

struct Output {
    std::string folder;
    int width, height;
    FILE* delays;
    std::vector<unsigned char> row;
};

bool WritePicture(const Rgb* pixels, int number, int, int delay, void* context)
{
    Output& out = *static_cast<Output*>(context);
    char name[32];
    snprintf(name, sizeof(name), "\\f%05d.ppm", number);
    FILE* file = fopen((out.folder + name).c_str(), "wb");
    if (!file) return false;
    fprintf(file, "P6\n%d %d\n255\n", out.width, out.height);
    for (int i = 0; i < out.width * out.height; ++i) {
        out.row[i * 3] = static_cast<unsigned char>(pixels[i] >> 16);
        out.row[i * 3 + 1] = static_cast<unsigned char>(pixels[i] >> 8);
        out.row[i * 3 + 2] = static_cast<unsigned char>(pixels[i]);
    }
    bool written = fwrite(out.row.data(), 1, out.row.size(), file) == out.row.size();
    fclose(file);
    fprintf(out.delays, "%d\n", delay);
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        printf("reelcast_frames <show file> <folder> <seconds> <width>\n");
        return 1;
    }
    ShowDocumentPtr document = NewShowDocument(nullptr, PRIORITY_MARKING_SUPPRESSED);
    ShowCopy show;
    if (!document || document->Load(argv[1]) < 0 || !CopyShow(*document, show)) {
        printf("cannot load [%s]\n", argv[1]);
        return 1;
    }
    document->Clear();
    Output out;
    out.folder = argv[2];
    out.width = atoi(argv[4]);
    out.height = AnimationHeight(show, out.width);
    out.row.resize(static_cast<size_t>(out.width) * out.height * 3);
    out.delays = fopen((out.folder + "\\delays.txt").c_str(), "w");
    HBITMAP character = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CHAR_DORIN));
    FrameRenderer renderer;
    bool ok = out.delays && renderer.Begin(show, out.width, out.height, character) &&
              PlayAnimationFrames(show, renderer, atoi(argv[3]), WritePicture, &out);
    if (out.delays) fclose(out.delays);
    return ok ? 0 : 1;
}
