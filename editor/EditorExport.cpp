// File > Export Animation and Export Picture: the painting as it is in the
// editor, saved or not, as an animated GIF (written on a worker thread while
// a progress dialog keeps the editor painting its window) or as a PNG or BMP
// of the finished picture.
#include "EditorExport.h"

#include "AnimationExport.h"
#include "EditorState.h"
#include "WholeFile.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <wincodec.h>

#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <new>
#include <vector>

namespace {

const char kExportErrorCaption[] = "Export Error";
const char kAnimationFilter[] = "GIF animation (*.gif)\0*.gif\0";
const char kPictureFilter[] = "PNG picture (*.png)\0*.png\0Bitmap picture (*.bmp)\0*.bmp\0";
const char kBadSeconds[] = "Please type a length from 1 to 600 seconds.";
const char kBadWidth[] = "Please type a width from 16 to 1920 pixels.";
const char kSizeText[] = "The animation will be %d x %d pixels.";
const char kWriting[] = "Writing [%s]: %d%%";
const char kCancelling[] = "Cancelling...";
const char kNoMemory[] = "Not enough memory to export the painting.";
const char kWriteFailed[] = "Failed to write file: [%s] [%s]";
const char kEncodeFailed[] = "The system could not encode the picture as PNG: [0x%08lX]";

const DWORD kOpenFileNameSize = 76;  // the file dialog's size before the Windows 2000 fields
const UINT WM_EXPORT_PROGRESS = WM_APP + 1;
const UINT WM_EXPORT_DONE = WM_APP + 2;

struct AnimationJob {
    ShowCopy show;
    HBITMAP character = nullptr;
    char path[MAX_PATH] = {};
    int seconds = 0;
    int width = 0;
    volatile LONG cancel = 0;
    HWND dialog = nullptr;
    HANDLE thread = nullptr;
    ExportResult result = EXPORT_FAILED;
    char message[512] = {};
};

// Asks for a file name to write; filterIndex gets the type chosen (from 1).
bool AskForExportName(const char* filter, const char* extension, char* name, DWORD* filterIndex)
{
    // The show's own name with the new extension, or "painting".
    char stem[MAX_PATH] = "painting";
    const char* base = strrchr(g_editor.path, '\\');
    base = base ? base + 1 : g_editor.path;
    if (base[0]) {
        snprintf(stem, sizeof(stem), "%s", base);
        char* dot = strrchr(stem, '.');
        if (dot) *dot = '\0';
    }
    snprintf(name, MAX_PATH, "%s.%s", stem, extension);
    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof(dialog));
    dialog.lStructSize = kOpenFileNameSize;
    dialog.hwndOwner = g_editor.mainWindow;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = g_editor.fileDialogFolder[0] ? g_editor.fileDialogFolder : nullptr;
    dialog.lpstrDefExt = extension;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog)) return false;
    if (filterIndex) *filterIndex = dialog.nFilterIndex;
    return true;
}

void ShowExportError(const char* text)
{
    MessageBoxA(g_editor.mainWindow, text, kExportErrorCaption, MB_OK | MB_ICONERROR);
}

// The painting copied for the export, or false after saying why not.
bool CopyPainting(ShowCopy& show)
{
    if (!g_editor.document || !g_editor.documentOpen) return false;
    if (!CopyShow(*g_editor.document, show)) {
        ShowExportError(kNoMemory);
        return false;
    }
    return true;
}

void ShowAnimationSize(HWND dialog, const ShowCopy& show)
{
    BOOL ok = FALSE;
    int width = static_cast<int>(GetDlgItemInt(dialog, IDC_EXPORT_WIDTH, &ok, FALSE));
    char text[128] = "";
    if (ok && width >= kAnimationMinWidth && width <= kAnimationMaxWidth)
        snprintf(text, sizeof(text), kSizeText, width, AnimationHeight(show, width));
    SetDlgItemTextA(dialog, IDC_EXPORT_SIZE, text);
}

// Reads one number of the dialog; on a bad one says so and puts the caret there.
bool TakeNumber(HWND dialog, int control, int low, int high, const char* complaint, int* value)
{
    BOOL ok = FALSE;
    UINT number = GetDlgItemInt(dialog, control, &ok, FALSE);
    if (ok && number >= static_cast<UINT>(low) && number <= static_cast<UINT>(high)) {
        *value = static_cast<int>(number);
        return true;
    }
    MessageBoxA(dialog, complaint, kExportErrorCaption, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dialog, control));
    SendDlgItemMessageA(dialog, control, EM_SETSEL, 0, -1);
    return false;
}

