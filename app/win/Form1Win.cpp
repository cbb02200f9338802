#include "app/win/Form1Win.h"

#include "app/FormLayout.h"
#include "platform/win/WinText.h"

#include <commctrl.h>
#include <shellapi.h>
#include <utility>

namespace hortivex {
namespace {

constexpr wchar_t kWindowClass[] = L"HortivexTForm1";
enum ControlId { kLabelId = 100, kChooseId, kGroupId, kBarId, kCloseId };

HFONT ArialOfPixelHeight(int pixels) {
    // A negative height asks for the character height, without the internal leading.
    return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, Widen(kFontFace).c_str());
}

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass); // a second registration fails harmlessly
}

} // namespace

TForm1::TForm1(HINSTANCE instance, FileChooser& chooser, Messages& messages,
               SettingsStore& settings, std::filesystem::path programFolder)
    : instance_(instance), session_(*this, messages, settings, std::move(programFolder), chooser) {
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RegisterFormClass(instance_, &TForm1::WindowProc);

    // A fixed dialog frame: no sizing border, no minimise or maximise box.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
    RECT frame{0, 0, Scaled(kClientWidth), Scaled(kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    window_ = CreateWindowExW(exStyle, kWindowClass, Widen(kFormCaption).c_str(), style, left, top,
                              width, height, nullptr, nullptr, instance_, this);
    formFont_ = ArialOfPixelHeight(Scaled(kFormFontPixels));
    labelFont_ = ArialOfPixelHeight(Scaled(kLabelFontPixels));
    CreateControls();
}

TForm1::~TForm1() {
    if (window_)
        DestroyWindow(window_);
    DeleteObject(formFont_);
    DeleteObject(labelFont_);
}

int TForm1::Scaled(int pixels) const {
    return MulDiv(pixels, dpi_, 96);
}

HWND TForm1::AddControl(const wchar_t* windowClass, const char* text, DWORD style, int left,
                        int top, int width, int height, int id) {
    HWND control =
        CreateWindowExW(0, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                        Scaled(left), Scaled(top), Scaled(width), Scaled(height), window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_), FALSE);
    return control;
}

// Created in tab order: "Choose file", the group, "Close". The bar lies inside the group.
void TForm1::CreateControls() {
    const ControlRect& l = kLabelRect;
    lbl1_ = AddControl(L"STATIC", kExplanation, SS_CENTER | SS_NOPREFIX, l.left, l.top, l.width,
                       l.height, kLabelId);
    SendMessageW(lbl1_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_), FALSE);
    const ControlRect& c = kChooseRect;
    btn1_ = AddControl(L"BUTTON", kChooseCaption, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, c.left,
                       c.top, c.width, c.height, kChooseId);
    const ControlRect& g = kGroupRect;
    grp1_ = AddControl(L"BUTTON", kProgressCaption, BS_GROUPBOX, g.left, g.top, g.width, g.height,
                       kGroupId);
    const ControlRect& b = kBarRect;
    pb1_ = AddControl(PROGRESS_CLASSW, "", 0, g.left + b.left, g.top + b.top, b.width, b.height,
                      kBarId);
    SendMessageW(pb1_, PBM_SETRANGE32, 0, 100);
    SendMessageW(pb1_, PBM_SETPOS, 0, 0);
    const ControlRect& x = kCloseRect;
    btn2_ = AddControl(L"BUTTON", kCloseCaption, BS_PUSHBUTTON | WS_TABSTOP, x.left, x.top, x.width,
                       x.height, kCloseId);
    SetFocus(btn1_);
}

void TForm1::SetMaximum(int maximum) {
    maximum_ = maximum;
    SendMessageW(pb1_, PBM_SETRANGE32, 0, maximum);
}

int TForm1::Maximum() const {
    return maximum_;
}

void TForm1::SetPosition(int position) {
    SendMessageW(pb1_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool TForm1::Dispatch(HWND dialog, MSG& message) {
    if (message.message == WM_QUIT)
        return false;
    if (!IsDialogMessageW(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void TForm1::ProcessPendingEvents() {
    UpdateWindow(pb1_);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!Dispatch(window_, message)) {
            PostQuitMessage(static_cast<int>(message.wParam)); // for the main loop
            break;
        }
    }
}

void TForm1::SetBusy(bool busy) {
    EnableWindow(btn1_, !busy);
    EnableWindow(btn2_, !busy);
    if (!busy)
        SetFocus(btn1_);
}

void TForm1::btn1Click() {
    session_.ChooseFiles();
}

void TForm1::ConvertDropped(const std::vector<std::filesystem::path>& paths) {
    session_.Drop(paths);
}

void TForm1::btn2Click() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form ? form->OnMessage(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT TForm1::OnMessage(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(w) == BN_CLICKED && LOWORD(w) == kChooseId)
            btn1Click();
        else if (HIWORD(w) == BN_CLICKED && LOWORD(w) == kCloseId)
            btn2Click();
        return 0;
    case WM_DROPFILES: {
        // Posted, not sent: the program the files came from is not kept waiting.
        const auto drop = reinterpret_cast<HDROP>(w);
        std::vector<std::filesystem::path> paths;
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring name(DragQueryFileW(drop, i, nullptr, 0), L'\0');
            DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size() + 1));
            paths.emplace_back(std::move(name));
        }
        DragFinish(drop);
        ConvertDropped(paths);
        return 0;
    }
    case WM_CLOSE:
        // Closing (the title bar's button, Alt+F4, "Close") is refused while a batch runs.
        if (!session_.Running())
            DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, w, l);
    }
}

int TForm1::RunMessageLoop(HWND dialog) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        Dispatch(dialog, message);
    return static_cast<int>(message.wParam);
}

} // namespace hortivex
