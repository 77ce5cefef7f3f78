#include "AnimationExport.h"

#include "PaletteReduction.h"
#include "WholeFile.h"

#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace {

const size_t kOutputBuffer = 256 * 1024;
// A GIF's sides are 16-bit, and frames beyond this many pixels would not fit
// in the memory of a 32-bit program beside the show.
const int kMaxHeight = 65535;
const int64_t kMaxFramePixels = 16 * 1024 * 1024;
const int64_t kMaxLayerPixels = 64 * 1024 * 1024;

// Sum of the waits after the drawn points: the show's length as played.
uint64_t PlayedLength(const ShowCopy& show)
{
    uint64_t total = 0;
    for (size_t i = 1; i < show.points.size(); ++i) total += show.points[i].delay;
    return total;
}

struct Export {
    const ShowCopy* show;
    HBITMAP character;
    int seconds;
    int width;
    int height;
    ExportProgress progress;
    void* context;
    int lastPercent = -1;
    bool cancelled = false;
    // The file
    int fd = -1;
    std::vector<uint8_t> buffer;
    bool writeFailed = false;
    long long bytes = 0;
    char* message;
    size_t messageSize;
    AnimationFacts facts;
};

bool Report(Export& e, int percent)
{
    if (percent == e.lastPercent) return true;
    e.lastPercent = percent;
    if (e.progress && !e.progress(percent, e.context)) {
        e.cancelled = true;
        return false;
    }
    return true;
}

bool Flush(Export& e)
{
    if (e.buffer.empty()) return true;
    if (!WriteFully(e.fd, e.buffer.data(), e.buffer.size())) {
        e.writeFailed = true;
        return false;
    }
    e.buffer.clear();
    return true;
}

bool Sink(const uint8_t* data, size_t size, void* context)
{
    Export& e = *static_cast<Export*>(context);
    e.bytes += static_cast<long long>(size);
    e.buffer.insert(e.buffer.end(), data, data + size);
    return e.buffer.size() < kOutputBuffer || Flush(e);
}

// The palette: the painting's own colours when they fit, the painter's
// reduced into the entries left; otherwise (a photograph) the finished
// picture's colours reduced, which costs one more painting of the show.
bool ChoosePalette(Export& e, FrameRenderer& renderer, std::vector<Rgb>& palette)
{
    const int kEntries = 255;  // one more index is the transparent one
    std::vector<Rgb> painting = renderer.PaintingColours();
    ColourHistogram painter;
    for (Rgb pixel : renderer.CharacterPixels()) painter.Add(pixel);
    if (painting.size() <= static_cast<size_t>(kEntries)) {
        palette = painting;
        int room = kEntries - static_cast<int>(palette.size());
        for (Rgb colour : ReducePalette(painter.Colours(), room))
            if (std::find(palette.begin(), palette.end(), colour) == palette.end())
                palette.push_back(colour);
        e.facts.exactColours = true;
        return true;
    }
    size_t count = e.show->points.size();
    for (size_t i = 1; i < count; ++i) {
        renderer.PaintPoint(i);
        if ((i & 0xFFF) == 0 && !Report(e, static_cast<int>(30 * i / count))) return false;
    }
    const Rgb* finished = renderer.ComposeFrame(count - 1, false);
    ColourHistogram histogram;
    histogram.AddPixels(finished, static_cast<size_t>(e.width) * e.height);
    // The painter is on every frame but small: its colours count as much as
    // its pixels on one frame.
    for (const ColourWeight& c : painter.Colours()) histogram.Add(c.colour, c.weight);
    palette = ReducePalette(histogram.Colours(), kEntries);
    e.facts.exactColours = false;
    return renderer.Begin(*e.show, e.width, e.height, e.character);
}

struct FrameWriter {
    Export* e;
    PaletteLookup* lookup;
    GifAnimation* gif;
    std::vector<uint8_t> indices;
    int startPercent;
};

bool WriteOneFrame(const Rgb* pixels, int number, int frames, int delay, void* context)
{
    FrameWriter& w = *static_cast<FrameWriter*>(context);
    w.lookup->Map(pixels, w.indices.size(), w.indices.data());
    if (!w.gif->AddFrame(w.indices.data(), delay)) return false;
    return Report(*w.e, w.startPercent + (100 - w.startPercent) * number / frames);
}

bool WriteFrames(Export& e)
{
    FrameRenderer renderer;
    if (!renderer.Begin(*e.show, e.width, e.height, e.character)) {
        snprintf(e.message, e.messageSize, "%s", renderer.message);
        return false;
    }
    std::vector<Rgb> palette;
    if (!ChoosePalette(e, renderer, palette)) {
        if (!e.cancelled) snprintf(e.message, e.messageSize, "%s", renderer.message);
        return false;
    }
    e.facts.colours = static_cast<int>(palette.size());
    PaletteLookup lookup(palette);
    GifAnimation gif(Sink, &e);
    if (!gif.Begin(e.width, e.height, palette)) return false;

    FrameWriter writer{&e, &lookup, &gif, std::vector<uint8_t>(static_cast<size_t>(e.width) * e.height),
                       e.facts.exactColours ? 0 : 30};
    if (!PlayAnimationFrames(*e.show, renderer, e.seconds, WriteOneFrame, &writer) ||
        !gif.Finish()) {
        return false;
    }
    e.facts.frames = gif.FramesWritten();
    if (!Flush(e)) return false;
    if (_commit(e.fd) != 0) {
        e.writeFailed = true;
        return false;
    }
    return Report(e, 100);
}