INT_PTR CALLBACK AnimationSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    AnimationJob* job = reinterpret_cast<AnimationJob*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        job = reinterpret_cast<AnimationJob*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetDlgItemInt(dialog, IDC_EXPORT_SECONDS, DefaultAnimationSeconds(job->show), FALSE);
        SetDlgItemInt(dialog, IDC_EXPORT_WIDTH, DefaultAnimationWidth(job->show), FALSE);
        ShowAnimationSize(dialog, job->show);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EXPORT_WIDTH:
            if (HIWORD(wParam) == EN_CHANGE && job) ShowAnimationSize(dialog, job->show);
            return TRUE;
        case IDOK:
            if (TakeNumber(dialog, IDC_EXPORT_SECONDS, kAnimationMinSeconds, kAnimationMaxSeconds,
                           kBadSeconds, &job->seconds) &&
                TakeNumber(dialog, IDC_EXPORT_WIDTH, kAnimationMinWidth, kAnimationMaxWidth,
                           kBadWidth, &job->width)) {
                EndDialog(dialog, IDOK);
            }
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

bool TellProgress(int percent, void* context)
{
    AnimationJob* job = static_cast<AnimationJob*>(context);
    PostMessageA(job->dialog, WM_EXPORT_PROGRESS, static_cast<WPARAM>(percent), 0);
    return job->cancel == 0;
}

DWORD WINAPI ExportThread(void* context)
{
    AnimationJob* job = static_cast<AnimationJob*>(context);
    job->result = ExportAnimation(job->show, job->character, job->path, job->seconds, job->width,
                                  TellProgress, job, job->message, sizeof(job->message));
    PostMessageA(job->dialog, WM_EXPORT_DONE, 0, 0);
    return 0;
}

void ShowProgress(HWND dialog, const AnimationJob& job, int percent)
{
    const char* name = strrchr(job.path, '\\');
    char text[MAX_PATH + 32];
    snprintf(text, sizeof(text), kWriting, name ? name + 1 : job.path, percent);
    SetDlgItemTextA(dialog, IDC_EXPORT_STATUS, text);
    SendDlgItemMessageA(dialog, IDC_EXPORT_BAR, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

// The dialog lives as long as the worker: Cancel only asks it to stop, and
// the dialog ends when the worker says it has.
INT_PTR CALLBACK ExportProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    AnimationJob* job = reinterpret_cast<AnimationJob*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        job = reinterpret_cast<AnimationJob*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        job->dialog = dialog;
        SendDlgItemMessageA(dialog, IDC_EXPORT_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        ShowProgress(dialog, *job, 0);
        job->thread = CreateThread(nullptr, 0, ExportThread, job, 0, nullptr);
        if (!job->thread) {
            snprintf(job->message, sizeof(job->message), "%s", kNoMemory);
            EndDialog(dialog, IDABORT);
        }
        return TRUE;
    case WM_EXPORT_PROGRESS:
        if (!job->cancel) ShowProgress(dialog, *job, static_cast<int>(wParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && job) {
            InterlockedExchange(const_cast<LONG*>(&job->cancel), 1);
            EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
            SetDlgItemTextA(dialog, IDC_EXPORT_STATUS, kCancelling);
        }
        return TRUE;
    case WM_EXPORT_DONE:
        WaitForSingleObject(job->thread, INFINITE);
        CloseHandle(job->thread);
        job->thread = nullptr;
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

// The finished picture: every point painted, the signature, no painter.
bool RenderPicture(const ShowCopy& show, FrameRenderer& renderer)
{
    if (!renderer.Begin(show, show.width, show.height, nullptr)) return false;
    for (size_t i = 1; i < show.points.size(); ++i) renderer.PaintPoint(i);
    return true;
}

// A 24-bit bottom-up bitmap file of the frame.
std::vector<uint8_t> BitmapBytes(const Rgb* pixels, int width, int height)
{
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride) * height;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride) * height;
    std::vector<uint8_t> bytes(file.bfSize, 0);
    memcpy(bytes.data(), &file, sizeof(file));
    memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bytes.data() + file.bfOffBits + static_cast<size_t>(height - 1 - y) * stride;
        const Rgb* source = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<uint8_t>(source[x]);
            row[x * 3 + 1] = static_cast<uint8_t>(source[x] >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(source[x] >> 16);
        }
    }
    return bytes;
}

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr()
    {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() { return p; }
};

// PNG through the system's image encoder, into memory first so that the file
// is written whole like every other.
HRESULT PngBytes(const Rgb* pixels, int width, int height, std::vector<uint8_t>& bytes)
{
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.p, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat32bppBGR)) hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(height, width * 4, width * height * 4,
                                reinterpret_cast<BYTE*>(const_cast<Rgb*>(pixels)));
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(hr)) hr = GetHGlobalFromStream(stream.p, &memory);
    if (SUCCEEDED(hr)) {
        STATSTG facts = {};
        hr = stream->Stat(&facts, STATFLAG_NONAME);
        void* data = GlobalLock(memory);
        if (SUCCEEDED(hr) && data) {
            const uint8_t* begin = static_cast<const uint8_t*>(data);
            bytes.assign(begin, begin + facts.cbSize.QuadPart);
        }
        if (data) GlobalUnlock(memory);
    }
    return hr;
}

bool WriteBytesToFile(int fd, void* context)
{
    const std::vector<uint8_t>& bytes = *static_cast<const std::vector<uint8_t>*>(context);
    return WriteFully(fd, bytes.data(), bytes.size()) && _commit(fd) == 0;
}

bool EndsWith(const char* text, const char* ending)
{
    size_t length = strlen(text), endLength = strlen(ending);
    return length >= endLength && _stricmp(text + length - endLength, ending) == 0;
}

}  // namespace

void ExportAnimationCommand()
{
    std::unique_ptr<AnimationJob> job(new (std::nothrow) AnimationJob());
    if (!job) {
        ShowExportError(kNoMemory);
        return;
    }
    if (!CopyPainting(job->show)) return;
    if (job->show.points.empty()) {
        ShowExportError("There is nothing painted to export yet.");
        return;
    }
    if (DialogBoxParamA(g_editor.module, MAKEINTRESOURCEA(IDD_EXPORT_ANIMATION), g_editor.mainWindow,
                        AnimationSettingsDialogProc, reinterpret_cast<LPARAM>(job.get())) != IDOK)
        return;
    if (!AskForExportName(kAnimationFilter, "gif", job->path, nullptr)) return;
    job->character = LoadCharacterBitmap(g_editor.character);
    DialogBoxParamA(g_editor.module, MAKEINTRESOURCEA(IDD_EXPORT_PROGRESS), g_editor.mainWindow,
                    ExportProgressDialogProc, reinterpret_cast<LPARAM>(job.get()));
    if (job->character) DeleteObject(job->character);
    if (job->result == EXPORT_FAILED) ShowExportError(job->message);
}

void ExportPictureCommand()
{
    ShowCopy show;
    if (!CopyPainting(show)) return;
    char path[MAX_PATH];
    DWORD type = 1;
    if (!AskForExportName(kPictureFilter, "png", path, &type)) return;
    // The name's own extension decides; a name without one takes the type chosen.
    bool bitmap = EndsWith(path, ".bmp") || (type == 2 && !EndsWith(path, ".png"));

    UseSystemCursor(IDC_WAIT);
    FrameRenderer renderer;
    std::vector<uint8_t> bytes;
    char message[512] = "";
    bool rendered = RenderPicture(show, renderer);
    if (!rendered) {
        snprintf(message, sizeof(message), "%s", renderer.message);
    } else {
        const Rgb* pixels = renderer.ComposeFrame(show.points.size() - 1, false);
        try {
            if (bitmap) {
                bytes = BitmapBytes(pixels, show.width, show.height);
            } else {
                HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                HRESULT hr = PngBytes(pixels, show.width, show.height, bytes);
                if (SUCCEEDED(init)) CoUninitialize();
                if (FAILED(hr)) snprintf(message, sizeof(message), kEncodeFailed, static_cast<unsigned long>(hr));
            }
        } catch (const std::bad_alloc&) {
            snprintf(message, sizeof(message), "%s", kNoMemory);
        }
    }
    if (!message[0]) {
        int error = 0;
        if (WriteWholeFile(path, "tvp", true, WriteBytesToFile, &bytes, &error) != WHOLE_FILE_WRITTEN)
            snprintf(message, sizeof(message), kWriteFailed, path, strerror(error ? error : EIO));
    }
    UseSystemCursor(IDC_CROSS);
    if (message[0]) ShowExportError(message);
}