bool WriteAnimationFile(int fd, void* context)
{
    Export& e = *static_cast<Export*>(context);
    e.fd = fd;
    try {
        e.buffer.reserve(kOutputBuffer + 4096);
        return WriteFrames(e);
    } catch (const std::bad_alloc&) {
        snprintf(e.message, e.messageSize, "Not enough memory to export the animation.");
        errno = 0;
        return false;
    }
}

}  // namespace

// Point i is drawn at the sum of the delays before it, scaled so the whole
// show lasts the length asked for; a show whose delays are all 0 is spread
// evenly. Frame k shows every point due by its start.
bool PlayAnimationFrames(const ShowCopy& show, FrameRenderer& renderer, int seconds,
                         FrameVisitor visit, void* context)
{
    size_t count = show.points.size();
    uint64_t length = PlayedLength(show);
    int frames = seconds * 100 / kFrameCentiseconds;
    uint64_t lengthMs = static_cast<uint64_t>(seconds) * 1000;
    uint64_t frameMs = kFrameCentiseconds * 10;
    size_t next = 1;
    uint64_t elapsed = 0;  // sum of the delays of the points before next
    for (int k = 0; k < frames; ++k) {
        uint64_t frameStart = static_cast<uint64_t>(k) * frameMs;
        while (next < count) {
            bool due = length > 0 ? elapsed * lengthMs <= frameStart * length
                                  : (next - 1) * lengthMs <= frameStart * (count - 1);
            if (!due) break;
            renderer.PaintPoint(next);
            elapsed += show.points[next].delay;
            ++next;
        }
        if (!visit(renderer.ComposeFrame(next - 1, true), k, frames + 1, kFrameCentiseconds,
                   context))
            return false;
    }
    for (; next < count; ++next) renderer.PaintPoint(next);
    return visit(renderer.ComposeFrame(count - 1, false), frames, frames + 1, kHoldCentiseconds,
                 context);
}

int DefaultAnimationSeconds(const ShowCopy& show)
{
    uint64_t total = 0;
    for (const ShowPoint& point : show.points) total += point.delay;
    uint64_t seconds = (total + 999) / 1000;
    if (seconds < static_cast<uint64_t>(kAnimationMinSeconds)) return kAnimationMinSeconds;
    if (seconds > static_cast<uint64_t>(kAnimationDefaultMaxSeconds))
        return kAnimationDefaultMaxSeconds;
    return static_cast<int>(seconds);
}

int DefaultAnimationWidth(const ShowCopy& show)
{
    int width = show.width;
    if (width > kAnimationDefaultMaxWidth) width = kAnimationDefaultMaxWidth;
    if (width < kAnimationMinWidth) width = kAnimationMinWidth;
    return width;
}

int AnimationHeight(const ShowCopy& show, int width)
{
    if (show.width == 0) return 0;
    int64_t height = (static_cast<int64_t>(show.height) * width + show.width / 2) / show.width;
    return height < 1 ? 1 : static_cast<int>(std::min<int64_t>(height, INT32_MAX));
}

ExportResult ExportAnimation(const ShowCopy& show, HBITMAP character, const char* path,
                             int seconds, int width, ExportProgress progress, void* context,
                             char* message, size_t messageSize, AnimationFacts* facts)
{
    message[0] = '\0';
    if (show.points.empty()) {
        snprintf(message, messageSize, "The show has no timed points.");
        return EXPORT_FAILED;
    }
    if (show.width == 0 || show.height == 0) {
        snprintf(message, messageSize, "The show's width or height is 0: [%d x %d]", show.width,
                 show.height);
        return EXPORT_FAILED;
    }
    if (seconds < kAnimationMinSeconds || seconds > kAnimationMaxSeconds || width < kAnimationMinWidth ||
        width > kAnimationMaxWidth) {
        snprintf(message, messageSize, "The length or width is out of range: [%d] [%d]", seconds,
                 width);
        return EXPORT_FAILED;
    }
    if (static_cast<int64_t>(show.width) * show.height > kMaxLayerPixels) {
        snprintf(message, messageSize, "The show is too large to paint in memory: [%d x %d]",
                 show.width, show.height);
        return EXPORT_FAILED;
    }
    int height = AnimationHeight(show, width);
    if (height > kMaxHeight || static_cast<int64_t>(width) * height > kMaxFramePixels) {
        snprintf(message, messageSize, "The animation would be too large: [%d x %d]", width,
                 height);
        return EXPORT_FAILED;
    }

    std::unique_ptr<Export> e(new (std::nothrow) Export());
    if (!e) {
        snprintf(message, messageSize, "Not enough memory to export the animation.");
        return EXPORT_FAILED;
    }
    e->show = &show;
    e->character = character;
    e->seconds = seconds;
    e->width = width;
    e->height = height;
    e->progress = progress;
    e->context = context;
    e->message = message;
    e->messageSize = messageSize;

    int error = 0;
    WholeFileResult result = WriteWholeFile(path, "tvg", true, WriteAnimationFile, e.get(), &error);
    if (e->cancelled) return EXPORT_CANCELLED;
    if (result == WHOLE_FILE_WRITTEN) {
        e->facts.bytes = e->bytes;
        if (facts) *facts = e->facts;
        return EXPORT_WRITTEN;
    }
    // A message from the renderer (memory) says more than the file's error.
    if (message[0] == '\0' || e->writeFailed || result != WHOLE_FILE_NOT_WRITTEN)
        snprintf(message, messageSize, "Failed to write file: [%s] [%s]", path,
                 strerror(error ? error : EIO));
    return EXPORT_FAILED;
}
